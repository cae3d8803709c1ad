#include "AddressBookEditorLauncher.h"

#include <Alerts.h>
#include <Bundle.h>
#include <Workspace.h>

#include <QDebug>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

void showEditorNotFound(const platform::Bundle* pluginBundle, QWidget* parent) {
    const auto localized = [pluginBundle](const QString& key) {
        return pluginBundle ? pluginBundle->localizedStringForKey(key, {}, {}) : key;
    };
    platform::Alert alert;
    alert.setMessageText(localized(QStringLiteral("Address Book Editor not found.")));
    alert.addButtonWithTitle(localized(QStringLiteral("OK")));
    alert.runModal(parent);
}

} // namespace

void AddressBookEditorLauncher::launchAddressBook(const platform::Bundle* pluginBundle,
                                                  const std::optional<QString>& printerAddress,
                                                  std::optional<QString>& addressBookEditorPath,
                                                  QWidget* parent, platform::Workspace* workspace) {
    platform::Workspace& sharedWorkspace = workspace ? *workspace : platform::Workspace::sharedWorkspace();
    const QVariant identifier =
        pluginBundle ? pluginBundle->objectForInfoDictionaryKey(QStringLiteral("AddressBookBundleIdentifier"))
                     : QVariant();
    const QString bundleIdentifier =
        identifier.typeId() == QMetaType::QString ? identifier.toString() : QString();
    if (bundleIdentifier.isEmpty()) {
        showEditorNotFound(pluginBundle, parent);
        return;
    }

    for (const QVariantMap& application : sharedWorkspace.launchedApplications()) {
        if (application.value(platform::NSApplicationBundleIdentifier).toString() == bundleIdentifier) {
            sharedWorkspace.launchAppWithBundleIdentifier(bundleIdentifier);
            return;
        }
    }

    if (!addressBookEditorPath) {
        const std::optional<QString> appPath =
            sharedWorkspace.absolutePathForAppBundleWithIdentifier(bundleIdentifier);
        const std::optional<QString> executable =
            appPath && !appPath->isEmpty() ? sharedWorkspace.executablePath(*appPath) : std::nullopt;
        if (!executable || executable->isEmpty()) {
            showEditorNotFound(pluginBundle, parent);
            return;
        }
        addressBookEditorPath = *executable;
    }

    if (!printerAddress) {
        qWarning("Failed to resolve the current printer URI!");
        if (!sharedWorkspace.launchAppWithBundleIdentifier(bundleIdentifier))
            showEditorNotFound(pluginBundle, parent);
        return;
    }

    const QStringList arguments = printerAddress->isEmpty()
                                      ? QStringList{QStringLiteral("-DFAXConnectionType USB")}
                                      : QStringList{QStringLiteral("-DFAXConnectionType NET"),
                                                    QStringLiteral("-DFAXAddress %1").arg(*printerAddress)};
    if (!sharedWorkspace.launchedTaskWithLaunchPath(*addressBookEditorPath, arguments))
        showEditorNotFound(pluginBundle, parent);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
