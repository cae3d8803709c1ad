#include "FaxAgent.h"

#include "FaxInbox.h"
#include "ParentDeath.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::agent {

namespace {

using faxinbox::kAgentLockName;

// True when `path` is a folder (not a link) of this user's that no one else may enter; made so
// when it is missing.
bool privateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

// Whether `name` is a whole document the backend handed over (not a hidden part file, not the lock).
bool isDocument(const QString& name) {
    return !name.startsWith(QLatin1Char('.')) && name.endsWith(QLatin1String(".pdf"));
}

} // namespace

QString defaultInbox() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QString() : runtime + QLatin1Char('/') + QLatin1String(faxinbox::kInboxName);
}

FaxAgent::FaxAgent(Options agentOptions, QObject* parent)
    : QObject(parent), options(std::move(agentOptions)) {
    host.setProcessChannelMode(QProcess::ForwardedChannels);
    const pid_t agent = ::getpid();
    host.setChildProcessModifier([agent] { platform::dieWithParent(agent, SIGTERM); });
    connect(&host, &QProcess::finished, this, &FaxAgent::finishCurrent);
    connect(&host, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        qWarning("directfax-fax-agent: cannot start %s", qPrintable(options.host));
        finishCurrent(-1);
    });
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &FaxAgent::scan);
}

FaxAgent::~FaxAgent() {
    if (host.state() != QProcess::NotRunning) {
        host.terminate();
        if (!host.waitForFinished(5000))
            host.kill();
        host.waitForFinished(5000);
    }
    if (lockFd >= 0)
        ::close(lockFd);
}

bool FaxAgent::start(QString* error) {
    if (options.inbox.isEmpty() || !privateFolder(options.inbox)) {
        *error = tr("The fax inbox \"%1\" is not a private folder of yours.").arg(options.inbox);
        return false;
    }
    const QByteArray lock = QFile::encodeName(QDir(options.inbox).filePath(QLatin1String(kAgentLockName)));
    timespec locked{};
    // The clock of file times, which may lag the precise one.
    ::clock_gettime(CLOCK_REALTIME_COARSE, &locked);
    lockFd = ::open(lock.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lockFd < 0 || ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        *error = lockFd >= 0 && errno == EWOULDBLOCK
                     ? tr("Another fax agent already runs for \"%1\".").arg(options.inbox)
                     : tr("Cannot lock the fax inbox \"%1\".").arg(options.inbox);
        return false;
    }
    // What lay here before this agent took the lock was left by one that is gone, with its
    // dialogs; what the backend has handed over since is this agent's.
    const QDir inbox(options.inbox);
    for (const QString& name :
         inbox.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = inbox.filePath(name);
        struct stat info {};
        if (name != QLatin1String(kAgentLockName) &&
            ::lstat(QFile::encodeName(path).constData(), &info) == 0 &&
            (info.st_mtim.tv_sec < locked.tv_sec ||
             (info.st_mtim.tv_sec == locked.tv_sec && info.st_mtim.tv_nsec < locked.tv_nsec)))
            QFile::remove(path);
    }
    watcher.addPath(options.inbox);
    scan();
    return true;
}

void FaxAgent::scan() {
    const QDir inbox(options.inbox);
    for (const QString& name : inbox.entryList(QDir::Files | QDir::NoSymLinks, QDir::Name)) {
        const QString path = inbox.filePath(name);
        if (isDocument(name) && path != current && !waiting.contains(path))
            waiting << path;
    }
    openNext();
}

void FaxAgent::finishCurrent(int exitCode) {
    QFile::remove(current);
    emit documentDone(current, exitCode);
    current.clear();
    openNext();
}

void FaxAgent::openNext() {
    if (host.state() != QProcess::NotRunning || !current.isEmpty())
        return;
    while (!waiting.isEmpty() && current.isEmpty()) {
        const QString next = waiting.takeFirst();
        if (QFile::exists(next))
            current = next;
    }
    if (current.isEmpty())
        return;
    host.start(options.host, options.hostArguments + QStringList{QStringLiteral("--printer"), options.queue,
                                                                 QStringLiteral("--"), current});
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::agent
