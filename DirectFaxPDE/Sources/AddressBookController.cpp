#include "AddressBookController.h"

#include "AddressBookView.h"
#include "FaxSettingController.h"

#include <Alerts.h>
#include <BackgroundWork.h>
#include <Bundle.h>
#include <ModalRun.h>
#include <UiLoader.h>

#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The property through which a table tells the row its last double-click hit (-1: none).
constexpr char kClickedRow[] = "clickedRow";

// Turns a table's double-clicks into an action, the table reporting the row that was hit; a
// double-click on the header or below the last row reports -1.
class DoubleClickAction : public QObject {
public:
    DoubleClickAction(QTableView* table, std::function<void(QObject*)> action)
        : QObject(table), table(table), action(std::move(action)) {
        table->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto* click = static_cast<QMouseEvent*>(event);
            table->setProperty(kClickedRow, table->indexAt(click->position().toPoint()).row());
            action(table);
            table->setProperty(kClickedRow, QVariant());
            return true;
        }
        return false;
    }

private:
    QTableView* table;
    std::function<void(QObject*)> action;
};

} // namespace

AddressBookController::AddressBookController(QObject* parent) : QObject(parent) {}

AddressBookController::~AddressBookController() {
    // No reading of the device outlives the controller: one still going on is cancelled and
    // waited for.
    deviceReading.reset();
    if (destinationList)
        disconnect(destinationList, nullptr, this, nullptr);
}

AddressBookController* AddressBookController::loadInterfaceFile(
    const platform::Bundle& bundle, DestinationList* destinations, AddressFileList* files,
    std::vector<std::unique_ptr<QObject>>& topLevelObjects, QString* error) {
    platform::UiLoader loader;
    loader.registerWidgetClass<AddressBookView>();
    QString reason;
    std::unique_ptr<QWidget> window(
        loader.loadInterfaceFile(bundle, QStringLiteral("AddressBook"), nullptr, &reason));
    if (window && !window->findChild<AddressBookView*>()) {
        reason = QStringLiteral("AddressBook has no AddressBookView");
        window.reset();
    }
    if (!window) {
        if (error)
            *error = reason;
        return nullptr;
    }
    std::unique_ptr<QWidget> sheets[2];
    loader.registerWidgetClass<BasicPdeView>();
    const char* sheetNames[2] = {"UserProperty", "GroupProperty"};
    for (int i = 0; i < 2; ++i) {
        sheets[i].reset(loader.loadInterfaceFile(bundle, QLatin1String(sheetNames[i])));
        if (sheets[i] && !sheets[i]->findChild<BasicPdeView*>())
            sheets[i].reset();
    }
    auto controller = std::make_unique<AddressBookController>();
    controller->awakeFromNib(window.get(), destinations, files, sheets[0].get(), sheets[1].get());
    AddressBookController* answer = controller.get();
    topLevelObjects.push_back(std::move(controller));
    topLevelObjects.push_back(std::move(window));
    for (auto& sheet : sheets)
        if (sheet)
            topLevelObjects.push_back(std::move(sheet));
    return answer;
}

void AddressBookController::awakeFromNib(QWidget* panel, DestinationList* destinations,
                                         AddressFileList* files, QWidget* userSheet, QWidget* groupSheet) {
    window = panel;
    userPanel = userSheet;
    groupPanel = groupSheet;
    destinationList = destinations;
    fileList = files;
    for (AddressBookEntryList* list : {&pcEntries, &deviceEntries, &groupMembers})
        list->setSortDescriptors(DestinationList::destinationSortDescriptors());
    password.reset();
    connect(&pcEntries, &AddressBookEntryList::selectedObjectsChanged, this,
            [this] { observeValueForKeyPath(QStringLiteral("selectedObjects"), &pcEntries); });
    connect(&deviceEntries, &AddressBookEntryList::selectedObjectsChanged, this,
            [this] { observeValueForKeyPath(QStringLiteral("selectedObjects"), &deviceEntries); });
    if (destinationList)
        connect(destinationList, &DestinationList::selectedObjectsChanged, this,
                [this] { observeValueForKeyPath(QStringLiteral("selectedObjects"), destinationList); });
    bindControls();
    bindSheets();
}

void AddressBookController::bindControls() {
    if (!window)
        return;
    contentView = window->findChild<AddressBookView*>();
    if (contentView) {
        contentView->connectOutlets();
        if (QTabWidget* tabs = contentView->addressSourceTabView)
            connect(tabs, &QTabWidget::currentChanged, this, &AddressBookController::tabViewWillSelect);
    }
    const auto child = [this]<class T>(QPointer<T>& field, const char* name) {
        field = window->findChild<T*>(QLatin1String(name));
    };
    child(pcAddressTableView, "pcAddressTableView");
    child(deviceAddressTableView, "deviceAddressTableView");
    child(pcSearchField, "pcAddressSearchField");
    child(deviceSearchField, "deviceAddressSearchField");

    pcEntries.showIn(pcAddressTableView);
    deviceEntries.showIn(deviceAddressTableView);
    if (destinationList)
        destinationList->showIn(window->findChild<QTableView*>(QStringLiteral("destinationTableView")));
    // A double-click in a table adds the tab's selected entries.
    if (pcAddressTableView)
        new DoubleClickAction(pcAddressTableView,
                              [this](QObject* table) { addSelectedPCAddressData(table); });
    if (deviceAddressTableView)
        new DoubleClickAction(deviceAddressTableView,
                              [this](QObject* table) { addSelectedDeviceAddressData(table); });
    if (pcSearchField)
        connect(pcSearchField, &QLineEdit::textChanged, this, [this] { sortPCAddressData(pcSearchField); });
    if (deviceSearchField)
        connect(deviceSearchField, &QLineEdit::textChanged, this,
                [this] { sortDeviceAddressData(deviceSearchField); });

    const auto bindButton = [this](const char* name, void (AddressBookController::*action)(QObject*),
                                   void (AddressBookController::*changed)(bool), bool enabled) {
        auto* button = window->findChild<QPushButton*>(QLatin1String(name));
        if (!button)
            return;
        connect(button, &QAbstractButton::clicked, this, [this, button, action] { (this->*action)(button); });
        if (changed)
            connect(this, changed, button, &QWidget::setEnabled);
        button->setEnabled(enabled);
    };
    bindButton("addPcAddressButton", &AddressBookController::addSelectedPCAddressData,
               &AddressBookController::canAddPCAddressDataChanged, canAddPCAddressData);
    bindButton("addDeviceAddressButton", &AddressBookController::addSelectedDeviceAddressData,
               &AddressBookController::canAddDeviceAddressDataChanged, canAddDeviceAddressData);
    bindButton("showPcAddressPropertyButton", &AddressBookController::showPCAddressProperty,
               &AddressBookController::canShowPCAddressPropertyChanged, false);
    bindButton("showDeviceAddressPropertyButton", &AddressBookController::showDevicePCAddressProperty,
               &AddressBookController::canShowDeviceAddressPropertyChanged, false);
    bindButton("deleteAddressButton", &AddressBookController::deleteAddressInfo,
               &AddressBookController::canRemoveDestinationAddressChanged, canRemoveDestinationAddress);
    bindButton("saveButton", &AddressBookController::saveAddressSetting, nullptr, true);
    bindButton("cancelButton", &AddressBookController::cancelAddressSetting, nullptr, true);
    bindButton("helpButton", &AddressBookController::showHelpBook, nullptr, true);
}

void AddressBookController::setBundle(std::shared_ptr<platform::Bundle> newBundle) {
    bundle = std::move(newBundle);
}

QString AddressBookController::localized(const char* key) const {
    const QString text = QString::fromUtf8(key);
    return bundle ? bundle->localizedStringForKey(text, QString(), QString()) : text;
}

// ---- Opening and closing ----

void AddressBookController::createDialogWithTabSelection(int tab) {
    if (!window)
        return;
    oldAddresses = destinationList ? destinationList->arrangedObjects() : QList<AddressInformation>();
    originalPCAddressList.clear();
    originalDeviceAddressList.clear();
    if (contentView) {
        contentView->setBundle(bundle);
        contentView->initializeControls();
        // Selecting the tab already shown brings no notice: it is loaded here instead, so that
        // either way the tab is loaded exactly once.
        if (contentView->selectedTabIndex() == tab)
            tabViewWillSelect(tab);
        contentView->selectTab(tab);
    }
    // Closed any other way than OK or Cancel (its close button, Escape), it cancels.
    session.run(window, [this] { cancelAddressSetting(); });
}

void AddressBookController::tabViewWillSelect(int index) {
    if (index == 0)
        initPCAdressBookTab();
    else
        initDeviceAddressTab();
}

void AddressBookController::endDialog() {
    oldAddresses.clear();
    originalPCAddressList.clear();
    originalDeviceAddressList.clear();
    session.end();
}

void AddressBookController::saveAddressSetting(QObject*) {
    endDialog();
}

void AddressBookController::cancelAddressSetting(QObject*) {
    if (destinationList) {
        destinationList->removeAllObjects();
        for (const AddressInformation& item : oldAddresses)
            destinationList->addObject(item);
    }
    endDialog();
}

void AddressBookController::showHelpBook(QObject*) {
    showFaxTransmissionHelp(bundle, ppd);
}

// ---- Enabling ----

void AddressBookController::setFlag(bool& field, bool value, void (AddressBookController::*changed)(bool)) {
    if (field == value)
        return;
    field = value;
    emit(this->*changed)(value);
}

void AddressBookController::observeValueForKeyPath(const QString& keyPath, const QObject* object) {
    if (keyPath != QLatin1String("selectedObjects"))
        return;
    if (object == &pcEntries) {
        const qsizetype selected = pcEntries.selectionIndexes().size();
        setFlag(canAddPCAddressData, selected >= 1, &AddressBookController::canAddPCAddressDataChanged);
        setFlag(canShowPCAddressProperty, selected == 1,
                &AddressBookController::canShowPCAddressPropertyChanged);
    } else if (object == &deviceEntries) {
        const qsizetype selected = deviceEntries.selectionIndexes().size();
        setFlag(canAddDeviceAddressData, selected >= 1,
                &AddressBookController::canAddDeviceAddressDataChanged);
        setFlag(canShowDeviceAddressProperty, selected == 1,
                &AddressBookController::canShowDeviceAddressPropertyChanged);
    } else if (object && object == destinationList) {
        setFlag(canRemoveDestinationAddress, !destinationList->selectionIndexes().isEmpty(),
                &AddressBookController::canRemoveDestinationAddressChanged);
    }
}

// ---- Adding and removing destinations ----

void AddressBookController::addSelectedPCAddressData(QObject* sender) {
    addSelected(sender, &pcEntries);
}

void AddressBookController::addSelectedDeviceAddressData(QObject* sender) {
    addSelected(sender, &deviceEntries);
}

void AddressBookController::addSelected(QObject* sender, AddressBookEntryList* list) {
    if (sender) {
        const QVariant clickedRow = sender->property(kClickedRow);
        if (clickedRow.isValid() && clickedRow.toInt() < 0)
            return;
    }
    addAddressesFromAddressBook(list);
}

void AddressBookController::addAddressesFromAddressBook(AddressBookEntryList* list) {
    if (!list || !destinationList)
        return;
    QList<AddressBookEntry> working;
    for (const AddressBookEntry& entry : list->selectedObjects()) {
        if (entry.isGroup())
            working.append(getAddressListFrom(entry, list));
        else
            working.append(entry);
    }
    // The limit counts every address of the add, duplicates included.
    if (destinationList->count() + working.size() > kMaxDestinationCount) {
        platform::RunAlert(localized("No More Destination"), {}, {localized("OK")}, window);
        return;
    }
    std::optional<bool> allowDuplicates;
    for (const AddressBookEntry& entry : working) {
        if (existAddressInDestination(entry)) {
            if (!allowDuplicates)
                allowDuplicates = checkIfAllowDuplication();
            if (!*allowDuplicates)
                continue;
        }
        addDestinationAddress(entry);
    }
}

bool AddressBookController::existAddressInDestination(const AddressBookEntry& entry) const {
    return destinationList && destinationList->indexOfAddress(entry.name, entry.phoneNumber) >= 0;
}

bool AddressBookController::checkIfAllowDuplication() {
    return platform::RunAlert(
               localized("Duplicated Address Found"), localized("Add the same address to destinations?"),
               {localized("OK"), localized("Cancel")}, window) == platform::NSAlertFirstButtonReturn;
}

void AddressBookController::addDestinationAddress(const AddressBookEntry& entry) {
    if (destinationList)
        destinationList->addObject(AddressInformation(entry.name, entry.phoneNumber));
}

void AddressBookController::deleteAddressInfo(QObject*) {
    if (destinationList)
        destinationList->removeObjects(destinationList->selectionIndexes());
}

// ---- Tabs ----

void AddressBookController::clearSearchField(QLineEdit* field, QString& text) {
    text = QStringLiteral("");
    if (field) {
        const QSignalBlocker quiet(field);
        field->clear();
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
