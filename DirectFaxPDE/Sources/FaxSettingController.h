// The fax-job dialog: the modal window in which the user builds the job's destination list (up
// to 30 names and fax numbers), may give a password and a delayed sending time, and starts or
// cancels sending. The controller owns the dialog's rules; the window, its view and the two
// shared lists come from the interface file "FaxSetting".
#pragma once

#include "AddressFileList.h"
#include "DestinationList.h"
#include "FaxJobFields.h"
#include "FaxJobRecord.h"

#include <ModalRun.h>

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QTableView;
typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class Bundle;
class PrintSettings;
} // namespace platform

class AddressBookController;
class FaxSettingView;
class InputStringChecker;

// Opens the help page of the fax dialogs ("set_check_fax_transmission.htm") in the plug-in's
// help book, by the help path the system version asks for.
void showFaxTransmissionHelp(const std::shared_ptr<platform::Bundle>& pluginBundle, ppd_file_t* ppd);

// Where the file panel of a sandboxed dialog starts looking for address-book files: the
// address-book folder seen from outside the sandbox's container, made of the first four and the
// last three components of `folder` (a leading "/" is one). None for an empty folder or one of
// at most six components. /Users/n/Library/Containers/id/Data/Library/x/y/z gives
// /Users/n/Library/x/y/z.
std::optional<QString> addressBookStartFolder(const QString& folder);

class FaxSettingController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString addressName READ addressName WRITE setAddressName NOTIFY addressNameChanged)
    Q_PROPERTY(QString addressPhoneNumber READ addressPhoneNumber WRITE setAddressPhoneNumber NOTIFY
                   addressPhoneNumberChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(int delayedPrint READ delayedPrint WRITE setDelayedPrint NOTIFY delayedPrintChanged)
    Q_PROPERTY(QDateTime delayedTime READ delayedTime WRITE setDelayedTime NOTIFY delayedTimeChanged)
    Q_PROPERTY(bool isDelayedTime READ isDelayedTime NOTIFY delayedPrintChanged)
    Q_PROPERTY(bool canAddAddress READ canAddAddress NOTIFY canAddAddressChanged)
    Q_PROPERTY(bool canEditAddress READ canEditAddress NOTIFY canEditAddressChanged)
    Q_PROPERTY(bool canDeleteAddress READ canDeleteAddress NOTIFY canDeleteAddressChanged)
    Q_PROPERTY(bool isAddressFileAvailable READ isAddressFileAvailable WRITE setIsAddressFileAvailable NOTIFY
                   isAddressFileAvailableChanged)
    Q_PROPERTY(bool canAddToAddressFile READ canAddToAddressFile NOTIFY canAddToAddressFileChanged)

public:
    explicit FaxSettingController(QObject* parent = nullptr);
    ~FaxSettingController() override;

    // Loads the interface file "FaxSetting" of the bundle: its top-level objects (the controller,
    // the window and the two shared lists, connected to each other) are appended to
    // `topLevelObjects`, and the controller is answered. Null, with nothing appended, when the
    // file cannot be loaded or lacks the window's view.
    static FaxSettingController* loadInterfaceFile(const platform::Bundle& bundle,
                                                   std::vector<std::unique_ptr<QObject>>& topLevelObjects,
                                                   QString* error = nullptr);

    // Connects the controller to its window and to the lists it shares with the address book
    // dialog, then sets itself up (checkers, arrangement, change notices).
    void awakeFromNib(QWidget* window, DestinationList* destinations, AddressFileList* files);

    // Set before every dialog, in this order.
    void setBundle(std::shared_ptr<platform::Bundle> bundle);
    void setPPD(ppd_file_t* ppd) { this->ppd = ppd; }
    // The printer's address: an IP address, "" for a USB printer, or none.
    void setIPAddress(const std::optional<QString>& address) { printerAddress = address; }

    // Resets the input fields and the address-book file list, then runs the dialog modally and
    // returns when it has closed. Nothing happens without a window.
    void createDialog();
    // True when the last dialog was closed by starting to send.
    bool isSending() const { return sendingStatus; }
    // Writes the fax job record of the dialog into the job's print settings.
    void setPrintSettings(platform::PrintSettings* settings);
    // The record the dialog holds now.
    FaxJobRecord faxJobRecord() const;

    // Actions of the dialog's controls; each takes the sending control (may be null).
    void addAddressInfo(QObject* sender = nullptr);
    void editAddressInfo(QObject* sender = nullptr);
    void deleteAddressInfo(QObject* sender = nullptr);
    void startSending(QObject* sender = nullptr);
    void stopSending(QObject* sender = nullptr);
    void showHelpBook(QObject* sender = nullptr);
    // Opens the address book dialog on the computer's address-book file; nothing without one.
    // In a sandbox with no address-book file listed, the user first chooses the files; a
    // cancelled choice leaves the address book dialog closed.
    void lookupAddressBook(QObject* sender = nullptr);
    // Opens the address book dialog on the device's address book; nothing without one.
    void lookupDeviceData(QObject* sender = nullptr);
    // Stores the selected destinations as new entries into the selected address-book file, all
    // or none, and tells the outcome in one alert. Repeats of the same name and fax number in
    // the selection are stored once.
    void addToAddressBook(QObject* sender = nullptr);
    // The sender is the popup of address-book files; its current index becomes the selection.
    void selectAddressBook(QObject* sender);

    // Change notice of the destination list: "selectedObjects" announces the three properties
    // that depend on the selection; other key paths are ignored.
    void observeValueForKeyPath(const QString& keyPath);

    const QString& addressName() const { return addressNameValue; }
    const QString& addressPhoneNumber() const { return addressPhoneNumberValue; }
    const QString& password() const { return passwordValue; }
    int delayedPrint() const { return delayedPrintValue; }
    const QDateTime& delayedTime() const { return delayedTimeValue; }
    void setAddressName(const QString& value);
    void setAddressPhoneNumber(const QString& value);
    void setPassword(const QString& value);
    void setDelayedPrint(int value);
    void setDelayedTime(const QDateTime& value);
    void setIsAddressFileAvailable(bool available);

    bool isDelayedTime() const { return delayedPrintValue != 0; }
    bool canAddAddress() const { return !addressPhoneNumberValue.isEmpty(); }
    bool canEditAddress() const;
    bool canDeleteAddress() const;
    bool isAddressFileAvailable() const { return addressFileAvailable; }
    bool canAddToAddressFile() const { return addressFileAvailable && canDeleteAddress(); }

    QWidget* faxSettingPanel() const { return window; }
    DestinationList* addressArrayController() const { return destinationList; }
    AddressFileList* addressFileList() const { return fileList; }
    // The address book dialog that shares the dialog's lists; none when it could not be loaded.
    AddressBookController* addressBookController() const { return addressBook; }
    // Connects the address book dialog and offers its button.
    void setAddressBookController(AddressBookController* controller);
    const std::shared_ptr<platform::Bundle>& bundle() const { return pluginBundle; }
    const std::optional<QString>& ipAddress() const { return printerAddress; }

signals:
    void addressNameChanged(const QString& value);
    void addressPhoneNumberChanged(const QString& value);
    void passwordChanged(const QString& value);
    void delayedPrintChanged(int value);
    void delayedTimeChanged(const QDateTime& value);
    void canAddAddressChanged(bool value);
    void canEditAddressChanged(bool value);
    void canDeleteAddressChanged(bool value);
    void isAddressFileAvailableChanged(bool value);
    void canAddToAddressFileChanged(bool value);

private:
    // A text of the bundle's default strings table.
    QString localized(const char* key) const;
    // Fills the address-book file list; answers the availability to store, or none when it
    // stays as it was.
    std::optional<bool> fillAddressFileList();
    // The password and the device's address book: shown and offered on the maker's fax queues only.
    void showMakerOnlyControls(bool shown);
    // Closes the dialog with the given sending state.
    void endDialog(bool sending);
    // Hands the address book dialog its settings and runs it on `tab`.
    void openAddressBook(int tab);
    // Lets the user of a sandboxed dialog choose address-book files into the file list; false
    // when a panel was shown and nothing was chosen.
    bool chooseAddressBookFiles();
    // Builds the records of the selected destinations and adds them to the file at `path`;
    // answers the result code.
    std::int32_t addSelectedDestinations(const QString& path) const;
    void bindControls();

    QPointer<QWidget> window;
    QPointer<DestinationList> destinationList;
    QPointer<AddressFileList> fileList;
    AddressBookController* addressBook = nullptr;
    std::shared_ptr<platform::Bundle> pluginBundle;
    ppd_file_t* ppd = nullptr; // borrowed
    std::optional<QString> printerAddress;
    bool sendingStatus = false;
    platform::ModalSession session;
    QString addressNameValue;
    QString addressPhoneNumberValue;
    QString passwordValue;
    int delayedPrintValue = 0;
    QDateTime delayedTimeValue;
    bool addressFileAvailable = false;

    QPointer<FaxSettingView> view;
    QPointer<QLineEdit> addressNameTextField;
    QPointer<QLineEdit> addressPhoneNumberTextField;
    QPointer<QLineEdit> passwordTextField;
    QPointer<QTableView> addressTableView;
    QPointer<QComboBox> addressFilePopup;
    QPointer<QDateTimeEdit> delayedTimeEdit;
    InputStringChecker* addressNameFieldFormatter = nullptr;
    InputStringChecker* addressPhoneNumberFieldFormatter = nullptr;
    InputStringChecker* passwordFieldFormatter = nullptr;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
