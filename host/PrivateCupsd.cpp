#include "PrivateCupsd.h"

#include "ParentDeath.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cups/cups.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr int kStartMs = 10000;
constexpr int kAdministrationMs = 30000;

bool accepts(const QString& socketPath) {
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Starts `argv` as a child that gets SIGTERM when this process dies; -1 when it cannot start.
pid_t spawnTied(char* const argv[]) {
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        dieWithParent(parent, SIGTERM);
        ::execve(argv[0], argv, environ);
        ::_exit(127);
    }
    return child;
}

} // namespace

PrivateCupsd::PrivateCupsd() : dir(QLatin1String(kFolderPrefix)), foldersMade(makeFolders()) {}

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
    return privateFolder() + QStringLiteral("/cups.sock");
}

bool PrivateCupsd::makeFolders() {
    if (!dir.isValid())
        return false;
    const QString root = dir.path();
    // The folder stays closed to others; as root, cupsd runs its filters as "lp", who must be able
    // to walk through it to the programs and the spool (not to list it). The sockets lie in a
    // folder of their own that nobody else may enter.
    ::chmod(QFile::encodeName(root).constData(), ::geteuid() == 0 ? 0711 : 0700);
    for (const char* sub : {"serverroot", "state", "cache", "spool", "spool/tmp", "logs", "run"}) {
        if (!QDir(root).mkpath(QString::fromLatin1(sub)))
            return false;
    }
    // The logs name jobs and users: they are the owner's alone as well.
    return ::chmod(QFile::encodeName(privateFolder()).constData(), 0700) == 0 &&
           ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("logs"))).constData(), 0700) == 0;
}

bool PrivateCupsd::writeConfiguration(QString* error) {
    const QString root = dir.path();
    const bool asRoot = ::geteuid() == 0;
    const QByteArray r = QFile::encodeName(root);
    QByteArray policyLines;
    for (const QString& line : jobPrivacyConfiguration(privateValues).split('\n', Qt::SkipEmptyParts))
        policyLines += "  " + line.toUtf8() + "\n";
    const QByteArray cupsdConf = "Listen " + QFile::encodeName(server()) +
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
                           "/logs/error_log\n" + "PageLog " + r + "/logs/page_log\n" + "FileDevice No\n";
    if (!serverBin.isEmpty())
        filesConf += "ServerBin " + QFile::encodeName(serverBin) + "\n";
    if (asRoot) {
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
    if (!foldersMade) {
        *error = QStringLiteral("cannot make a private folder in %1").arg(QDir::tempPath());
        return false;
    }
    QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"));
    // Debian keeps it in /usr/sbin, which is not on an ordinary user's PATH.
    if (cupsd.isEmpty())
        cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
    if (cupsd.isEmpty()) {
        *error = QStringLiteral("cupsd is not installed (Debian package cups-daemon)");
        return false;
    }
    if (!writeConfiguration(error))
        return false;
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
    pid = spawnTied(argv);
    if (pid < 0) {
        *error = QStringLiteral("cannot start %1").arg(cupsd);
        return false;
    }
    for (int waited = 0; waited < kStartMs; waited += 20) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            *error = QStringLiteral("cupsd exited with status %1: %2").arg(status).arg(errorLogTail());
            return false;
        }
        if (accepts(server()))
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
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
}

bool PrivateCupsd::addQueue(const Queue& queue, QString* error) const {
    const QByteArray socket = QFile::encodeName(server());
    http_t* http = httpConnect2(socket.constData(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1,
                                kAdministrationMs, nullptr);
    if (!http) {
        *error = QStringLiteral("the private CUPS server does not answer");
        return false;
    }
    const bool added = addQueueOn(http, queue, error);
    httpClose(http);
    return added;
}

bool PrivateCupsd::addQueueOn(http_t* http, const Queue& queue, QString* error) {
    const QByteArray uri = "ipp://localhost/printers/" + queue.name.toUtf8();
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
                 queue.deviceUri.toUtf8().constData());
    ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [name, value] : queue.defaultOptions)
        count = cupsAddOption((name + QStringLiteral("-default")).toUtf8().constData(),
                              value.toUtf8().constData(), count, &options);
    for (const auto& [name, value] : queue.attributes)
        count = cupsAddOption(name.toUtf8().constData(), value.toUtf8().constData(), count, &options);
    cupsEncodeOptions2(request, count, options, IPP_TAG_PRINTER);
    cupsFreeOptions(count, options);
    const QByteArray ppd = QFile::encodeName(queue.ppd);
    ippDelete(cupsDoFileRequest(http, request, "/admin/", ppd.isEmpty() ? nullptr : ppd.constData()));
    const bool added = cupsLastError() <= IPP_STATUS_OK_CONFLICTING;
    if (!added)
        *error = QStringLiteral("the queue %1 could not be added: %2")
                     .arg(queue.name, QString::fromUtf8(cupsLastErrorString()));
    return added;
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
    const qint64 size = log.size();
    log.seek(std::max<qint64>(0, size - 1500));
    return QString::fromLocal8Bit(log.read(1500));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
