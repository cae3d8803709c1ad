#include "PrivateCupsd.h"

#include "LoopbackPort.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <arpa/inet.h>
#include <csignal>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(quint16(port));
    return address;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

PrivateCupsd::PrivateCupsd() = default;

QString PrivateCupsd::jobPrivacyConfiguration(const QStringList& names) {
    if (names.isEmpty())
        return QStringLiteral("JobPrivateAccess all\nJobPrivateValues none\n");
    // CUPS' default private values first; a few names a line, as cupsd reads lines of limited
    // length and adds repeated lines up.
    QString text = QStringLiteral("JobPrivateAccess default\n"
                                  "JobPrivateValues job-name job-originating-host-name "
                                  "job-originating-user-name phone\n");
    for (qsizetype i = 0; i < names.size(); i += 8)
        text +=
            QStringLiteral("JobPrivateValues ") + names.mid(i, 8).join(QLatin1Char(' ')) + QLatin1Char('\n');
    return text;
}

PrivateCupsd::~PrivateCupsd() {
    stop();
}

QString PrivateCupsd::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

bool PrivateCupsd::writeConfiguration(QString* error) {
    const QString root = dir.path();
    // cupsd and the programs it runs as another user walk into these folders.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    for (const char* sub : {"serverroot", "state", "cache", "spool", "spool/tmp", "logs"}) {
        if (!QDir(root).mkpath(QString::fromLatin1(sub))) {
            *error = QStringLiteral("cannot make %1 in %2").arg(QLatin1String(sub), root);
            return false;
        }
    }
    const QByteArray r = QFile::encodeName(root);
    QByteArray policyLines;
    for (const QString& line : jobPrivacyConfiguration(privateValues).split('\n', Qt::SkipEmptyParts))
        policyLines += "  " + line.toUtf8() + "\n";
    const QByteArray cupsdConf = "Listen 127.0.0.1:" + QByteArray::number(port) +
                                 "\n"
                                 "LogLevel warn\n"
                                 "DefaultAuthType None\n"
                                 "WebInterface No\n"
                                 "Browsing No\n"
                                 "<Location />\n"
                                 "  Order allow,deny\n"
                                 "  Allow all\n"
                                 "</Location>\n"
                                 "<Policy default>\n" +
                                 policyLines +
                                 "  SubscriptionPrivateAccess all\n"
                                 "  SubscriptionPrivateValues none\n"
                                 "  <Limit All>\n"
                                 "    Order deny,allow\n"
                                 "    Allow all\n"
                                 "  </Limit>\n"
                                 "</Policy>\n";
    QByteArray filesConf = "ServerRoot " + r + "/serverroot\n" + "StateDir " + r + "/state\n" + "CacheDir " +
                           r + "/cache\n" + "RequestRoot " + r + "/spool\n" + "TempDir " + r +
                           "/spool/tmp\n" + "AccessLog " + r + "/logs/access_log\n" + "ErrorLog " + r +
                           "/logs/error_log\n" + "PageLog " + r + "/logs/page_log\n" + "FileDevice Yes\n";
    if (!serverBin.isEmpty())
        filesConf += "ServerBin " + QFile::encodeName(serverBin) + "\n";
    if (::geteuid() == 0) {
        // As root cupsd runs its helpers as an unprivileged user, and refuses root for that.
        filesConf += "User lp\nGroup lp\nSystemGroup root\n";
    } else if (const group* primary = ::getgrgid(::getegid())) {
        filesConf += "SystemGroup " + QByteArray(primary->gr_name) + "\n";
    }
    if (!writeFile(root + "/cupsd.conf", cupsdConf) || !writeFile(root + "/cups-files.conf", filesConf)) {
        *error = QStringLiteral("cannot write the configuration into %1").arg(root);
        return false;
    }
    return true;
}

bool PrivateCupsd::start(QString* error) {
    if (!dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"));
    if (cupsd.isEmpty())
        cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
    if (cupsd.isEmpty()) {
        *error = QStringLiteral("cupsd is not installed (Debian package cups-daemon)");
        return false;
    }
    port = unusedLoopbackPort();
    if (port == 0 || !writeConfiguration(error)) {
        if (error->isEmpty())
            *error = QStringLiteral("no free loopback port");
        return false;
    }
    const QByteArray program = QFile::encodeName(cupsd);
    const QByteArray conf = QFile::encodeName(dir.filePath("cupsd.conf"));
    const QByteArray files = QFile::encodeName(dir.filePath("cups-files.conf"));
    char* argv[] = {const_cast<char*>(program.constData()),
                    const_cast<char*>("-f"),
                    const_cast<char*>("-c"),
                    const_cast<char*>(conf.constData()),
                    const_cast<char*>("-s"),
                    const_cast<char*>(files.constData()),
                    nullptr};
    if (::posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0) {
        pid = -1;
        *error = QStringLiteral("cannot start %1").arg(cupsd);
        return false;
    }
    for (int waited = 0; waited < 10000; waited += 20) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            *error = QStringLiteral("cupsd exited with status %1: %2").arg(status).arg(errorLogTail());
            return false;
        }
        if (accepts(port))
            return true;
        QThread::msleep(20);
    }
    stop();
    *error = QStringLiteral("cupsd did not answer on %1: %2").arg(server(), errorLogTail());
    return false;
}

void PrivateCupsd::stop() {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

bool PrivateCupsd::lpadmin(const QStringList& arguments, QString* error) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("lpadmin"), QStringList{"-h", server()} + arguments);
    const bool ran = process.waitForFinished(30000);
    const bool ok = ran && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok && error)
        *error =
            QStringLiteral("lpadmin %1 failed: %2%3")
                .arg(arguments.join(' '), QString::fromLocal8Bit(process.readAll()), process.errorString());
    return ok;
}

QByteArray PrivateCupsd::localCertificate() const {
    QFile certificate(dir.filePath("state/certs/0"));
    if (!certificate.open(QIODevice::ReadOnly))
        return {};
    return certificate.readAll().trimmed();
}

QString PrivateCupsd::errorLogTail() const {
    QFile log(dir.filePath("logs/error_log"));
    if (!log.open(QIODevice::ReadOnly))
        return QStringLiteral("(no error log)");
    const QByteArray text = log.readAll();
    return QString::fromLocal8Bit(text.right(1500));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
