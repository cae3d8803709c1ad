// The fax printer for every program, end to end on the demo printer's scheduler: `lp` to the fax
// printer, the backend handing the document to this user's fax inbox, the fax agent (on a session
// bus of the test's own) opening the host unattended, and the fax reaching the printer's outbox
// with its record. A job of another user reaches only that user's inbox; without an agent the job
// fails within the wait with a message that says why.
#include "DemoPrinterTest.h"
#include "HostPrinter.h"
#include "PrivateSessionBus.h"
#include "WaitUntil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::testing;
using namespace demo_printer_test;

namespace {

const QString kDocument = QStringLiteral(DIRECTFAX_SOURCE_DIR "/tests/fixtures/fax/three-pages.pdf");
constexpr int kSessionWaitSeconds = 2;

class FaxHandOverTest : public DemoPrinterTest {
protected:
    void SetUp() override {
        printer.offerFaxPrinter({kBin + "/tools/fax-handover/directfax-handover",
                                 kBin + "/host/samples/DirectFaxFaxPrinter.ppd", kSessionWaitSeconds,
                                 1024 * 1024, 10});
        DemoPrinterTest::SetUp();
    }

    // `lp` to the fax printer as `user` (empty: this user); the job id, 0 when lp refused it.
    int lp(const QString& user = {}) {
        QProcess process;
        QStringList arguments{"-h", printer.server(), "-d", printer.faxPrinter(), "-t", "from any program"};
        if (!user.isEmpty())
            arguments << "-U" << user;
        process.start("lp", arguments << kDocument);
        process.waitForFinished(30000);
        const QString said = QString::fromLocal8Bit(process.readAll());
        const QRegularExpressionMatch id = QRegularExpression("-(\\d+) ").match(said);
        EXPECT_TRUE(id.hasMatch()) << said.toStdString() << process.readAllStandardError().toStdString();
        return id.hasMatch() ? id.captured(1).toInt() : 0;
    }

    // Waits until `job` is done, however it ended; its attributes as its owner sees them.
    Attributes finished(int job, int milliseconds) {
        Attributes attributes;
        waitUntil(
            [&] {
                attributes = jobAttributes(job, cupsUser(), true);
                const QString state = valueOf(attributes, "job-state");
                return state == "completed" || state == "aborted" || state == "canceled";
            },
            milliseconds);
        return attributes;
    }

    // The names in `folder` (the agent's lock included).
    static QStringList entries(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    bool startAgent(const QStringList& hostArguments) {
        QString error;
        const bool started = printer.startFaxAgent(kBin + "/tools/fax-agent/directfax-fax-agent",
                                                   kBin + "/host/directfax-print", hostArguments, &error);
        EXPECT_TRUE(started) << error.toStdString();
        return started;
    }
};

TEST_F(FaxHandOverTest, APrintedDocumentIsFaxedFromTheDialogTheAgentOpens) {
    // The fax printer is a queue of its own next to the demo's FaxOut queue.
    EXPECT_EQ(HostPrinter::queryDeviceURI(printer.faxPrinter()), "directfax-handover:/");
    EXPECT_TRUE(HostPrinter::queryDeviceURI(printer.faxOutQueue()).startsWith("ipp://127.0.0.1:"));
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning());
    // What an agent of a killed session left goes at the next start, unopened.
    ASSERT_TRUE(QDir().mkpath(printer.faxInbox()));
    ::chmod(QFile::encodeName(printer.faxInbox()).constData(), 0700);
    const QString leftover = printer.faxInbox() + "/left behind.pdf";
    ASSERT_TRUE(QFile::copy(kDocument, leftover));
    ASSERT_TRUE(startAgent({"--dry-run", "--fax-to", "0301234567"}));
    EXPECT_FALSE(QFile::exists(leftover));
    // A link planted in the inbox under a document's name is no document.
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("outside.pdf");
    ASSERT_TRUE(QFile::copy(kDocument, outside));
    ASSERT_TRUE(QFile::link(outside, printer.faxInbox() + "/planted.pdf"));

    const int job = lp();
    ASSERT_GT(job, 0);
    EXPECT_EQ(valueOf(finished(job, 30000), "job-state"), "completed")
        << printer.scheduler().errorLogTail().toStdString();
    ASSERT_TRUE(waitUntil([&] { return filedJobs().size() == 1 && settle(std::chrono::seconds(0)); }, 60000))
        << printer.scheduler().errorLogTail().toStdString();
    const QJsonObject record = filedRecord(filedJobs().first());
    EXPECT_TRUE(QJsonDocument(record).toJson().contains("0301234567"))
        << QJsonDocument(record).toJson().toStdString();
    // Once the dialog closed, the document is gone; the planted link was never opened.
    EXPECT_TRUE(waitUntil([&] {
        return entries(printer.faxInbox()) == QStringList{".agent", "planted.pdf"};
    })) << entries(printer.faxInbox()).join(' ').toStdString();
    EXPECT_TRUE(QFile::exists(outside));
    EXPECT_EQ(filedJobs().size(), 1);
    // The dialog does not offer the fax printer, which would only open another dialog.
    EXPECT_EQ(HostPrinter::queueNames(), QStringList({printer.queue(), printer.faxOutQueue()}));
}

TEST_F(FaxHandOverTest, ACancelledDialogDropsTheDocument) {
    PrivateSessionBus bus;
    // Nobody answers the fax-job dialog of a dry run: it is cancelled.
    ASSERT_TRUE(startAgent({"--dry-run"}));
    const int job = lp();
    ASSERT_GT(job, 0);
    EXPECT_EQ(valueOf(finished(job, 30000), "job-state"), "completed");
    EXPECT_TRUE(waitUntil([&] { return entries(printer.faxInbox()) == QStringList{".agent"}; }, 30000))
        << entries(printer.faxInbox()).join(' ').toStdString();
    EXPECT_EQ(schedulerJobCount(), 1); // the fax printer's job only: no fax
}

TEST_F(FaxHandOverTest, WithoutAnAgentTheJobFailsWithinTheWaitAndSaysWhy) {
    QElapsedTimer clock;
    clock.start();
    const int job = lp();
    ASSERT_GT(job, 0);
    const Attributes attributes = finished(job, 30000);
    EXPECT_EQ(valueOf(attributes, "job-state"), "aborted");
    EXPECT_LT(clock.elapsed(), (kSessionWaitSeconds + 8) * 1000);
    EXPECT_TRUE(valueOf(attributes, "job-printer-state-message").contains("fax agent does not run"))
        << valueOf(attributes, "job-printer-state-message").toStdString();
    // Only the job failed: the fax printer is not stopped for the next one.
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/printers/" + printer.faxPrinter().toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    EXPECT_EQ(valueOf(ask(request, cupsUser(), false), "printer-state"), "idle");
}

// Without root, the scheduler and its backend run as this user, who may hand nothing to another.
TEST_F(FaxHandOverTest, AnotherUsersJobNeverReachesThisUsersInbox) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "as root the job of another user goes to that user: the next test";
    ASSERT_TRUE(startAgent({"--dry-run", "--fax-to", "0301234567"}));
    const int job = lp("root");
    ASSERT_GT(job, 0);
    const Attributes attributes = finished(job, 30000);
    EXPECT_EQ(valueOf(attributes, "job-state"), "aborted");
    EXPECT_TRUE(valueOf(attributes, "job-printer-state-message").contains("only to the user it runs as"))
        << valueOf(attributes, "job-printer-state-message").toStdString();
    EXPECT_EQ(entries(printer.faxInbox()), QStringList{".agent"});
    EXPECT_TRUE(filedJobs().isEmpty());
}

TEST_F(FaxHandOverTest, AnotherUsersJobReachesOnlyThatUsersInbox) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a job of another user is handed over only by a backend that runs as root";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    // The other user's session, with their agent's lock held (as their agent would hold it).
    const QString session = QStringLiteral("%1/%2").arg(printer.sessionsRoot()).arg(nobody->pw_uid);
    const QString theirInbox = session + "/directfax-inbox";
    for (const QString& folder : {session, theirInbox}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
    }
    const int lock = ::open(QFile::encodeName(theirInbox + "/.agent").constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::fchown(lock, nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    ASSERT_TRUE(startAgent({"--dry-run", "--fax-to", "0301234567"}));

    const int job = lp("nobody");
    ASSERT_GT(job, 0);
    const Attributes attributes = finished(job, 30000);
    EXPECT_EQ(valueOf(attributes, "job-state"), "completed")
        << valueOf(attributes, "job-printer-state-message").toStdString();
    ::close(lock);
    QStringList theirs = entries(theirInbox);
    theirs.removeAll(".agent");
    ASSERT_EQ(theirs.size(), 1) << theirs.join(' ').toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(theirInbox + '/' + theirs.first()).constData(), &info), 0);
    EXPECT_EQ(info.st_uid, nobody->pw_uid);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Nothing reached this user's inbox, agent or printer.
    EXPECT_EQ(entries(printer.faxInbox()), QStringList{".agent"});
    EXPECT_TRUE(filedJobs().isEmpty());
}

TEST_F(FaxHandOverTest, OneCommandAddsTheFaxPrinter) {
    const struct {
        const char* name;
        int exitCode;
    } rows[] = {{"Office-Fax", 0}, {"Office Fax", 1}, {"Fax/2", 1}};
    for (const auto& row : rows) {
        QProcess host;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CUPS_SERVER", printer.server());
        host.setProcessEnvironment(environment);
        host.start(kBin + "/host/directfax-print", {"--add-fax-printer", row.name});
        ASSERT_TRUE(host.waitForFinished(30000));
        EXPECT_EQ(host.exitCode(), row.exitCode) << row.name << host.readAllStandardError().toStdString();
        if (row.exitCode != 0)
            continue;
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        const QByteArray uri = QByteArray("ipp://localhost/printers/") + row.name;
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
        const Attributes queue = ask(request, cupsUser(), false);
        EXPECT_EQ(valueOf(queue, "device-uri"), "directfax-handover:/");
        EXPECT_EQ(valueOf(queue, "printer-error-policy"), "abort-job");
        EXPECT_EQ(valueOf(queue, "printer-is-shared"), "false");
        EXPECT_EQ(valueOf(queue, "printer-is-accepting-jobs"), "true");
    }
}

} // namespace
