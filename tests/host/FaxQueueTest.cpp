// The whole fax path on the demo fax printer: the host submits to the private CUPS queue, the
// fax filter checks the record and renders the pages, the printer emulator files the job.
#include "CupsSubmitter.h"
#include "DemoPrinterTest.h"
#include "HostDocument.h"
#include "Utils.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtEndian>
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <csignal>
#include <map>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace demo_printer_test;

namespace {

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

class FaxQueueTest : public DemoPrinterTest {
protected:
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
        EXPECT_TRUE(settle()) << printer.scheduler().errorLogTail().toStdString();
        return job;
    }
};

// Ends the program, if it still runs, with SIGTERM, on which it stops the demo printer (killing
// it would leave the printer's scheduler and emulator running).
auto terminatedAtExit(QProcess& host) {
    return qScopeGuard([&host] {
        if (host.state() == QProcess::NotRunning)
            return;
        host.terminate();
        host.waitForFinished(30000);
    });
}

} // namespace

TEST_F(FaxQueueTest, AGoodRecordReachesThePrinterAsAFaxAndStaysPrivate) {
    const int job = print(goodRecord(), "SuperFine");

    ASSERT_EQ(filedJobs().size(), 1) << printer.scheduler().errorLogTail().toStdString();
    const QString filed = filedJobs().first();
    const QJsonObject record = filedRecord(filed);
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

    // The pages as a fax machine sends them: G3 coding (compression 3), 204 x 391 dpi.
    QFile pages(filedPath(filed, "pages.tiff"));
    ASSERT_TRUE(pages.open(QIODevice::ReadOnly));
    const auto tags = tiffTags(pages.readAll());
    EXPECT_EQ(tags.count(259) ? tags.at(259) : 0u, 3u);
    EXPECT_EQ(tags.count(282) ? tags.at(282) : 0u, 204u);
    EXPECT_EQ(tags.count(283) ? tags.at(283) : 0u, 391u);

    // The owner reads the record back over IPP; another user sees the job, not the record.
    const auto owned = jobAttributes(job, cupsUser(), true);
    EXPECT_EQ(valueOf(owned, "job-state"), "completed");
    EXPECT_EQ(valueOf(owned, kPrefix + "DFaxDestinationPhoneNumber2"), "*31#0897654321");
    EXPECT_EQ(valueOf(owned, kPrefix + "DFaxDestinationNumber"), "2");
    const auto foreign = jobAttributes(job, "mallory", false);
    EXPECT_EQ(valueOf(foreign, "VMFaxImageQuality"), "SuperFine");
    for (const QString& key : DemoFaxPrinter::privateJobOptions())
        EXPECT_EQ(foreign.count(key), 0u) << key.toStdString();
}

TEST_F(FaxQueueTest, ABadRecordFailsTheJobWithItsMessage) {
    Record record = goodRecord();
    record["DFaxDelayedTime"] = "24:00";
    const int job = print(record);

    EXPECT_TRUE(filedJobs().isEmpty());
    const auto attributes = jobAttributes(job, cupsUser(), true);
    EXPECT_EQ(valueOf(attributes, "job-state"), "processing-stopped");
    // The job's and the queue's state messages say why (IPP's text shows quotes escaped).
    const QString why = "The delayed-send time \"24:00\" of the fax job is not a time of day";
    for (QString message : {valueOf(attributes, "job-printer-state-message"), printerStateMessage()})
        EXPECT_TRUE(message.remove('\\').contains(why)) << message.toStdString();

    // A job CUPS does not take at all is reported in words, with the queue's name.
    JobTicket ticket;
    ticket.queueName = "NoSuchQueue";
    QString error;
    EXPECT_EQ(CupsSubmitter::submit(ticket, HostDocument::sample(), &error), 0);
    EXPECT_TRUE(error.startsWith("The printer \"NoSuchQueue\" did not take the job: "))
        << error.toStdString();
}

TEST(FaxProgram, ADryRunSubmitsOnlyWhatNeedsNoAnswer) {
    // The program runs the demo printer by itself. Without the fax panel its job has no record,
    // which the filter refuses, so nothing is filed whatever the destination. With the panel a
    // dry run has nobody to answer the fax-job dialog: it is cancelled, and the job with it.
    QTemporaryDir outbox;
    QTemporaryDir config; // for the help book the panel registers
    QTemporaryDir noPlugins;
    const QString realPlugins = kBin + "/plugins";
    struct Row {
        const char* destination;
        QString plugins;
        bool submits;
        int exitCode;
        const char* said;
    };
    for (const Row& row :
         {Row{"pdf", noPlugins.path(), false, 0, ""}, Row{"preview", noPlugins.path(), false, 0, ""},
          Row{"printer", noPlugins.path(), true, 0, ""},
          Row{"printer", realPlugins, false, 1,
              "The window \"Fax Transmission\" needs someone to answer it"}}) {
        SCOPED_TRACE(std::string(row.destination) + " " + row.plugins.toStdString());
        QProcess host;
        const auto stop = terminatedAtExit(host);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", config.path());
        host.setProcessEnvironment(environment);
        host.start(kBin + "/host/directfax-print", {"--plugins", row.plugins, "--outbox", outbox.path(),
                                                    "--destination", row.destination, "--dry-run"});
        ASSERT_TRUE(host.waitForFinished(90000));
        const QString out = QString::fromUtf8(host.readAllStandardOutput());
        const QString err = QString::fromUtf8(host.readAllStandardError());
        if (err.contains("The sample printer is used"))
            GTEST_SKIP() << "The demo fax printer cannot run here: " << err.toStdString();
        EXPECT_EQ(host.exitCode(), row.exitCode) << err.toStdString();
        EXPECT_TRUE(err.contains(row.said)) << err.toStdString();
        EXPECT_EQ(out.contains("queue: DirectFax\n"), row.exitCode == 0) << out.toStdString();
        EXPECT_EQ(out.contains("submitted: DirectFax-"), row.submits) << out.toStdString();
        EXPECT_TRUE(QDir(outbox.path()).isEmpty());
    }
}

TEST_F(FaxQueueTest, EveryValueOfTheRecordReachesThePrinterByteForByte) {
    // Names the dialog takes that libcups' option syntax would read as a collection, a list or
    // quoting.
    const QStringList names{"{Sales}",          "{",     "}",           "{a b",
                            "\"quoted\"",       "it's",  "back\\slash", "a=b",
                            " lead and trail ", "a,b,c", "x\\"};
    Record record = goodRecord();
    record["DFaxDestinationNumber"] = QString::number(names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        record[QStringLiteral("DFaxDestinationName%1").arg(i + 1)] = names[i];
        record[QStringLiteral("DFaxDestinationPhoneNumber%1").arg(i + 1)] = QStringLiteral("030%1").arg(i);
    }
    record["DFaxCoverSenderName"] = "{Front, \"Desk\"}";
    print(record);

    ASSERT_EQ(filedJobs().size(), 1) << printerStateMessage().toStdString();
    const QJsonObject filed = filedRecord(filedJobs().first());
    EXPECT_EQ(filed["senderName"].toString(), "{Front, \"Desk\"}");
    const QJsonArray destinations = filed["destinations"].toArray();
    ASSERT_EQ(destinations.size(), names.size());
    QStringList got;
    for (const auto& destination : destinations)
        got << destination.toObject()["name"].toString();
    got.sort();
    QStringList expected = names;
    expected.sort();
    EXPECT_EQ(got, expected);
}

TEST(FaxQueueOutbox, AJobThePrinterCannotFileFailsWithItsReason) {
    // The printer's files may hold at most 512 bytes: its outbox is as good as full.
    ensureApplication();
    QTemporaryDir dir;
    QFile wrapper(dir.filePath("full-printer"));
    ASSERT_TRUE(wrapper.open(QIODevice::WriteOnly));
    wrapper.write("#!/bin/sh\ntrap '' XFSZ\nulimit -f 1\nexec '" +
                  QFile::encodeName(kBin + "/tools/device-emulator/directfax-device-emulator") +
                  "' \"$@\"\n");
    wrapper.close();
    wrapper.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    DemoFaxPrinter printer;
    QString error;
    if (!printer.start({wrapper.fileName(),
                        kBin + "/tools/fax-filter/directfax-fax-filter",
                        kBin + "/tools/print-backend/directfax-backend",
                        QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd"),
                        dir.filePath("outbox"),
                        {},
                        {}},
                       &error))
        GTEST_SKIP() << "The demo fax printer cannot run here: " << error.toStdString();
    cupsSetServer(QFile::encodeName(printer.server()).constData());
    JobTicket ticket;
    ticket.queueName = printer.queue();
    ticket.documentTitle = "too much";
    for (const auto& [key, value] : goodRecord())
        ticket.jobOptions.append({kPrefix + key, value});
    const int job = CupsSubmitter::submit(ticket, HostDocument::sample(), &error);
    ASSERT_GT(job, 0) << error.toStdString();
    const auto left = printer.waitForJobs(kJobWait);
    cupsSetServer(nullptr);
    // The job is not taken for sent: the queue holds it (and stops, as for any printer fault),
    // with the printer's reason.
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first().state, IPP_JSTATE_HELD);
    EXPECT_TRUE(left.first().describe().endsWith(
        "is held and was not sent: The fax printer refused the job: cannot write into the outbox " +
        dir.filePath("outbox") + " (is it full?)."))
        << left.first().describe().toStdString();
    EXPECT_TRUE(QDir(dir.filePath("outbox")).isEmpty());
}
