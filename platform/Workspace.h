// The workspace: applications known by identifier, whether they run, starting them.
//
// An application is an XDG desktop entry whose desktop file id is its identifier
// ("com.velmora.AddressBookEditor" is com.velmora.AddressBookEditor.desktop in
// $XDG_DATA_HOME/applications or in the applications folder of one of $XDG_DATA_DIRS). It runs
// when the D-Bus session bus name equal to its identifier has an owner. Launching by
// identifier asks a running copy to come forward (org.freedesktop.Application.Activate) or
// starts the entry's Exec line without arguments.
#pragma once

#include "PlatformExport.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// Key of an entry of launchedApplications().
inline constexpr const char* NSApplicationBundleIdentifier = "NSApplicationBundleIdentifier";

class DIRECTFAX_PLATFORM_EXPORT Workspace {
public:
    virtual ~Workspace();

    // The workspace in use: the system's unless a test installed another.
    static Workspace& sharedWorkspace();
    // Installs `workspace` (null: the system's again); answers the one installed before.
    static Workspace* setSharedWorkspace(Workspace* workspace);

    // The running applications that have an identifier, each as {NSApplicationBundleIdentifier: id}:
    // the well-known names on the session bus that look like application identifiers.
    virtual QList<QVariantMap> launchedApplications();
    // Brings a running copy forward, or starts the application; true when that was done.
    virtual bool launchAppWithBundleIdentifier(const QString& bundleIdentifier);
    // The desktop entry file of the application; nullopt when there is none.
    virtual std::optional<QString> absolutePathForAppBundleWithIdentifier(const QString& bundleIdentifier);
    // The program the desktop entry at `appPath` runs (the first word of its Exec line, looked
    // up in $PATH when not absolute); nullopt when there is none.
    virtual std::optional<QString> executablePath(const QString& appPath);
    // Starts `launchPath` with `arguments` (each one argument, passed as is) as a detached
    // process; false when it cannot be started.
    virtual bool launchedTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments);
};

// The Exec line of a desktop entry split into words, the quoting and escapes of the desktop
// entry format undone and its field codes (%f, %U, ...) dropped.
DIRECTFAX_PLATFORM_EXPORT QStringList splitDesktopExec(const QString& exec);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
