// The servers of the whole-process measurements (bench/process/measure.sh), started from this
// build tree: the demo fax printer (scheduler, emulator, fax queue with our filter and backend),
// with as many more fax queues on the sample PPD as asked for. It prints the server's socket,
// queue and outbox as shell assignments and runs until its standard input closes.
//
//   directfax-bench-server [--queues N]    the servers; N queues in all (1: the fax queue alone)
//   directfax-bench-server --record JOB    the fax-record options of job JOB on $CUPS_SERVER, as
//                                          lp arguments (-o NAME=VALUE, one a line)
#include "DemoFaxPrinter.h"
#include "FaxJobRecord.h"
#include "ProgramLayout.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cups/cups.h>
#include <iostream>
#include <string>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using platform::DemoFaxPrinter;

namespace {

int printRecord(int job) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(job);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response) {
        std::fprintf(stderr, "no job %d: %s\n", job, cupsLastErrorString());
        return 1;
    }
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr; attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (!name ||
            std::string_view(name).substr(0, sizeof kPrintSettingsKeyPrefix - 1) != kPrintSettingsKeyPrefix)
            continue;
        char value[4096];
        ippAttributeString(attr, value, sizeof value);
        std::printf("-o\n%s=%s\n", name, value);
    }
    ippDelete(response);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--record"))
        return printRecord(arguments[2].toInt());
    int queues = 1;
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--queues"))
        queues = arguments[2].toInt();
    const auto layout = platform::ProgramLayout::forProgramFolder(QStringLiteral(DIRECTFAX_HOST_DIR));
    QTemporaryDir outbox;
    DemoFaxPrinter demo;
    QString error;
    if (!demo.start({layout.deviceEmulator,
                     layout.faxFilter,
                     layout.printBackend,
                     layout.samplePpd,
                     outbox.path(),
                     layout.demoAddressBook,
                     {}},
                    &error)) {
        std::fprintf(stderr, "directfax-bench-server: %s\n", qPrintable(error));
        return 1;
    }
    for (int n = 2; n <= queues; ++n) {
        const QString name = QStringLiteral("Office-%1").arg(n, 3, 10, QLatin1Char('0'));
        if (!demo.scheduler().addQueue(
                {name, QString::fromLatin1(DemoFaxPrinter::kDeviceUri), layout.samplePpd, {}}, &error)) {
            std::fprintf(stderr, "directfax-bench-server: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("CUPS_SERVER=%s\nQUEUE=%s\nOUTBOX=%s\n", qPrintable(demo.server()), qPrintable(demo.queue()),
                qPrintable(demo.outbox()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
