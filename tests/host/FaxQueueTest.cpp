// The whole fax path on the demo fax printer: the host submits to the private CUPS queue, the
// fax filter checks the record and renders the pages, the printer emulator files the job.
#include "CupsSubmitter.h"
#include "DemoFaxPrinter.h"
#include "HostDocument.h"
#include "SchedulerAttributes.h"
#include "Utils.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <map>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

const QString kBin = QStringLiteral(DIRECTFAX_BINARY_DIR);
const QString kPrefix = QStringLiteral("com.velmora.cps.print.printsettings.");
constexpr std::chrono::seconds kJobWait{60};

using Record = std::map<QString, QString>; // base name -> value

// A record as the fax-job dialog writes it: password 1234, delayed to 21:05, two destinations.
Record goodRecord() {
    return {{"DFaxPassword", CreateEncryptedString("1234", kCFStringEncodingUTF8)},
            {"DFaxDelayedPrint", "1"},
            {"DFaxDelayedTime", "21:05"},
            {"DFaxDestinationNumber", "2"},
            {"DFaxDestinationName1", "Zoe Weber"},
            {"DFaxDestinationPhoneNumber1", "0301234567"},
            {"DFaxDestinationName2", ""},
            {"DFaxDestinationPhoneNumber2", "*31#0897654321"}};
}

// The (tag -> first value) entries of the first directory of a little-endian TIFF; rational
// values give their numerator divided by their denominator.
std::map<int, quint32> tiffTags(const QByteArray& tiff) {
    std::map<int, quint32> tags;
    auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(tiff.constData() + at); };
    auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(tiff.constData() + at); };
    if (tiff.size() < 8 || !tiff.startsWith("II*"))
        return tags;
    const quint32 ifd = u32(4);
    if (ifd + 2 > quint32(tiff.size()))
        return tags;
    for (int i = 0; i < u16(ifd) && ifd + 2 + 12 * (i + 1) <= quint32(tiff.size()); ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        const int type = u16(entry + 2);
        if (type == 5 && u32(entry + 8) + 8 <= quint32(tiff.size()))
            tags[u16(entry)] = u32(u32(entry + 8)) / std::max<quint32>(1, u32(u32(entry + 8) + 4));
        else
            tags[u16(entry)] = type == 3 ? u16(entry + 8) : u32(entry + 8);
    }
    return tags;
}

class FaxQueueTest : public ::testing::Test {
protected:
    // Rendering the text document to PDF needs the fonts of a GUI application.
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_host_fax";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);
    }

    void SetUp() override {
        QString error;
        const DemoFaxPrinter::Setup setup{
            kBin + "/tools/device-emulator/directfax-device-emulator",
            kBin + "/tools/fax-filter/directfax-fax-filter",
            QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd"),
            outboxDir.filePath("outbox"),
            {},
            {}};
        if (!printer.start(setup, &error))
            GTEST_SKIP() << "The demo fax printer cannot run here: " << error.toStdString();
        cupsSetServer(printer.server().toUtf8().constData());
    }
    void TearDown() override {
        cupsSetServer(nullptr);
        printer.stop();
    }

    // Submits the built-in text with `record` and the image quality `quality`; waits for the queue.
    int print(const Record& record, const QString& quality = "Fine") {
        JobTicket ticket;
        ticket.queueName = printer.queue();
        ticket.documentTitle = "fax test";
        ticket.ppdChoices = {{"VMFaxImageQuality", quality}, {"VMFaxCoverPageMode", "Urgent"}};
        for (const auto& [key, value] : record)
            ticket.jobOptions.append({kPrefix + key, value});
        QString error;
        const int job = CupsSubmitter::submit(ticket, HostDocument::sample(), &error);
        EXPECT_GT(job, 0) << error.toStdString();
        EXPECT_TRUE(printer.waitForJobs(kJobWait)) << printer.scheduler().errorLogTail().toStdString();
        return job;
    }

    // The answer to `request` as (name -> value text), sent as `user`; with `owner` the request
    // carries the scheduler's certificate for this process's user, so it counts as the job's owner.
    std::map<QString, QString> ask(ipp_t* request, const char* user, bool owner) {
        return askScheduler(printer.server(), request, user,
                            owner ? printer.scheduler().localCertificate() : QByteArray());
    }

    std::map<QString, QString> jobAttributes(int job, const char* user, bool owner) {
        return jobAttributesOf(printer.server(), job, user,
                               owner ? printer.scheduler().localCertificate() : QByteArray());
    }

    QString printerStateMessage() {
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        const QByteArray uri =
            QStringLiteral("ipp://%1/printers/%2").arg(printer.server(), printer.queue()).toUtf8();
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
        const auto attributes = ask(request, cupsUser(), false);
        return attributes.count("printer-state-message") ? attributes.at("printer-state-message") : QString();
    }

    QStringList filedJobs() const {
        return QDir(printer.outbox()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QTemporaryDir outboxDir;
    DemoFaxPrinter printer;
};

} // namespace

TEST_F(FaxQueueTest, AGoodRecordReachesThePrinterAsAFaxAndStaysPrivate) {
    const int job = print(goodRecord(), "SuperFine");

    ASSERT_EQ(filedJobs().size(), 1) << printer.scheduler().errorLogTail().toStdString();
    const QDir filed(printer.outbox() + "/" + filedJobs().first());
    QFile recordFile(filed.filePath("record.json"));
    ASSERT_TRUE(recordFile.open(QIODevice::ReadOnly));
    const QJsonObject record = QJsonDocument::fromJson(recordFile.readAll()).object();
    EXPECT_EQ(record["job"].toInt(), job);
    EXPECT_EQ(record["password"].toString(), "1234");
    EXPECT_TRUE(record["delayedPrint"].toBool());
    EXPECT_EQ(record["delayedTime"].toString(), "21:05");
    EXPECT_EQ(record["VMFaxImageQuality"].toString(), "SuperFine");
    EXPECT_EQ(record["VMFaxCoverPageMode"].toString(), "Urgent");
    const QJsonArray destinations = record["destinations"].toArray();
    ASSERT_EQ(destinations.size(), 2);
    EXPECT_EQ(destinations[0]["name"].toString(), "Zoe Weber");
    EXPECT_EQ(destinations[0]["phoneNumber"].toString(), "0301234567");
    EXPECT_EQ(destinations[1]["name"].toString(), "");
    EXPECT_EQ(destinations[1]["phoneNumber"].toString(), "*31#0897654321");

    // The pages as a fax machine sends them: G3 coding (compression 3), 200 x 400 dpi.
    QFile pages(filed.filePath("pages.tiff"));
    ASSERT_TRUE(pages.open(QIODevice::ReadOnly));
    const auto tags = tiffTags(pages.readAll());
    EXPECT_EQ(tags.count(259) ? tags.at(259) : 0u, 3u);
    EXPECT_EQ(tags.count(282) ? tags.at(282) : 0u, 200u);
    EXPECT_EQ(tags.count(283) ? tags.at(283) : 0u, 400u);

    // The owner reads the record back over IPP; another user sees the job, not the record.
    const auto owned = jobAttributes(job, cupsUser(), true);
    EXPECT_EQ(owned.count("job-state") ? owned.at("job-state") : "", "completed");
    EXPECT_EQ(owned.count(kPrefix + "DFaxDestinationPhoneNumber2")
                  ? owned.at(kPrefix + "DFaxDestinationPhoneNumber2")
                  : "",
              "*31#0897654321");
    EXPECT_EQ(owned.count(kPrefix + "DFaxDestinationNumber") ? owned.at(kPrefix + "DFaxDestinationNumber")
                                                             : "",
              "2");
    const auto foreign = jobAttributes(job, "mallory", false);
    EXPECT_EQ(foreign.count("VMFaxImageQuality") ? foreign.at("VMFaxImageQuality") : "", "SuperFine");
    for (const QString& key : DemoFaxPrinter::privateJobOptions())
        EXPECT_EQ(foreign.count(key), 0u) << key.toStdString();
}

TEST_F(FaxQueueTest, ABadRecordFailsTheJobWithItsMessage) {
    Record record = goodRecord();
    record["DFaxDelayedTime"] = "24:00";
    const int job = print(record);

    EXPECT_TRUE(filedJobs().isEmpty());
    const auto attributes = jobAttributes(job, cupsUser(), true);
    EXPECT_EQ(attributes.count("job-state") ? attributes.at("job-state") : "", "processing-stopped");
    // The job's and the queue's state messages say why (IPP's text shows quotes escaped).
    const QString why = "The delayed-send time \"24:00\" of the fax job is not a time of day";
    for (QString message :
         {attributes.count("job-printer-state-message") ? attributes.at("job-printer-state-message")
                                                        : QString(),
          printerStateMessage()})
        EXPECT_TRUE(message.remove('\\').contains(why)) << message.toStdString();

    // A job CUPS does not take at all is reported in words, with the queue's name.
    JobTicket ticket;
    ticket.queueName = "NoSuchQueue";
    QString error;
    EXPECT_EQ(CupsSubmitter::submit(ticket, HostDocument::sample(), &error), 0);
    EXPECT_TRUE(error.startsWith("The printer \"NoSuchQueue\" did not take the job: "))
        << error.toStdString();
}

TEST(FaxProgram, OnlyAPrinterDestinationMakesAJob) {
    // The program runs the demo printer by itself; without the fax panel its job has no record,
    // which the filter refuses, so nothing is filed whatever the destination.
    QTemporaryDir outbox;
    struct Row {
        const char* destination;
        bool submits;
    };
    for (const Row& row : {Row{"pdf", false}, Row{"preview", false}, Row{"printer", true}}) {
        SCOPED_TRACE(row.destination);
        QTemporaryDir noPlugins;
        QProcess host;
        host.start(kBin + "/host/directfax-print", {"--plugins", noPlugins.path(), "--outbox", outbox.path(),
                                                    "--destination", row.destination, "--dry-run"});
        ASSERT_TRUE(host.waitForFinished(90000));
        const QString out = QString::fromUtf8(host.readAllStandardOutput());
        const QString err = QString::fromUtf8(host.readAllStandardError());
        if (err.contains("The sample printer is used"))
            GTEST_SKIP() << "The demo fax printer cannot run here: " << err.toStdString();
        EXPECT_EQ(host.exitCode(), 0) << err.toStdString();
        EXPECT_TRUE(out.contains("queue: DirectFax\n")) << out.toStdString();
        EXPECT_EQ(out.contains("submitted: DirectFax-"), row.submits) << out.toStdString();
        EXPECT_TRUE(QDir(outbox.path()).isEmpty());
    }
}
