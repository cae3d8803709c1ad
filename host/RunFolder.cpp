#include "RunFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// A socket's path holds at most 107 bytes; the servers' sockets lie two levels below the folder.
constexpr qsizetype kMaxParentLength = 60;
// A folder without its owner mark is being made right now, unless it is older than this.
constexpr qint64 kUnmarkedGraceSeconds = 60;
// The most of a process's command line read when looking for a folder in it.
constexpr qint64 kMaxCommandLine = 64 * 1024;

// The start time of process `pid` (clock ticks since boot, the 22nd field of its stat file), or
// empty when there is no such process.
QByteArray startTimeOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.read(4096);
    // The command name in brackets may hold spaces and brackets; the fields follow the last ")".
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? fields.at(19) : QByteArray();
}

QByteArray ownerMark(qint64 pid) {
    return QByteArray::number(pid) + ' ' + startTimeOf(pid) + '\n';
}

bool ownerIsAlive(const QString& folder) {
    QFile mark(folder + QLatin1Char('/') + QLatin1String(RunFolder::kOwnerFile));
    if (!mark.open(QIODevice::ReadOnly))
        return QFileInfo(folder).lastModified().secsTo(QDateTime::currentDateTime()) < kUnmarkedGraceSeconds;
    const QList<QByteArray> fields = mark.read(64).trimmed().split(' ');
    bool number = false;
    const qint64 pid = fields.value(0).toLongLong(&number);
    return number && pid > 0 && fields.size() == 2 && startTimeOf(pid) == fields.at(1);
}

// Kills this user's processes whose command line names a file in `folder`.
void killProcessesUsing(const QString& folder) {
    const QByteArray needle = QFile::encodeName(folder) + '/';
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : processes) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        struct stat info {};
        if (!number || pid == ::getpid() ||
            ::stat(QFile::encodeName(QStringLiteral("/proc/") + name).constData(), &info) != 0 ||
            info.st_uid != ::geteuid())
            continue;
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (commandLine.open(QIODevice::ReadOnly) && commandLine.read(kMaxCommandLine).contains(needle))
            ::kill(pid_t(pid), SIGKILL);
    }
}

QString parentFolder() {
    const QString temp = QDir::tempPath();
    return temp.size() <= kMaxParentLength ? temp : QStringLiteral("/tmp");
}

} // namespace

RunFolder::RunFolder(const QString& prefix) {
    const QString parent = parentFolder();
    removeAbandoned(parent, prefix);
    QByteArray name = QFile::encodeName(parent + QLatin1Char('/') + prefix) + "XXXXXX";
    // mkdtemp makes the folder 0700 whatever the umask.
    if (!::mkdtemp(name.data()))
        return;
    folder = QFile::decodeName(name);
    QFile mark(filePath(QLatin1String(kOwnerFile)));
    const QByteArray text = ownerMark(::getpid());
    if (!mark.open(QIODevice::WriteOnly) || mark.write(text) != text.size()) {
        QDir(folder).removeRecursively();
        folder.clear();
    }
}

RunFolder::~RunFolder() {
    if (!folder.isEmpty())
        QDir(folder).removeRecursively();
}

int RunFolder::removeAbandoned(const QString& parent, const QString& prefix) {
    int removed = 0;
    int claims = 0;
    const QFileInfoList candidates = QDir(parent).entryInfoList(
        {prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& candidate : candidates) {
        struct stat info {};
        const QString path = candidate.absoluteFilePath();
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::geteuid() || ownerIsAlive(path))
            continue;
        killProcessesUsing(path);
        // Claimed first under a name no other run looks for: several runs may come upon the same
        // folder at once, and only the one whose rename succeeds removes it, whole.
        const QString claimed =
            parent + QStringLiteral("/.%1removing-%2-%3").arg(prefix).arg(::getpid()).arg(++claims);
        if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(claimed).constData()) == 0 &&
            QDir(claimed).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
