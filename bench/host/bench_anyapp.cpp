// From `lp` to the fax printer to the fax dialog shown: the scheduler runs the hand-over backend,
// which puts the document into this user's fax inbox; the fax agent notices it and starts
// directfax-print on the fax queue, which loads the DirectFax bundle, opens the queue's PPD over
// IPP and renders its print dialog with the Fax Settings panel (into a PNG: the moment the dialog
// is drawn, without a display). All on the demo printer's private scheduler.
#include "BuildTreeDemo.h"
#include "DemoFaxPrinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using com::velmora::cps::print::pde::tarncrest::directfax::bench::buildTreeDemoSetup;
using com::velmora::cps::print::pde::tarncrest::directfax::bench::kBin;

namespace {

const QString kDocument = QStringLiteral(DIRECTFAX_SOURCE_DIR "/tests/fixtures/fax/three-pages.pdf");
constexpr int kLimitMs = 60000;

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < kLimitMs)
        QThread::msleep(2);
    return done();
}

void BM_LpToFaxDialogShown(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_anyapp";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath("config")));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    DemoFaxPrinter printer;
    printer.offerFaxPrinter(
        {kBin + "/tools/fax-handover/directfax-handover", kBin + "/host/samples/DirectFaxFaxPrinter.ppd"});
    QString error;
    const DemoFaxPrinter::Setup setup = buildTreeDemoSetup(work.filePath("outbox"));
    const QString shown = work.filePath("dialog.png");
    if (!printer.start(setup, &error) ||
        !printer.startFaxAgent(kBin + "/tools/fax-agent/directfax-fax-agent", kBin + "/host/directfax-print",
                               {"--screenshot", shown}, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const auto inboxEmpty = [&] {
        return QDir(printer.faxInbox()).entryList({"*.pdf"}, QDir::Files).isEmpty();
    };
    for (auto _ : state) {
        QFile::remove(shown);
        QProcess lp;
        lp.start("lp", {"-h", printer.server(), "-d", printer.faxPrinter(), kDocument});
        if (!waitFor([&] { return QFile::exists(shown); })) {
            state.SkipWithError("the fax dialog did not show");
            return;
        }
        state.PauseTiming();
        lp.waitForFinished();
        waitFor(inboxEmpty);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LpToFaxDialogShown)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace
