// Starts the Address Book Editor, the maker's separate program, pointed at the printer.
//
// The panel's action forwards to it with its own fields:
//
//     void DirectFaxPdeInterface::launchAddressBook(QObject* /*sender*/) {
//         AddressBookEditorLauncher::launchAddressBook(pluginBundle.get(), printerAddress,
//                                                      addressBookEditorPath);
//     }
//
// where `printerAddress` and `addressBookEditorPath` are std::optional<QString> fields of the
// panel (nullopt: none), and `addressBookEditorPath` starts empty and is kept for the panel's life.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class Bundle;
class Workspace;
} // namespace platform

class AddressBookEditorLauncher {
public:
    AddressBookEditorLauncher() = delete;

    // Brings a running editor forward, or starts it: by its identifier (the bundle's
    // "AddressBookBundleIdentifier") without arguments when `printerAddress` is none, else
    // its executable with "-DFAXConnectionType USB" (empty address) or
    // "-DFAXConnectionType NET" and "-DFAXAddress ADDRESS". The executable's path is looked up
    // once and kept in `addressBookEditorPath`. When the editor cannot be found or started,
    // shows the alert "Address Book Editor not found." (over `parent` when given) and returns
    // after it is dismissed. Uses the shared workspace unless `workspace` is given.
    static void launchAddressBook(const platform::Bundle* pluginBundle,
                                  const std::optional<QString>& printerAddress,
                                  std::optional<QString>& addressBookEditorPath, QWidget* parent = nullptr,
                                  platform::Workspace* workspace = nullptr);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
