// The address book dialog: a modal window with two tabs, the computer's address-book file
// (tab 0) and the device's address book (tab 1), beside the fax job's destination list. The
// user moves entries and expanded groups into the destination list, removes destinations, and
// keeps or cancels the changes; cancelling restores the list as it was at opening. The
// controller edits the fax-job dialog's own destination list and reads its address-book file
// list; the window comes from the interface file "AddressBook".
#pragma once

#include "AddressBookEntryList.h"
#include "AddressBookView.h"
#include "AddressFileList.h"
#include "DestinationList.h"

#include <ModalRun.h>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QLineEdit;
class QTableView;
typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class BackgroundWork;
class Bundle;
} // namespace platform

class AddressBookController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canAddPCAddressData MEMBER canAddPCAddressData NOTIFY canAddPCAddressDataChanged)
    Q_PROPERTY(
        bool canShowPCAddressProperty MEMBER canShowPCAddressProperty NOTIFY canShowPCAddressPropertyChanged)
    Q_PROPERTY(
        bool canAddDeviceAddressData MEMBER canAddDeviceAddressData NOTIFY canAddDeviceAddressDataChanged)
    Q_PROPERTY(bool canShowDeviceAddressProperty MEMBER canShowDeviceAddressProperty NOTIFY
                   canShowDeviceAddressPropertyChanged)
    Q_PROPERTY(bool canRemoveDestinationAddress MEMBER canRemoveDestinationAddress NOTIFY
                   canRemoveDestinationAddressChanged)

public:
    explicit AddressBookController(QObject* parent = nullptr);
    ~AddressBookController() override;

    // Loads the interface file "AddressBook" of the bundle: the window and the controller are
    // appended to `topLevelObjects` (controller first) and the controller, connected to the
    // window and to the given shared lists, is answered. Null, with nothing appended, when the
    // file cannot be loaded or lacks the dialog's view.
    // The entry and group sheets come from "UserProperty" and "GroupProperty"; without them the
    // dialog works and its sheets stay closed.
    static AddressBookController* loadInterfaceFile(const platform::Bundle& bundle,
                                                    DestinationList* destinations, AddressFileList* files,
                                                    std::vector<std::unique_ptr<QObject>>& topLevelObjects,
                                                    QString* error = nullptr);

    // Connects the controller to its window and the shared lists and sets itself up: sort keys,
    // change notices, the controls' actions.
    void awakeFromNib(QWidget* window, DestinationList* destinations, AddressFileList* files,
                      QWidget* userSheet = nullptr, QWidget* groupSheet = nullptr);

    // Set before every opening, in this order.
    void setBundle(std::shared_ptr<platform::Bundle> bundle);
    void setPPD(ppd_file_t* ppd) { this->ppd = ppd; }
    void setIPAddress(const std::optional<QString>& address) { printerAddress = address; }
    void setPassword(const std::optional<QString>& value) { password = value; }
    // Runs the dialog modally on tab 0 (the computer's file) or 1 (the device) and returns when
    // it has closed. Nothing happens without a window.
    void createDialogWithTabSelection(int tab);

    // Actions of the dialog's controls; each takes the sending control (may be null).
    void addSelectedPCAddressData(QObject* sender = nullptr);
    void addSelectedDeviceAddressData(QObject* sender = nullptr);
    void deleteAddressInfo(QObject* sender = nullptr);
    void saveAddressSetting(QObject* sender = nullptr);
    void cancelAddressSetting(QObject* sender = nullptr);
    void showHelpBook(QObject* sender = nullptr);
    // The sender is the tab's search field (a QLineEdit); its text filters the tab by name.
    void sortPCAddressData(QObject* sender);
    void sortDeviceAddressData(QObject* sender);

    // Moves the selected entries of a tab, groups expanded into their members, into the
    // destination list under the destination limit and the duplicate rule.
    void addAddressesFromAddressBook(AddressBookEntryList* list);
    bool existAddressInDestination(const AddressBookEntry& entry) const;
    // Asks whether duplicates are to be added.
    bool checkIfAllowDuplication();
    void addDestinationAddress(const AddressBookEntry& entry);
    // The members of `group` that `list` shows now, in the list's order, each once.
    QList<AddressBookEntry> getAddressListFrom(const AddressBookEntry& group,
                                               const AddressBookEntryList* list) const;

    // The property sheets: the one selected entry or group of tab 0 or tab 1, shown modally
    // over the dialog until closed.
    void showPCAddressProperty(QObject* sender = nullptr);
    void showDevicePCAddressProperty(QObject* sender = nullptr);
    void closeUserProperty(QObject* sender = nullptr);
    void closeGroupProperty(QObject* sender = nullptr);
    // What the sheets show: "name", "phoneNumber", "company", "note" of an entry ("" for an
    // absent company or note); "name" of a group and one member row per member that `list` shows.
    void setUserPropertyInfo(const AddressBookEntry& entry);
    void setGroupPropertyInfo(const AddressBookEntry& group, const AddressBookEntryList* list);

    // Tab loaders: each empties its tab and search text and reads the tab's source. The device
    // is read off the main thread; after a short while a progress window with Cancel shows.
    void initPCAdressBookTab();
    void initDeviceAddressTab();
    // The tab view's notice that the tab at `index` is about to show: it is loaded.
    void tabViewWillSelect(int index);

    // Selection notices of the three lists ("selectedObjects"): recompute the enabling fields.
    void observeValueForKeyPath(const QString& keyPath, const QObject* object);

    QWidget* addressBookSettingPanel() const { return window; }
    AddressBookView* view() const { return contentView; }
    DestinationList* addressArrayController() const { return destinationList; }
    AddressFileList* addressFileList() const { return fileList; }
    AddressBookEntryList* pcAddressList() { return &pcEntries; }
    AddressBookEntryList* deviceAddressList() { return &deviceEntries; }
    const QString& pcAddressSearchField() const { return pcSearchText; }
    const QString& deviceAddressSearchField() const { return deviceSearchText; }
    const std::optional<QString>& ipAddress() const { return printerAddress; }
    QWidget* userPropertyPanel() const { return userPanel; }
    QWidget* groupPropertyPanel() const { return groupPanel; }
    const QVariantMap& userPropertyDictionary() const { return userProperties; }
    const QVariantMap& groupPropertyDictionary() const { return groupProperties; }
    const AddressBookEntryList& groupMemberList() const { return groupMembers; }

    bool canAddPCAddressData = false;
    bool canShowPCAddressProperty = false;
    bool canAddDeviceAddressData = false;
    bool canShowDeviceAddressProperty = false;
    bool canRemoveDestinationAddress = false;

signals:
    void canAddPCAddressDataChanged(bool value);
    void canShowPCAddressPropertyChanged(bool value);
    void canAddDeviceAddressDataChanged(bool value);
    void canShowDeviceAddressPropertyChanged(bool value);
    void canRemoveDestinationAddressChanged(bool value);

private:
    QString localized(const char* key) const;
    void bindControls();
    // Adds from a tab unless the sender is a table whose click hit no row.
    void addSelected(QObject* sender, AddressBookEntryList* list);
    // Filters `list` by `text` from its search copy.
    static void filterByName(AddressBookEntryList& list, const QList<AddressBookEntry>& original,
                             const QString& text);
    void endDialog();
    // Empties a tab's search field and its text, without filtering.
    static void clearSearchField(QLineEdit* field, QString& text);
    void showProperty(AddressBookEntryList& list);
    // Connects the sheet windows' controls.
    void bindSheets();
    void setFlag(bool& field, bool value, void (AddressBookController::*changed)(bool));
    // The alert for a failed reading of the device (none for kAbifSuccess).
    void reportDeviceResult(int32_t result);

    QPointer<QWidget> window;
    QPointer<AddressBookView> contentView;
    QPointer<DestinationList> destinationList;
    QPointer<AddressFileList> fileList;
    AddressBookEntryList pcEntries;
    AddressBookEntryList deviceEntries;
    QPointer<QTableView> pcAddressTableView;
    QPointer<QTableView> deviceAddressTableView;
    QPointer<QLineEdit> pcSearchField;
    QPointer<QLineEdit> deviceSearchField;
    std::shared_ptr<platform::Bundle> bundle;
    ppd_file_t* ppd = nullptr; // borrowed
    std::optional<QString> printerAddress;
    std::optional<QString> password;
    QList<AddressInformation> oldAddresses;
    QList<AddressBookEntry> originalPCAddressList;
    QList<AddressBookEntry> originalDeviceAddressList;
    QPointer<QWidget> userPanel;
    QPointer<QWidget> groupPanel;
    QVariantMap userProperties;
    QVariantMap groupProperties;
    AddressBookEntryList groupMembers;
    QString pcSearchText;
    QString deviceSearchText;
    platform::ModalSession session;
    // Reads the device off the main thread; made on first use.
    std::unique_ptr<platform::BackgroundWork> deviceReading;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
