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
        EXPECT_TRUE(printer.waitForJobs(kJobWait)) << printer.scheduler().errorLogTail().toStdString();
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

TEST(FaxProgram, ASignalStopsTheDemoPrinterWithTheProgram) {
    QTemporaryDir outbox;
    QTemporaryDir noPlugins;
    QProcess host;
    const auto stop = terminatedAtExit(host);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    host.setProcessEnvironment(environment);
    host.start(kBin + "/host/directfax-print", {"--plugins", noPlugins.path(), "--outbox", outbox.path()});
    ASSERT_TRUE(host.waitForStarted());
    host.setReadChannel(QProcess::StandardError);
    QString err;
    QDeadlineTimer deadline(90000);
    while (!err.contains("demo fax printer: queue") && !deadline.hasExpired() &&
           host.state() == QProcess::Running) {
        host.waitForReadyRead(1000);
        err += QString::fromUtf8(host.readAllStandardError());
    }
    if (err.contains("The sample printer is used"))
        GTEST_SKIP() << "The demo fax printer cannot run here: " << err.toStdString();
    ASSERT_TRUE(err.contains("demo fax printer: queue")) << err.toStdString();

    // The scheduler and the emulator, and the scheduler's private folder.
    const qint64 pid = host.processId();
    QFile childList(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    ASSERT_TRUE(childList.open(QIODevice::ReadOnly));
    const QStringList children = QString::fromLatin1(childList.readAll()).split(' ', Qt::SkipEmptyParts);
    ASSERT_EQ(children.size(), 2);
    QString folder;
    for (const QString& child : children) {
        QFile commandLine("/proc/" + child + "/cmdline");
        ASSERT_TRUE(commandLine.open(QIODevice::ReadOnly));
        for (const QByteArray& argument : commandLine.readAll().split('\0'))
            if (argument.endsWith("/cupsd.conf"))
                folder = QFileInfo(QString::fromLocal8Bit(argument)).path();
    }
    ASSERT_FALSE(folder.isEmpty());

    ::kill(pid_t(pid), SIGTERM);
    ASSERT_TRUE(host.waitForFinished(90000));
    EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(host.exitCode(), 128 + SIGTERM);
    for (const QString& child : children)
        EXPECT_NE(::kill(pid_t(child.toInt()), 0), 0) << "left running: " << child.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
}
