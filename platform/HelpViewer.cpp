#include "HelpViewer.h"

#include "HelpWindow.h"
#include "PropertyList.h"
#include "SystemInfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <plist/plist.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr const char* kRegisteredBooks = "RegisteredBooks";
constexpr const char* kRegistrationOrder = "RegistrationOrder";
constexpr const char* kUrl = "url";

// How long xdg-mime may take to answer.
constexpr int kMimeQueryMilliseconds = 3000;

struct Handler {
    std::mutex mutex;
    HelpViewer::UrlHandler handler;
};

// The help window is made and used on the main thread only.
QPointer<HelpWindow> openHelpWindow;

bool openInBrowser(const QUrl& url) {
    return HelpViewer::desktopHasBrowser() && QDesktopServices::openUrl(url);
}

// Shows the page in the help window, one for the process; over a modal window it belongs to that
// window, which would otherwise keep the user from reaching it.
bool showInHelpWindow(const QString& bookFolder, const QUrl& url) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!openHelpWindow)
        openHelpWindow = new HelpWindow(owner);
    else if (openHelpWindow->parentWidget() != owner)
        openHelpWindow->setParent(owner, Qt::Window);
    openHelpWindow->showPage(bookFolder, url);
    return true;
}

Handler& urlHandler() {
    static Handler* instance = new Handler;
    return *instance;
}

// The dictionary or array under `key`, made when missing; null when something else is there.
plist_t containerItem(plist_t dict, const char* key, plist_type type) {
    plist_t item = plist_dict_get_item(dict, key);
    if (!item) {
        item = type == PLIST_DICT ? plist_new_dict() : plist_new_array();
        plist_dict_set_item(dict, key, item);
    }
    return plist_get_node_type(item) == type ? item : nullptr;
}

bool containsString(plist_t array, const QString& text) {
    for (uint32_t i = 0; i < plist_array_get_size(array); ++i)
        if (PropertyListString(plist_array_get_item(array, i)) == text)
            return true;
    return false;
}

} // namespace

QUrl HelpViewer::pageUrl(const QString& bookFolder, const QString& pagePath, const QString& anchor) {
    if (bookFolder.isEmpty() || pagePath.isEmpty())
        return {};
    const QString book = QDir::cleanPath(QFileInfo(bookFolder).absoluteFilePath());
    const QString page = QDir::cleanPath(book + QLatin1Char('/') + pagePath);
    if (!page.startsWith(book + QLatin1Char('/')))
        return {}; // "../" or an absolute path: not a page of this book
    QUrl url = QUrl::fromLocalFile(page);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

bool HelpViewer::gotoPage(const QString& bookFolder, const QString& pagePath, const QString& anchor) {
    const QUrl url = pageUrl(bookFolder, pagePath, anchor);
    if (!url.isValid() || !QFileInfo(url.toLocalFile()).isFile())
        return false;
    UrlHandler handler;
    {
        Handler& h = urlHandler();
        std::lock_guard lock(h.mutex);
        handler = h.handler;
    }
    return (handler ? handler(url) : openInBrowser(url)) || showInHelpWindow(bookFolder, url);
}

void HelpViewer::setUrlHandler(UrlHandler handler) {
    Handler& h = urlHandler();
    std::lock_guard lock(h.mutex);
    h.handler = std::move(handler);
}

bool HelpViewer::desktopHasBrowser() {
    if (!qEnvironmentVariableIsEmpty("BROWSER") ||
        !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty())
        return true;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kMimeQueryMilliseconds)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

QWidget* HelpViewer::helpWindow() {
    return openHelpWindow;
}

QString HelpViewer::registrationFilePath() {
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty() || QDir::isRelativePath(config)) // relative values are to be ignored
        config = SystemInfo::homeDirectory().value_or(QDir::homePath()) + QStringLiteral("/.config");
    return config + QStringLiteral("/velmora/help.plist");
}

std::mutex& HelpViewer::registrationFileMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

bool HelpViewer::registerBook(const QString& bundleIdentifier, const QString& bookFolder) {
    if (bundleIdentifier.isEmpty() || !QFileInfo(bookFolder).isDir())
        return false;
    const QString path = registrationFilePath();
    const QString url =
        QUrl::fromLocalFile(QDir::cleanPath(QFileInfo(bookFolder).absoluteFilePath())).toString();
    const QByteArray id = bundleIdentifier.toUtf8();

    std::lock_guard lock(registrationFileMutex());
    PlistPtr root;
    if (QFileInfo::exists(path)) {
        root = ReadPropertyListFile(path);
        if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
            return false; // not ours to repair
    } else {
        root.reset(plist_new_dict());
    }
    plist_t books = containerItem(root.get(), kRegisteredBooks, PLIST_DICT);
    plist_t order = containerItem(root.get(), kRegistrationOrder, PLIST_ARRAY);
    if (!books || !order)
        return false;

    plist_t records = plist_dict_get_item(books, id.constData());
    const bool current =
        plist_get_node_type(records) == PLIST_ARRAY && plist_array_get_size(records) > 0 &&
        PropertyListString(plist_dict_get_item(plist_array_get_item(records, 0), kUrl)) == url;
    if (current && containsString(order, bundleIdentifier))
        return true; // nothing to write
    if (!current) {
        plist_t record = plist_new_dict();
        plist_dict_set_item(record, kUrl, plist_new_string(url.toUtf8().constData()));
        plist_t array = plist_new_array();
        plist_array_append_item(array, record);
        plist_dict_set_item(books, id.constData(), array);
    }
    if (!containsString(order, bundleIdentifier))
        plist_array_append_item(order, plist_new_string(id.constData()));

    const std::optional<QByteArray> xml = PropertyListToXml(root.get());
    if (!xml || !QDir().mkpath(QFileInfo(path).path()))
        return false;
    return WriteFileAtomically(path, *xml);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
