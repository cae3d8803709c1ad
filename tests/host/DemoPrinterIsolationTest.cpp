// What another local user can do to the demo fax printer of the user who runs it: nothing. The
// scheduler is reachable only through a socket in a folder of its owner's, with no network
// listener; the printer's print socket and the outbox are closed the same way. On a system CUPS
// server the lines the host prints keep the fax record from other users as well.
#include "CupsSubmitter.h"
#include "DemoPrinterTest.h"
#include "HostDocument.h"
#include "LoopbackPort.h"
#include "SecondUser.h"
#include "Utils.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace demo_printer_test;

namespace {

// A job with a fax record whose password and destination no other user may read.
int submitPrivateRecord(const QString& queue) {
    Record record = recordTo("0307654321");
    record["DFaxPassword"] = CreateEncryptedString("4711", kCFStringEncodingUTF8);
    QString error;
    const int job = submitRecord(queue, record, &error);
    EXPECT_GT(job, 0) << error.toStdString();
    return job;
}

// The inodes of the TCP sockets that listen on this machine.
QSet<QByteArray> listeningTcpInodes() {
    QSet<QByteArray> inodes;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(table);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 9 && fields.at(3) == "0A") // TCP_LISTEN
                inodes.insert(fields.at(9));
        }
    }
    return inodes;
}

class DemoPrinterIsolation : public DemoPrinterTest {};

} // namespace

TEST_F(DemoPrinterIsolation, TheSchedulerListensOnNoNetworkPort) {
    const QSet<QByteArray> listening = listeningTcpInodes();
    const QString fds = QStringLiteral("/proc/%1/fd").arg(printer.scheduler().processId());
    const QStringList entries = QDir(fds).entryList(QDir::Files | QDir::System);
    ASSERT_FALSE(entries.isEmpty());
    for (const QString& fd : entries) {
        const QString target = QFile::symLinkTarget(fds + '/' + fd);
        const QByteArray inode = target.section('[', 1).section(']', 0, 0).toLatin1();
        EXPECT_FALSE(target.startsWith("socket:") && listening.contains(inode)) << target.toStdString();
    }
}

TEST_F(DemoPrinterIsolation, AnotherUserReachesNeitherServerNorFax) {
    if (const QString why = second_user::unavailable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const int job = submitPrivateRecord(printer.queue());
    ASSERT_TRUE(settle());
    ASSERT_EQ(filedJobs().size(), 1);
    // A home that useradd made lets everyone walk in; the outbox itself must keep them out.
    ::chmod(QFile::encodeName(outboxDir.path()).constData(), 0755);
    const QString record = filedPath(filedJobs().first(), "record.json");
    const QString password = kPrefix + "DFaxPassword";
    struct Row {
        const char* attempt;
        QStringList probe;
    };
    const Row rows[] = {
        {"read the record claiming to be its owner",
         {"job", printer.server(), QString::number(job), cupsUser(), password}},
        {"add a queue with a program of one's own", {"add-queue", printer.server()}},
        {"file a job of one's own with the printer", {"send", printer.printSocket()}},
        {"read the printer's address book",
         {"get", QString::number(printer.devicePort()), "/abif/v1/status"}},
        {"list the outbox", {"list", printer.outbox()}},
        {"read a filed record", {"read", record}},
        {"list the scheduler's sockets", {"list", printer.scheduler().privateFolder()}},
    };
    for (const Row& row : rows) {
        const second_user::Outcome outcome = second_user::probe(row.probe, "DIRECTFAX-FAX-JOB 1\n");
        EXPECT_TRUE(outcome.keptOut()) << row.attempt << ": " << outcome.output.toStdString();
    }
    EXPECT_EQ(filedJobs().size(), 1);
}

TEST(SystemCups, ThePrintedPolicyKeepsTheRecordFromOtherUsers) {
    // A scheduler set up as Debian sets up the system's (a network port and a socket everyone may
    // use, passwords for administration), with the lines directfax-print --cupsd-private-values
    // prints in its default policy.
    if (const QString why = second_user::unavailable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const QString cupsd = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
    if (cupsd.isEmpty())
        GTEST_SKIP() << "cupsd is not installed";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    for (const char* sub : {"root", "state", "cache", "spool/tmp", "logs", "run"})
        ASSERT_TRUE(QDir(dir.path()).mkpath(sub));
    const int port = com::velmora::cps::print::pde::tarncrest::directfax::testing::unusedLoopbackPort();
    const QString socket = dir.filePath("run/cups.sock");
    QString policy = DemoFaxPrinter::privateValuesConfiguration();
    policy.replace(QRegularExpression("^", QRegularExpression::MultilineOption), "  ");
    QFile conf(dir.filePath("cupsd.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(
        QStringLiteral("Listen 127.0.0.1:%1\nListen %2\nDefaultAuthType Basic\nBrowsing No\n"
                       "<Location />\n  Order allow,deny\n  Allow localhost\n</Location>\n"
                       "<Policy default>\n%3"
                       "  <Limit CUPS-Add-Modify-Printer CUPS-Delete-Printer Pause-Printer Resume-Printer>\n"
                       "    AuthType Default\n    Require user @SYSTEM\n    Order deny,allow\n  </Limit>\n"
                       "  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
            .arg(port)
            .arg(socket, policy)
            .toUtf8());
    conf.close();
    QFile files(dir.filePath("cups-files.conf"));
    ASSERT_TRUE(files.open(QIODevice::WriteOnly));
    const QString d = dir.path();
    files.write(
        QStringLiteral("ServerRoot %1/root\nStateDir %1/state\nCacheDir %1/cache\nRequestRoot %1/spool\n"
                       "TempDir %1/spool/tmp\nErrorLog %1/logs/error_log\nAccessLog %1/logs/access_log\n"
                       "User lp\nGroup lp\nSystemGroup root\n")
            .arg(d)
            .toUtf8());
    files.close();
    QProcess scheduler;
    scheduler.start(cupsd, {"-f", "-c", conf.fileName(), "-s", files.fileName()});
    for (int i = 0; i < 200 && !QFile::exists(socket); ++i)
        QThread::msleep(20);
    QThread::msleep(200);
    QProcess lpadmin;
    lpadmin.start("/usr/sbin/lpadmin", {"-h", socket, "-p", "fax", "-v", "ipp://127.0.0.1:9/none", "-E"});
    ASSERT_TRUE(lpadmin.waitForFinished(30000) && lpadmin.exitCode() == 0)
        << lpadmin.readAllStandardError().toStdString();

    ensureApplication();
    cupsSetServer(QFile::encodeName(socket).constData());
    const int job = submitPrivateRecord("fax");
    cupsSetServer(nullptr);
    const QString key = kPrefix + "DFaxDestinationPhoneNumber1";
    // The owner, known by the socket, reads the record; the other user, claiming the owner's name
    // over the network port or the socket, does not.
    QProcess owner;
    owner.start(second_user::probeProgram(), {"job", socket, QString::number(job), cupsUser(), key});
    ASSERT_TRUE(owner.waitForFinished(30000));
    EXPECT_EQ(owner.readAll().trimmed(), "0307654321");
    for (const QString& server : {QStringLiteral("127.0.0.1:%1").arg(port), socket}) {
        const second_user::Outcome other =
            second_user::probe({"job", server, QString::number(job), cupsUser(), key});
        EXPECT_FALSE(other.output.contains("0307654321"))
            << server.toStdString() << other.output.toStdString();
        EXPECT_FALSE(other.output.isEmpty()) << server.toStdString();
    }
    scheduler.terminate();
    scheduler.waitForFinished(10000);
}
