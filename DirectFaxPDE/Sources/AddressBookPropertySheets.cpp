// The property sheets of the address book dialog: the entry sheet (name, fax number, company,
// note) and the group sheet (name and the members that the tab shows). Nothing is written back.
#include "AddressBookController.h"

#include <BasicPdeView.h>
#include <ModalRun.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <utility>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

void showText(QWidget* sheet, const char* name, const QString& text) {
    if (!sheet)
        return;
    if (auto* field = sheet->findChild<QLineEdit*>(QLatin1String(name)))
        field->setText(text);
    else if (auto* area = sheet->findChild<QPlainTextEdit*>(QLatin1String(name)))
        area->setPlainText(text);
}

} // namespace

void AddressBookController::bindSheets() {
    const auto bindClose = [this](QWidget* sheet, const char* name,
                                  void (AddressBookController::*action)(QObject*)) {
        if (auto* button = sheet ? sheet->findChild<QPushButton*>(QLatin1String(name)) : nullptr)
            connect(button, &QAbstractButton::clicked, this,
                    [this, button, action] { (this->*action)(button); });
    };
    bindClose(userPanel, "closeUserPropertyButton", &AddressBookController::closeUserProperty);
    bindClose(groupPanel, "closeGroupPropertyButton", &AddressBookController::closeGroupProperty);
    if (groupPanel)
        groupMembers.showIn(groupPanel->findChild<QTableView*>(QStringLiteral("groupMemberTableView")));
}

void AddressBookController::showPCAddressProperty(QObject*) {
    showProperty(pcEntries);
}

void AddressBookController::showDevicePCAddressProperty(QObject*) {
    showProperty(deviceEntries);
}

void AddressBookController::showProperty(AddressBookEntryList& list) {
    const QList<AddressBookEntry> selected = list.selectedObjects();
    if (selected.isEmpty())
        return;
    const AddressBookEntry& entry = selected.first();
    QWidget* sheet = entry.isGroup() ? groupPanel.data() : userPanel.data();
    if (auto* view = sheet ? sheet->findChild<BasicPdeView*>() : nullptr) {
        view->setBundle(bundle);
        view->localizeAllControls();
    }
    if (entry.isGroup()) {
        setGroupPropertyInfo(entry, &list);
        showText(sheet, "groupNameField", groupProperties.value(QStringLiteral("name")).toString());
    } else {
        setUserPropertyInfo(entry);
        static constexpr std::pair<const char*, const char*> kFields[] = {
            {"name", "userNameField"},
            {"phoneNumber", "userPhoneNumberField"},
            {"company", "userCompanyField"},
            {"note", "userNoteField"}};
        for (const auto& [key, field] : kFields)
            showText(sheet, field, userProperties.value(QLatin1String(key)).toString());
    }
    if (sheet)
        platform::ModalRun::runModalForWindow(sheet);
}

void AddressBookController::setUserPropertyInfo(const AddressBookEntry& entry) {
    userProperties[QStringLiteral("name")] = entry.name;
    userProperties[QStringLiteral("phoneNumber")] = entry.phoneNumber;
    userProperties[QStringLiteral("company")] = entry.company.isNull() ? QStringLiteral("") : entry.company;
    userProperties[QStringLiteral("note")] = entry.note.isNull() ? QStringLiteral("") : entry.note;
}

void AddressBookController::setGroupPropertyInfo(const AddressBookEntry& group,
                                                 const AddressBookEntryList* list) {
    groupProperties[QStringLiteral("name")] = group.name;
    QList<AddressBookEntry> rows;
    for (const AddressBookEntry& member : getAddressListFrom(group, list)) {
        AddressBookEntry row;
        row.name = member.name;
        row.phoneNumber = member.phoneNumber;
        rows.append(std::move(row));
    }
    groupMembers.removeAllObjects();
    groupMembers.addObjects(rows);
}

void AddressBookController::closeUserProperty(QObject*) {
    platform::ModalRun::endModalForWindow(userPanel);
}

void AddressBookController::closeGroupProperty(QObject*) {
    platform::ModalRun::endModalForWindow(groupPanel);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
