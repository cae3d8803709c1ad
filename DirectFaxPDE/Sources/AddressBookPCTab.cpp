// Tab 0 of the address book dialog: the entries and groups of the address-book file selected in
// the shared file list, the search by name, and the expansion of a group into its members.
#include "AddressBookController.h"
#include "AddressBookRecords.h"

#include <AddressBookIf.h>
#include <Alerts.h>

#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QStringMatcher>
#include <algorithm>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr RecordLogLines kPCLogLines{"initPCAdressBookTab: Individual - Invalid name",
                                     "initPCAdressBookTab: Individual - Invalid Phone Number",
                                     "initPCAdressBookTab: Group - Invalid name"};

} // namespace

void AddressBookController::initPCAdressBookTab() {
    pcEntries.removeAllObjects();
    clearSearchField(pcSearchField, pcSearchText);
    // The search copy goes first: a book that cannot be read must not bring back the entries of
    // the one before through the search, and the old and new books are never held at once.
    originalPCAddressList.clear();
    if (!fileList || fileList->isEmpty()) {
        platform::RunAlert(localized("Address Book file is none"), {}, {localized("OK")}, window);
        return;
    }
    const QList<AddressFile> selected = fileList->selectedObjects();
    if (selected.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(selected.first().path);
    DataHandle data(ABIFData_Create());
    if (!data)
        return;
    QList<AddressBookEntry> entries;
    int32_t result = AbifGADFile_Read(path.constData(), data.get(), 0);
    if (result == kAbifSuccess) {
        readRecords(data.get(), RecordSource::Computer, kPCLogLines, entries);
    } else if (result == kAbifErrTooManyMembers) {
        // A book made for a device (the emulator's input) may hold groups larger than the
        // computer's records carry; it is listed from the device's records instead.
        data.reset(ABIFData_Create());
        if (data && AbifGADFile_Read(path.constData(), data.get(), kAbifReadDeviceRecords) == kAbifSuccess)
            readRecords(data.get(), RecordSource::Device, kPCLogLines, entries);
    }
    data.reset();
    pcEntries.addObjects(std::move(entries));
    originalPCAddressList = pcEntries.arrangedObjects();
}

void AddressBookController::sortPCAddressData(QObject* sender) {
    const auto* field = qobject_cast<QLineEdit*>(sender);
    pcSearchText = field ? field->text() : QString();
    filterByName(pcEntries, originalPCAddressList, pcSearchText);
}

void AddressBookController::filterByName(AddressBookEntryList& list, const QList<AddressBookEntry>& original,
                                         const QString& text) {
    if (text.isEmpty()) {
        list.setArrangedObjects(original);
        return;
    }
    // The search copy is in the list's arrangement, so its matches are too.
    const QStringMatcher matcher(text, Qt::CaseInsensitive);
    QList<AddressBookEntry> matches;
    for (const AddressBookEntry& entry : original)
        if (matcher.indexIn(entry.name) >= 0)
            matches.append(entry);
    list.setArrangedObjects(std::move(matches));
}

QList<AddressBookEntry> AddressBookController::getAddressListFrom(const AddressBookEntry& group,
                                                                  const AddressBookEntryList* list) const {
    QList<AddressBookEntry> members;
    if (!list)
        return members;
    // How often each member Id is still wanted.
    QHash<quint16, int> wanted;
    qsizetype remaining = group.userIDList.size();
    for (quint16 id : group.userIDList)
        ++wanted[id];
    for (const AddressBookEntry& entry : list->arrangedObjects()) {
        if (remaining == 0)
            break;
        if (entry.isGroup() || !entry.id)
            continue;
        if (const auto at = wanted.find(*entry.id); at != wanted.end() && *at > 0) {
            members.append(entry);
            --*at;
            --remaining;
        }
    }
    if (remaining > 0)
        qWarning("Error. Some addresses not found in the address book.");
    return members;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
