#include "FaxSettingController.h"

#include "AddressBookController.h"
#include "FaxSettingView.h"
#include "PpdFeature.h"

#include <AddressBookIf.h>
#include <Alerts.h>
#include <Bundle.h>
#include <InputStringChecker.h>
#include <ModalRun.h>
#include <OpenPanel.h>
#include <UiLoader.h>
#include <UtilityFunctions.h>
#include <UtilityService.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtEndian>
#include <cstring>
#include <ctime>
#include <set>
#include <utility>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr char kHelpPage[] = "set_check_fax_transmission.htm";
constexpr char kHelpFolder[] = "VelmoraDirectFaxHelp";
// Most address-book files the dialog lists.
constexpr int kMaxAddressFiles = 1000;

InputStringChecker* makeChecker(QObject* owner, std::uint64_t maxLength, std::span<const char16_t> range) {
    auto* checker = new InputStringChecker(owner);
    checker->setMaxLength(maxLength);
    checker->setAcceptableCodeRange(range);
    return checker;
}

// Keeps a field showing `value` without disturbing the user's own edit of it.
void showText(QLineEdit* field, const QString& value) {
    if (field && field->text() != value)
        InputStringChecker::setFieldText(field, value);
}

// The components of a path: a leading "/" is one, the names between slashes the others.
QStringList pathComponents(const QString& path) {
    QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (path.startsWith(QLatin1Char('/')))
        components.prepend(QStringLiteral("/"));
    return components;
}

QString pathWithComponents(QStringList components) {
    const bool absolute = !components.isEmpty() && components.first() == QLatin1String("/");
    if (absolute)
        components.removeFirst();
    return (absolute ? QStringLiteral("/") : QString()) + components.join(QLatin1Char('/'));
}

// Writes `text` into a record's UTF-16LE field of `size` bytes, ended by a zero unit; false
// when it does not fit.
bool writeUnicodeField(std::uint8_t* field, std::size_t size, const QString& text) {
    const auto units = static_cast<std::size_t>(text.size());
    if (units + 1 > size / 2)
        return false;
    qToLittleEndian<quint16>(text.utf16(), static_cast<qsizetype>(units), field);
    qToLittleEndian<quint16>(0, field + 2 * units);
    return true;
}

// Stores `value` (an unset text differs from an empty one); true when that changed anything.
bool assignText(QString& field, const QString& value) {
    if (value == field && value.isNull() == field.isNull())
        return false;
    field = value;
    return true;
}

} // namespace

FaxSettingController::FaxSettingController(QObject* parent) : QObject(parent) {}

FaxSettingController::~FaxSettingController() {
    if (destinationList)
        disconnect(destinationList, nullptr, this, nullptr);
    // The fields may outlive the controller for a moment; they must not keep its checkers.
    for (QLineEdit* field :
         {addressNameTextField.data(), addressPhoneNumberTextField.data(), passwordTextField.data()})
        if (field)
            field->setValidator(nullptr);
}

FaxSettingController* FaxSettingController::loadInterfaceFile(
    const platform::Bundle& bundle, std::vector<std::unique_ptr<QObject>>& topLevelObjects, QString* error) {
    platform::UiLoader loader;
    loader.registerWidgetClass<FaxSettingView>();
    QString reason;
    std::unique_ptr<QWidget> window(
        loader.loadInterfaceFile(bundle, QStringLiteral("FaxSetting"), nullptr, &reason));
    if (window && !window->findChild<FaxSettingView*>())
        reason = QStringLiteral("FaxSetting has no FaxSettingView");
    if (!window || !window->findChild<FaxSettingView*>()) {
        if (error)
            *error = reason;
        return nullptr;
    }
    auto destinations = std::make_unique<DestinationList>();
    auto files = std::make_unique<AddressFileList>();
    auto controller = std::make_unique<FaxSettingController>();
    controller->awakeFromNib(window.get(), destinations.get(), files.get());
    FaxSettingController* answer = controller.get();
    // The address book dialog works on the same two lists; the job dialog works without it.
    QString addressBookError;
    answer->setAddressBookController(AddressBookController::loadInterfaceFile(
        bundle, destinations.get(), files.get(), topLevelObjects, &addressBookError));
    if (!answer->addressBookController())
        qWarning().noquote() << "loadInterfaceFile: no address book dialog:" << addressBookError;
    // They may be deleted in any order: each reaches the others through guarded pointers, and
    // the window's views let go of a list that goes first.
    topLevelObjects.push_back(std::move(controller));
    topLevelObjects.push_back(std::move(window));
    topLevelObjects.push_back(std::move(files));
    topLevelObjects.push_back(std::move(destinations));
    return answer;
}

void FaxSettingController::awakeFromNib(QWidget* panel, DestinationList* destinations,
                                        AddressFileList* files) {
    window = panel;
    destinationList = destinations;
    fileList = files;
    pluginBundle.reset();
    sendingStatus = false;
    addressFileAvailable = false;
    addressNameFieldFormatter = makeChecker(this, kAddressNameMaxLength, kAddressNameAcceptableRange);
    addressPhoneNumberFieldFormatter = makeChecker(this, kPhoneNumberMaxLength, kPhoneNumberAcceptableRange);
    passwordFieldFormatter = makeChecker(this, kPasswordMaxLength, kPasswordAcceptableRange);
    if (destinationList) {
        destinationList->setSortDescriptors(DestinationList::destinationSortDescriptors());
        connect(destinationList, &DestinationList::selectedObjectsChanged, this,
                [this] { observeValueForKeyPath(QStringLiteral("selectedObjects")); });
    }
    bindControls();
}

void FaxSettingController::bindControls() {
    if (!window)
        return;
    view = window->findChild<FaxSettingView*>();
    if (view)
        view->connectOutlets();
    addressNameTextField = window->findChild<QLineEdit*>(QStringLiteral("addressNameTextField"));
    addressPhoneNumberTextField =
        window->findChild<QLineEdit*>(QStringLiteral("addressPhoneNumberTextField"));
    passwordTextField = window->findChild<QLineEdit*>(QStringLiteral("passwordTextField"));
    addressTableView = window->findChild<QTableView*>(QStringLiteral("addressTableView"));
    addressFilePopup = window->findChild<QComboBox*>(QStringLiteral("addressFilePopup"));
    delayedTimeEdit = window->findChild<QDateTimeEdit*>(QStringLiteral("delayedTimeEdit"));

    // Fields → values, values → fields.
    const auto bindField = [this](QLineEdit* field, void (FaxSettingController::*setter)(const QString&),
                                  void (FaxSettingController::*changed)(const QString&)) {
        if (!field)
            return;
        connect(field, &QLineEdit::textEdited, this, setter);
        connect(this, changed, field, [field](const QString& value) { showText(field, value); });
    };
    bindField(addressNameTextField, &FaxSettingController::setAddressName,
              &FaxSettingController::addressNameChanged);
    bindField(addressPhoneNumberTextField, &FaxSettingController::setAddressPhoneNumber,
              &FaxSettingController::addressPhoneNumberChanged);
    bindField(passwordTextField, &FaxSettingController::setPassword, &FaxSettingController::passwordChanged);

    if (destinationList)
        destinationList->showIn(addressTableView);
    if (addressFilePopup && fileList) {
        addressFilePopup->setModel(fileList);
        connect(addressFilePopup, &QComboBox::activated, this,
                [this] { selectAddressBook(addressFilePopup); });
        connect(fileList, &AddressFileList::selectionIndexChanged, addressFilePopup,
                &QComboBox::setCurrentIndex);
    }
    if (auto* checkbox = view ? view->delayedSendCheckbox.data() : nullptr) {
        connect(checkbox, &QCheckBox::toggled, this, [this](bool on) { setDelayedPrint(on ? 1 : 0); });
        connect(this, &FaxSettingController::delayedPrintChanged, checkbox,
                [checkbox](int value) { checkbox->setChecked(value != 0); });
    }
    if (delayedTimeEdit) {
        connect(delayedTimeEdit, &QDateTimeEdit::dateTimeChanged, this,
                &FaxSettingController::setDelayedTime);
        connect(this, &FaxSettingController::delayedTimeChanged, delayedTimeEdit,
                [this](const QDateTime& value) {
                    if (delayedTimeEdit->dateTime() != value)
                        delayedTimeEdit->setDateTime(value);
                });
        connect(this, &FaxSettingController::delayedPrintChanged, delayedTimeEdit,
                [this] { delayedTimeEdit->setEnabled(isDelayedTime()); });
        delayedTimeEdit->setEnabled(isDelayedTime());
    }

    // Actions, and the enabling properties.
    const auto bindButton = [this](QAbstractButton* button, void (FaxSettingController::*action)(QObject*),
                                   void (FaxSettingController::*changed)(bool), bool enabled) {
        if (!button)
            return;
        if (action)
            connect(button, &QAbstractButton::clicked, this,
                    [this, button, action] { (this->*action)(button); });
        if (changed)
            connect(this, changed, button, &QWidget::setEnabled);
        button->setEnabled(enabled);
    };
    if (!view)
        return;
    bindButton(view->addAddressButton, &FaxSettingController::addAddressInfo,
               &FaxSettingController::canAddAddressChanged, canAddAddress());
    bindButton(view->editAddressButton, &FaxSettingController::editAddressInfo,
               &FaxSettingController::canEditAddressChanged, canEditAddress());
    bindButton(view->deleteAddressButton, &FaxSettingController::deleteAddressInfo,
               &FaxSettingController::canDeleteAddressChanged, canDeleteAddress());
    bindButton(view->startButton, &FaxSettingController::startSending, nullptr, true);
    bindButton(view->stopButton, &FaxSettingController::stopSending, nullptr, true);
    bindButton(window->findChild<QPushButton*>(QStringLiteral("helpButton")),
               &FaxSettingController::showHelpBook, nullptr, true);
    bindButton(view->addToAddressBookButton, &FaxSettingController::addToAddressBook,
               &FaxSettingController::canAddToAddressFileChanged, canAddToAddressFile());
    // The look-up buttons stay off until the address book dialog is connected.
    bindButton(view->lookUpAddressBookButton, nullptr, nullptr, false);
    bindButton(view->lookUpDeviceDataButton, nullptr, nullptr, false);
}

void FaxSettingController::setBundle(std::shared_ptr<platform::Bundle> bundle) {
    pluginBundle = std::move(bundle);
}

QString FaxSettingController::localized(const char* key) const {
    const QString text = QString::fromUtf8(key);
    return pluginBundle ? pluginBundle->localizedStringForKey(text, QString(), QString()) : text;
}

// ---- Values and the properties computed from them ----

void FaxSettingController::setAddressName(const QString& value) {
    if (assignText(addressNameValue, value))
        emit addressNameChanged(value);
}

void FaxSettingController::setAddressPhoneNumber(const QString& value) {
    const bool couldAdd = canAddAddress();
    if (!assignText(addressPhoneNumberValue, value))
        return;
    emit addressPhoneNumberChanged(value);
    if (couldAdd != canAddAddress())
        emit canAddAddressChanged(canAddAddress());
}

void FaxSettingController::setPassword(const QString& value) {
    if (assignText(passwordValue, value))
        emit passwordChanged(value);
}

void FaxSettingController::setDelayedPrint(int value) {
    if (value == delayedPrintValue)
        return;
    delayedPrintValue = value;
    emit delayedPrintChanged(value);
    emit delayedTimeChanged(delayedTimeValue);
}

void FaxSettingController::setDelayedTime(const QDateTime& value) {
    if (value == delayedTimeValue)
        return;
    delayedTimeValue = value;
    emit delayedTimeChanged(value);
}

void FaxSettingController::setIsAddressFileAvailable(bool available) {
    if (available == addressFileAvailable)
        return;
    addressFileAvailable = available;
    emit isAddressFileAvailableChanged(available);
    emit canAddToAddressFileChanged(canAddToAddressFile());
}

bool FaxSettingController::canEditAddress() const {
    return destinationList && destinationList->selectionIndexes().size() == 1;
}

bool FaxSettingController::canDeleteAddress() const {
    return destinationList && !destinationList->selectionIndexes().isEmpty();
}

void FaxSettingController::observeValueForKeyPath(const QString& keyPath) {
    if (keyPath != QLatin1String("selectedObjects"))
        return;
    emit canEditAddressChanged(canEditAddress());
    emit canDeleteAddressChanged(canDeleteAddress());
    emit canAddToAddressFileChanged(canAddToAddressFile());
}

// ---- The dialog ----

void FaxSettingController::createDialog() {
    if (!window)
        return;
    if (view) {
        view->setBundle(pluginBundle);
        view->setPPD(ppd);
        view->initializeControls();
    }
    showMakerOnlyControls(!PpdIsCupsFaxQueue(ppd));
    if (addressNameFieldFormatter)
        addressNameFieldFormatter->installOn(addressNameTextField);
    if (addressPhoneNumberFieldFormatter)
        addressPhoneNumberFieldFormatter->installOn(addressPhoneNumberTextField);
    if (passwordFieldFormatter)
        passwordFieldFormatter->installOn(passwordTextField);
    setAddressName(QStringLiteral(""));
    setAddressPhoneNumber(QStringLiteral(""));
    setPassword(QStringLiteral(""));
    setDelayedPrint(0);
    setDelayedTime(QDateTime::currentDateTime());
    // Fields left from the last dialog show the reset values even when the values were equal.
    showText(addressNameTextField, addressNameValue);
    showText(addressPhoneNumberTextField, addressPhoneNumberValue);
    showText(passwordTextField, passwordValue);
    if (fileList)
        fileList->removeAllObjects();
    if (const std::optional<bool> available = fillAddressFileList())
        setIsAddressFileAvailable(*available);

    // Closing the window any other way than Send or Cancel (its close button, Escape) cancels the job.
    session.run(window, [this] { stopSending(); });
}

void FaxSettingController::showMakerOnlyControls(bool shown) {
    // A CUPS fax queue of any printer takes no password (hidden: what was typed stays), and its
    // printer keeps no address book that the device protocol reads.
    if (auto* group = window->findChild<QWidget*>(QStringLiteral("authorizationGroupBox")))
        group->setVisible(shown);
    if (passwordTextField)
        passwordTextField->setVisible(shown);
    if (view && view->lookUpDeviceDataButton)
        view->lookUpDeviceDataButton->setEnabled(shown && addressBook);
}

std::optional<bool> FaxSettingController::fillAddressFileList() {
    const char* folder = AbifGADFile_GetFileDirectory();
    if (!folder)
        return std::nullopt;
    const QString folderPath = QFile::decodeName(folder);
    const char* names = AbifGADFile_GetFileList();
    if (UtilityService::isSandboxed() == 1)
        return true; // the user picks the files
    if (!names || !*names)
        return std::nullopt; // no file names
    if (!fileList)
        return false;
    // Names ended by U+0000 each; an empty name ends the list. Any program of the user can fill
    // the folder; a popup of more files than anybody picks from is cut.
    for (const char* name = names; *name && fileList->count() < kMaxAddressFiles;
         name += std::strlen(name) + 1) {
        const QString piece = QFile::decodeName(name);
        fileList->addObject({piece, folderPath + QLatin1Char('/') + piece});
    }
    if (fileList->isEmpty())
        return false;
    fileList->setSelectionIndex(0);
    return true;
}

void FaxSettingController::endDialog(bool sending) {
    session.end();
    sendingStatus = sending;
}

void FaxSettingController::addAddressInfo(QObject*) {
    if (!destinationList)
        return;
    if (destinationList->count() >= kMaxDestinationCount) {
        platform::RunAlert(localized("No More Destination"), {}, {localized("OK")}, window);
        return;
    }
    if (destinationList->indexOfAddress(addressNameValue, addressPhoneNumberValue) >= 0 &&
        platform::RunAlert(
            localized("Duplicated Address Found"), localized("Add the same address to destinations?"),
            {localized("OK"), localized("Cancel")}, window) != platform::NSAlertFirstButtonReturn)
        return;
    destinationList->addObject(AddressInformation(addressNameValue, addressPhoneNumberValue));
    setAddressName(QStringLiteral(""));
    setAddressPhoneNumber(QStringLiteral(""));
}

void FaxSettingController::editAddressInfo(QObject*) {
    if (!destinationList)
        return;
    const QList<int> selected = destinationList->selectionIndexes();
    if (selected.isEmpty())
        return;
    const AddressInformation item = destinationList->arrangedObjects().at(selected.first());
    setAddressName(item.name());
    setAddressPhoneNumber(item.phoneNumber());
    destinationList->removeObjects({selected.first()});
}

void FaxSettingController::deleteAddressInfo(QObject*) {
    if (destinationList)
        destinationList->removeObjects(destinationList->selectionIndexes());
}

void FaxSettingController::startSending(QObject*) {
    if (!destinationList)
        return;
    if (destinationList->count() == 0) {
        if (!addressPhoneNumberValue.isEmpty() &&
            platform::RunAlert(localized("Characters added to Fax Number"),
                               localized("Current number is automatically added"),
                               {localized("OK"), localized("Cancel")},
                               window) == platform::NSAlertFirstButtonReturn)
            destinationList->addObject(AddressInformation(QStringLiteral(""), addressPhoneNumberValue));
        if (destinationList->count() == 0) {
            platform::RunAlert(localized("No Sender Specified"), {}, {localized("OK")}, window);
            return;
        }
    }
    endDialog(true);
}

void FaxSettingController::stopSending(QObject*) {
    if (destinationList)
        destinationList->removeAllObjects();
    endDialog(false);
}

void showFaxTransmissionHelp(const std::shared_ptr<platform::Bundle>& pluginBundle, ppd_file_t* ppd) {
    const auto helpBundle = pluginBundle
                                ? platform::Bundle::bundleWithIdentifier(pluginBundle->bundleIdentifier())
                                : std::shared_ptr<platform::Bundle>();
    if (getOSMinorVersion() <= 5)
        GotoHelpPage(helpBundle, QLatin1String(kHelpPage));
    else
        GotoHelpPage2_106(ppd, "", helpBundle, QLatin1String(kHelpFolder), QLatin1String(kHelpPage));
}

void FaxSettingController::showHelpBook(QObject*) {
    showFaxTransmissionHelp(pluginBundle, ppd);
}

void FaxSettingController::setAddressBookController(AddressBookController* controller) {
    addressBook = controller;
    if (!view || !addressBook)
        return;
    const auto offer = [this](QAbstractButton* button, void (FaxSettingController::*action)(QObject*)) {
        if (!button)
            return;
        connect(button, &QAbstractButton::clicked, this, [this, button, action] { (this->*action)(button); });
        button->setEnabled(true);
    };
    offer(view->lookUpAddressBookButton, &FaxSettingController::lookupAddressBook);
    offer(view->lookUpDeviceDataButton, &FaxSettingController::lookupDeviceData);
}

std::optional<QString> addressBookStartFolder(const QString& folder) {
    const QStringList components = pathComponents(folder);
    if (components.size() <= 6)
        return std::nullopt;
    return pathWithComponents(components.mid(0, 4) + components.mid(components.size() - 3));
}

void FaxSettingController::lookupAddressBook(QObject*) {
    if (!addressBook)
        return;
    if (UtilityService::isSandboxed() == 1 && fileList && fileList->isEmpty() && !chooseAddressBookFiles())
        return;
    openAddressBook(0);
}

bool FaxSettingController::chooseAddressBookFiles() {
    platform::OpenPanel panel;
    panel.setCanChooseFiles(true);
    panel.setCanChooseDirectories(false);
    panel.setAllowsMultipleSelection(true);
    const char* folder = AbifGADFile_GetFileDirectory();
    const std::optional<QString> start =
        folder ? addressBookStartFolder(QFile::decodeName(folder)) : std::nullopt;
    if (!start)
        return true; // no panel: the dialog opens without a file
    panel.setDirectoryURL(QUrl::fromLocalFile(*start));
    if (panel.runModal(window) != platform::NSModalResponseOK)
        return false;
    for (const QUrl& url : panel.URLs()) {
        if (fileList->count() >= kMaxAddressFiles)
            break;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            fileList->addObject({QFileInfo(path).fileName(), path});
    }
    if (fileList->isEmpty())
        return false;
    fileList->setSelectionIndex(0);
    return true;
}

void FaxSettingController::lookupDeviceData(QObject*) {
    if (addressBook)
        openAddressBook(1);
}

void FaxSettingController::openAddressBook(int tab) {
    addressBook->setBundle(pluginBundle);
    addressBook->setPPD(ppd);
    addressBook->setIPAddress(printerAddress);
    addressBook->setPassword(passwordValue);
    addressBook->createDialogWithTabSelection(tab);
}

void FaxSettingController::addToAddressBook(QObject*) {
    const QList<AddressFile> files = fileList ? fileList->selectedObjects() : QList<AddressFile>();
    std::int32_t code = kAbifErrInvalidArgument;
    if (!files.isEmpty() && !files.first().path.isEmpty()) {
        if (!canDeleteAddress())
            return; // no destination selected: nothing to store (the button is off then)
        code = addSelectedDestinations(files.first().path);
    }
    const char* message = "Cannot add to the file.";
    if (code == kAbifSuccess)
        message = "Added to Address Book.";
    else if (code == kAbifErrAlreadyInFile)
        message = "Address already exists.";
    else if (code == kAbifErrNoName)
        message = "No name specified.";
    platform::RunAlert(localized(message), {}, {localized("OK")}, window,
                       code == kAbifSuccess ? platform::NSAlertStyleInformational
                                            : platform::NSAlertStyleWarning);
}

std::int32_t FaxSettingController::addSelectedDestinations(const QString& path) const {
    const std::unique_ptr<ABIFData, void (*)(ABIFData*)> data(ABIFData_Create(), ABIFData_Delete);
    if (!data)
        return kAbifErrNoMemory;
    // The same name and fax number twice in one selection is one entry of the file.
    const QList<AddressInformation> selected =
        destinationList ? destinationList->selectedObjects() : QList<AddressInformation>();
    std::vector<AddressInformation> destinations;
    std::set<std::pair<QString, QString>> seen;
    for (const AddressInformation& item : selected)
        if (seen.emplace(item.name(), item.phoneNumber()).second)
            destinations.push_back(item);
    std::vector<ABIF_MyFax> records(destinations.size(), ABIF_MyFax{});
    for (std::size_t i = 0; i < destinations.size(); ++i) {
        std::uint8_t* record = records[i].bytes;
        if (destinations[i].name().isEmpty())
            return kAbifErrNoName;
        if (!writeUnicodeField(record + ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE, destinations[i].name()) ||
            !writeUnicodeField(record + ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE,
                               destinations[i].phoneNumber()))
            return kAbifErrInvalidArgument;
        qToLittleEndian<qint64>(std::time(nullptr), record + ABIF_MYFAX_TIME);
    }
    std::int32_t code =
        ABIFData_Add_MyFax(data.get(), static_cast<std::int32_t>(records.size()), records.data());
    if (code == kAbifSuccess)
        code = AbifGADFile_Add(QFile::encodeName(path).constData(), data.get(), 0);
    return code;
}

void FaxSettingController::selectAddressBook(QObject* sender) {
    if (auto* popup = qobject_cast<QComboBox*>(sender); popup && fileList)
        fileList->setSelectionIndex(popup->currentIndex());
}

// ---- The fax job record ----

FaxJobRecord FaxSettingController::faxJobRecord() const {
    FaxJobRecord record;
    record.password = passwordValue;
    if (!passwordValue.isNull())
        record.passwordEncoding = GetEncodingInfoFromPPD(ppd);
    record.delayedPrint = delayedPrintValue;
    record.delayedTime = delayedTimeValue;
    if (destinationList)
        record.destinations = destinationList->arrangedObjects();
    return record;
}

void FaxSettingController::setPrintSettings(platform::PrintSettings* settings) {
    WriteFaxJobRecord(faxJobRecord(), settings);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
