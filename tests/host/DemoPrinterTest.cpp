#include "DemoPrinterTest.h"

#include "CupsSubmitter.h"
#include "HostDocument.h"
#include "SchedulerAttributes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <algorithm>

namespace demo_printer_test {

QString valueOf(const Attributes& attributes, const QString& name) {
    const auto found = attributes.find(name);
    return found == attributes.end() ? QString() : found->second;
}

int submitRecord(const QString& queue, const Record& record, QString* error) {
    pf::JobTicket ticket;
    ticket.queueName = queue;
    ticket.documentTitle = "fax test";
    for (const auto& [key, value] : record)
        ticket.jobOptions.append({kPrefix + key, value});
    return pf::CupsSubmitter::submit(ticket, pf::HostDocument::sample(), error);
}

Record recordTo(const QString& number) {
    return {{"DFaxPassword", ""},
            {"DFaxDelayedPrint", "0"},
            {"DFaxDelayedTime", "10:00"},
            {"DFaxDestinationNumber", "1"},
            {"DFaxDestinationName1", "Ann"},
            {"DFaxDestinationPhoneNumber1", number}};
}

void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_host_fax";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QApplication(argc, argv);
}

void DemoPrinterTest::SetUpTestSuite() {
    ensureApplication();
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
}

void DemoPrinterTest::SetUp() {
    QString error;
    const pf::DemoFaxPrinter::Setup setup{
        kBin + "/tools/device-emulator/directfax-device-emulator",
        kBin + "/tools/fax-filter/directfax-fax-filter",
        kBin + "/tools/print-backend/directfax-backend",
        QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd"),
        outboxDir.filePath("outbox"),
        {},
        {}};
    if (!printer.start(setup, &error))
        GTEST_SKIP() << "The demo fax printer cannot run here: " << error.toStdString();
    cupsSetServer(QFile::encodeName(printer.server()).constData());
}

void DemoPrinterTest::TearDown() {
    cupsSetServer(nullptr);
    printer.stop();
}

Attributes DemoPrinterTest::ask(ipp_t* request, const char* user, bool owner) {
    return askScheduler(printer.server(), request, user,
                        owner ? printer.scheduler().localCertificate() : QByteArray());
}

Attributes DemoPrinterTest::jobAttributes(int job, const char* user, bool owner) {
    return jobAttributesOf(printer.server(), job, user,
                           owner ? printer.scheduler().localCertificate() : QByteArray());
}

QString DemoPrinterTest::printerStateMessage() {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/printers/%1").arg(printer.queue()).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    return valueOf(ask(request, cupsUser(), false), "printer-state-message");
}

bool DemoPrinterTest::settle(std::chrono::milliseconds limit) {
    const auto left = printer.waitForJobs(limit);
    return std::ranges::none_of(left, &pf::JobStatus::onItsWay);
}

int DemoPrinterTest::schedulerJobCount() {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(count, jobs);
    return count;
}

QStringList DemoPrinterTest::filedJobs() const {
    return QDir(printer.outbox()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

QString DemoPrinterTest::filedPath(const QString& job, const QString& file) const {
    return QDir(printer.outbox()).filePath(job + QLatin1Char('/') + file);
}

QJsonObject DemoPrinterTest::filedRecord(const QString& job) const {
    QFile file(filedPath(job, QStringLiteral("record.json")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace demo_printer_test
