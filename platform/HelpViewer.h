// The help viewer: a help book is a folder of HTML pages inside a bundle's Resources/, shown
// in the user's web browser, or, on a desktop without one, in a help window of our own. Books are registered
// in an XML property list under the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config, then
// velmora/help.plist):
//   "RegisteredBooks":   bundle identifier → array of dictionaries, the first with "url"
//                        (the file URL of the book folder)
//   "RegistrationOrder": bundle identifiers in order of registration
#pragma once

#include "PlatformExport.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <mutex>

class QWidget;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT HelpViewer {
public:
    // Shows a URL; answers whether it could. The default opens it with QDesktopServices.
    using UrlHandler = std::function<bool(const QUrl&)>;

    // The file URL of `pagePath` (relative to the book folder) with `anchor` as fragment;
    // invalid when the path is empty or leads out of the book folder.
    static QUrl pageUrl(const QString& bookFolder, const QString& pagePath, const QString& anchor = {});
    // Shows a page of the book in `bookFolder`; false when the page does not exist or cannot
    // be shown.
    static bool gotoPage(const QString& bookFolder, const QString& pagePath, const QString& anchor = {});
    // Replaces the user's browser; an empty handler restores it. A handler that cannot show a
    // page (answers false) leaves it to the help window. For tests.
    static void setUrlHandler(UrlHandler handler);
    // Whether the desktop has a web browser for pages: $BROWSER is set, x-www-browser is on the
    // PATH, or xdg-mime names a program for text/html. The desktop's own "open" answers yes
    // while it starts a program that then finds no browser, so it is not asked.
    static bool desktopHasBrowser();
    // The help window, while it is open.
    static QWidget* helpWindow();

    // The registration file's path.
    static QString registrationFilePath();
    // Registers (or refreshes) the book in `bookFolder` for `bundleIdentifier`. A missing
    // file is created; one that cannot be read as a property list is left alone (false).
    static bool registerBook(const QString& bundleIdentifier, const QString& bookFolder);
    // Held by everyone who reads, edits and writes the registration file in this process.
    static std::mutex& registrationFileMutex();
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
