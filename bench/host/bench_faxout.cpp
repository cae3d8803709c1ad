// From Start in the fax-job dialog to every job accepted by CUPS, on the demo printer's "Fax"
// queue (a CUPS fax queue on the emulator's IPP FaxOut service): 30 destinations, the most the
// dialog takes, each a held job with its document, then all released. The queue is paused so
// that the printer's work on the jobs is not measured; the jobs are purged between runs.
#include "BuildTreeDemo.h"
#include "DemoFaxPrinter.h"
#include "FaxOutSubmitter.h"
#include "HostDocument.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cups/cups.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using com::velmora::cps::print::pde::tarncrest::directfax::bench::buildTreeDemoSetup;
using com::velmora::cps::print::pde::tarncrest::directfax::bench::kBin;

namespace {

constexpr int kDestinations = 30;

void queueRequest(ipp_op_t operation, const QString& queue) {
    ipp_t* request = ippNewRequest(operation);
    const QByteArray uri = "ipp://localhost/printers/" + queue.toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/admin/"));
}

void BM_FaxOutStartTo30JobsAccepted(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_faxout";
    static char* argv[] = {name, nullptr};
    // A text document is rendered to PDF with the fonts of a GUI application; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir outbox;
    DemoFaxPrinter printer;
    QString error;
    const DemoFaxPrinter::Setup setup = buildTreeDemoSetup(outbox.filePath("outbox"));
    if (!printer.start(setup, &error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    cupsSetServer(QFile::encodeName(printer.server()).constData());
    queueRequest(IPP_OP_PAUSE_PRINTER, printer.faxOutQueue());

    JobTicket ticket;
    ticket.queueName = printer.faxOutQueue();
    ticket.documentTitle = QStringLiteral("report.pdf");
    ticket.cupsFaxQueue = true;
    FaxOutPlan plan;
    plan.dialPrefix = QStringLiteral("0");
    for (int i = 0; i < kDestinations; ++i)
        plan.destinations.append({QStringLiteral("Destination %1").arg(i + 1),
                                  QStringLiteral("0301234%1").arg(i, 3, 10, QLatin1Char('0'))});
    const HostDocument document = HostDocument::sample();
    for (auto _ : state) {
        const QList<int> jobs = submitFaxOut(ticket, document, plan, &error);
        state.PauseTiming();
        if (jobs.size() != kDestinations)
            state.SkipWithError(error.toStdString().c_str());
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, nullptr, CUPS_JOBID_ALL);
        queueRequest(IPP_OP_PURGE_JOBS, printer.faxOutQueue());
        state.ResumeTiming();
    }
    cupsSetServer(nullptr);
    printer.stop();
}
BENCHMARK(BM_FaxOutStartTo30JobsAccepted)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
