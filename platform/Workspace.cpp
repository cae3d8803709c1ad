#include "Workspace.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// Any program of the user can write a desktop entry: read no more than this of one.
constexpr qint64 kDesktopEntryMaximumSize = 64 * 1024;

QMutex workspaceMutex;
Workspace* installedWorkspace = nullptr;

QStringList applicationFolders() {
    QStringList folders;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    folders << dataHome;
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << dir;
    for (QString& folder : folders)
        folder += QStringLiteral("/applications/");
    return folders;
}

// The keys of the [Desktop Entry] group, values with the string escapes undone.
std::optional<QVariantMap> readDesktopEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kDesktopEntryMaximumSize)
        return std::nullopt;
    const QString text = QString::fromUtf8(file.read(kDesktopEntryMaximumSize));
    QVariantMap keys;
    bool inMainGroup = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals <= 0)
            continue;
        QString value;
        const QString raw = line.mid(equals + 1).trimmed();
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            const QChar escaped = raw[++i];
            static const QString from = QStringLiteral("sntr\\"), to = QStringLiteral(" \n\t\r\\");
            const qsizetype known = from.indexOf(escaped);
            value += known >= 0 ? to[known] : escaped;
        }
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, value);
    }
    return keys;
}

std::optional<QVariantMap> applicationEntry(const QString& path) {
    std::optional<QVariantMap> entry = readDesktopEntry(path);
    if (!entry || entry->value(QStringLiteral("Type")).toString() != QStringLiteral("Application") ||
        entry->value(QStringLiteral("Hidden")).toString() == QStringLiteral("true"))
        return std::nullopt;
    return entry;
}

// The program and arguments of an entry's Exec line; empty when it has none.
QStringList execWords(const QString& appPath) {
    const std::optional<QVariantMap> entry = applicationEntry(appPath);
    return entry ? splitDesktopExec(entry->value(QStringLiteral("Exec")).toString()) : QStringList{};
}

// The object path of an application, as the freedesktop application interface derives it.
QString applicationObjectPath(const QString& bundleIdentifier) {
    QString path = QStringLiteral("/") + bundleIdentifier;
    path.replace(QLatin1Char('.'), QLatin1Char('/')).replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

bool nameHasOwner(const QString& name) {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(name).value();
}

} // namespace

QStringList splitDesktopExec(const QString& exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word += exec[++i];
            else
                word += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            // Field codes stand for what the launcher would pass; nothing is passed here.
            if (exec[++i] == QLatin1Char('%'))
                word += QLatin1Char('%');
            else if (word.isEmpty())
                continue;
        } else {
            word += c;
        }
        inWord = true;
    }
    if (inWord)
        words << word;
    return words;
}

Workspace::~Workspace() = default;

Workspace& Workspace::sharedWorkspace() {
    static Workspace systemWorkspace;
    QMutexLocker lock(&workspaceMutex);
    return installedWorkspace ? *installedWorkspace : systemWorkspace;
}

Workspace* Workspace::setSharedWorkspace(Workspace* workspace) {
    QMutexLocker lock(&workspaceMutex);
    return std::exchange(installedWorkspace, workspace);
}

QList<QVariantMap> Workspace::launchedApplications() {
    QList<QVariantMap> applications;
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus)
        return applications;
    const QStringList names = bus->registeredServiceNames().value();
    for (const QString& name : names) {
        if (!name.startsWith(QLatin1Char(':')) && name.contains(QLatin1Char('.')) &&
            !name.startsWith(QStringLiteral("org.freedesktop.DBus")))
            applications.append(QVariantMap{{NSApplicationBundleIdentifier, name}});
    }
    return applications;
}

bool Workspace::launchAppWithBundleIdentifier(const QString& bundleIdentifier) {
    if (nameHasOwner(bundleIdentifier)) {
        QDBusMessage activate = QDBusMessage::createMethodCall(
            bundleIdentifier, applicationObjectPath(bundleIdentifier),
            QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
        activate << QVariantMap{};
        return QDBusConnection::sessionBus().send(activate);
    }
    const std::optional<QString> appPath = absolutePathForAppBundleWithIdentifier(bundleIdentifier);
    const QStringList words = appPath ? execWords(*appPath) : QStringList{};
    if (words.isEmpty())
        return false;
    const std::optional<QString> program = appPath ? executablePath(*appPath) : std::nullopt;
    return program && launchedTaskWithLaunchPath(*program, words.mid(1));
}

std::optional<QString> Workspace::absolutePathForAppBundleWithIdentifier(const QString& bundleIdentifier) {
    if (bundleIdentifier.isEmpty() || bundleIdentifier.contains(QLatin1Char('/')))
        return std::nullopt;
    for (const QString& folder : applicationFolders()) {
        const QString path = folder + bundleIdentifier + QStringLiteral(".desktop");
        if (QFileInfo(path).isFile())
            return applicationEntry(path) ? std::optional<QString>(path) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> Workspace::executablePath(const QString& appPath) {
    const QStringList words = execWords(appPath);
    if (words.isEmpty())
        return std::nullopt;
    const QString program =
        QDir::isAbsolutePath(words.first()) ? words.first() : QStandardPaths::findExecutable(words.first());
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return std::nullopt;
    return program;
}

bool Workspace::launchedTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments) {
    return QProcess::startDetached(launchPath, arguments);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
