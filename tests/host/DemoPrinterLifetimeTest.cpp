// The demo fax printer lives as long as the host: its servers die with it however it ends, a run
// that was killed is cleaned up by the next, and closing the host waits for every job its queue
// holds, whoever sent it.
#include "CupsSubmitter.h"
#include "DemoPrinterTest.h"
#include "HostDocument.h"
#include "HostProcess.h"
#include "RunFolder.h"
#include "SecondUser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using host_process::HostProcess;

namespace {

bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// The program with its demo printer up.
class RunningHost : public ::testing::Test {
protected:
    void SetUp() override {
        QString why;
        bool canRun = true;
        if (host.start(outbox.path(), &why, &canRun))
            return;
        if (!canRun)
            GTEST_SKIP() << "The demo fax printer cannot run here: " << why.toStdString();
        FAIL() << why.toStdString();
    }

    QTemporaryDir outbox;
    HostProcess host;
};

} // namespace

TEST(RunFolder, RemovesWhatKilledRunsLeftAndNothingElse) {
    QTemporaryDir parent;
    const QString prefix = QStringLiteral("directfax-test-");
    // A child that will be gone: its process id marks a folder whose owner is dead.
    QProcess gone;
    gone.start("true");
    ASSERT_TRUE(gone.waitForFinished());
    const qint64 deadPid = gone.processId() > 0 ? gone.processId() : 999999;
    struct Row {
        const char* name;
        QByteArray mark; // empty: no mark
        bool removed;
    };
    const QByteArray alive = [] {
        QFile stat("/proc/self/stat");
        stat.open(QIODevice::ReadOnly);
        const QByteArray text = stat.readAll();
        return QByteArray::number(::getpid()) + ' ' + text.mid(text.lastIndexOf(')') + 2).split(' ').at(19);
    }();
    const Row rows[] = {
        {"directfax-test-live", alive, false},
        {"directfax-test-dead", QByteArray::number(deadPid) + " 1", true},
        {"directfax-test-reused", QByteArray::number(::getpid()) + " 1", true}, // same id, other start
        {"directfax-test-new", {}, false},                                      // being made right now
        {"other-dead", QByteArray::number(deadPid) + " 1", false},              // not ours to touch
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(QDir(parent.path()).mkdir(row.name));
        if (!row.mark.isEmpty()) {
            QFile mark(parent.filePath(row.name) + "/owner");
            ASSERT_TRUE(mark.open(QIODevice::WriteOnly));
            mark.write(row.mark);
        }
    }
    // A server a killed run left behind, running from its folder.
    QProcess leftover;
    leftover.start("sleep", {"600", parent.filePath("directfax-test-dead") + "/cupsd.conf"});
    ASSERT_TRUE(leftover.waitForStarted());

    EXPECT_EQ(RunFolder::removeAbandoned(parent.path(), prefix), 2);
    for (const Row& row : rows)
        EXPECT_EQ(QFileInfo::exists(parent.filePath(row.name)), !row.removed) << row.name;
    EXPECT_TRUE(leftover.waitForFinished(5000));
}

TEST_F(RunningHost, ASignalStopsTheDemoPrinterWithTheProgram) {
    ASSERT_TRUE(host.end(SIGTERM));
    EXPECT_EQ(host.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(host.process.exitCode(), 128 + SIGTERM);
    EXPECT_TRUE(host.running().isEmpty()) << host.running().join(' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(host.folder)) << host.folder.toStdString();
}

TEST_F(RunningHost, AKilledHostTakesItsServersWithItAndTheNextRunCleansUp) {
    ASSERT_TRUE(host.end(SIGKILL));
    // The scheduler and the emulator follow (the scheduler takes a moment to stop its jobs).
    EXPECT_TRUE(waitUntil([&] { return host.running().isEmpty(); }, 15000))
        << host.running().join(' ').toStdString();
    // The next private server of this user removes what the killed run left (another test running
    // at the same time may be that next one, and still be at it).
    PrivateCupsd next;
    EXPECT_TRUE(waitUntil([&] { return !QFileInfo::exists(host.folder); }, 5000))
        << host.folder.toStdString();
}

TEST_F(RunningHost, ClosingTheHostWaitsForTheJobsOthersSentToItsQueue) {
    // A job as directfax-send makes it, straight into the queue, and at once the host is told to
    // stop: the job still reaches the printer.
    demo_printer_test::ensureApplication();
    cupsSetServer(QFile::encodeName(host.server).constData());
    QString error;
    const int job = demo_printer_test::submitRecord(DemoFaxPrinter::kQueueName,
                                                    demo_printer_test::recordTo("0301"), &error);
    cupsSetServer(nullptr);
    ASSERT_GT(job, 0) << error.toStdString();
    ASSERT_TRUE(host.end(SIGTERM));
    EXPECT_EQ(QDir(outbox.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"job-000001"})
        << host.errors.toStdString();
}

TEST(FaxProgram, RunsTheDemoPrinterForAnOrdinaryUser) {
    // An ordinary user of Debian has no /usr/sbin (where cupsd and lpadmin live) on the PATH.
    const QString program = QStringLiteral(DIRECTFAX_BINARY_DIR "/host/directfax-print");
    for (const QString& why : {second_user::unavailable(), second_user::cannotRun(program)})
        if (!why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    QTemporaryDir home;
    ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), 65534, 65534), 0);
    QTemporaryDir noPlugins;
    ::chmod(QFile::encodeName(noPlugins.path()).constData(), 0755);
    QProcess host;
    QProcessEnvironment environment;
    for (const auto& [name, value] : {std::pair{"PATH", QString("/usr/local/bin:/usr/bin:/bin")},
                                      {"HOME", home.path()},
                                      {"TMPDIR", home.path()},
                                      {"XDG_RUNTIME_DIR", home.path()},
                                      {"QT_QPA_PLATFORM", QString("offscreen")}})
        environment.insert(name, value);
    host.setProcessEnvironment(environment);
    host.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", program, "--plugins",
                           noPlugins.path(), "--outbox", home.filePath("outbox"), "--dry-run"});
    ASSERT_TRUE(host.waitForFinished(120000));
    const QString err = QString::fromUtf8(host.readAllStandardError());
    // Without the fax panel the job carries no record, which the filter refuses: it went through
    // the private server all the same.
    EXPECT_FALSE(err.contains("sample printer is used")) << err.toStdString();
    EXPECT_TRUE(host.readAllStandardOutput().contains("submitted: DirectFax-")) << err.toStdString();
}
