// Tab 0 of the address book dialog: the entries and groups of the address-book file selected in
// the shared file list, the search by name, and the expansion of a group into its members.
#include "AddressBookController.h"

#include <AddressBookIf.h>
#include <Alerts.h>
#include <UtilityService.h>

#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QStringMatcher>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

struct DataDeleter {
    void operator()(ABIFData* data) const { ABIFData_Delete(data); }
};
using DataHandle = std::unique_ptr<ABIFData, DataDeleter>;

// The text of a record's field; none when it is empty or lacks its ending zero unit.
std::optional<QString> fieldText(const uint8_t* record, int offset, int size) {
    return UtilityService::stringFromUnicodeBuf(record + offset, size);
}

quint16 u16At(const uint8_t* record, int offset) {
    return qFromLittleEndian<quint16>(record + offset);
}

// One kind of record: where its fields lie and how the handle gives it.
struct RecordKind {
    int size, idOffset, nameOffset, nameSize, phoneOffset, phoneSize;
    bool hasCompanyAndNote;
    int32_t (*count)(const ABIFData*);
    int32_t (*getAt)(const ABIFData*, int32_t, void*);
};
struct GroupKind {
    int size, nameOffset, nameSize, countOffset, membersOffset, maxMembers;
    int32_t (*count)(const ABIFData*);
    int32_t (*getAt)(const ABIFData*, int32_t, void*);
};

constexpr RecordKind kMyFaxKind{
    ABIF_MYFAX_SIZE,       ABIF_MYFAX_ID, ABIF_MYFAX_NAME,         ABIF_MYFAX_NAME_SIZE, ABIF_MYFAX_PHONE,
    ABIF_MYFAX_PHONE_SIZE, true,          ABIFData_GetCount_MyFax, ABIFData_GetAt_MyFax};
constexpr RecordKind kFaxKind{ABIF_FAX_SIZE,     ABIF_FAX_ID,         ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE,
                              ABIF_FAX_PHONE,    ABIF_FAX_PHONE_SIZE, false,         ABIFData_GetCount_Fax,
                              ABIFData_GetAt_Fax};
constexpr GroupKind kMyFaxGroupKind{ABIF_MYFAXGROUP_SIZE,         ABIF_MYFAXGROUP_NAME,
                                    ABIF_MYFAXGROUP_NAME_SIZE,    ABIF_MYFAXGROUP_COUNT,
                                    ABIF_MYFAXGROUP_MEMBERS,      ABIF_MYFAXGROUP_MAX_MEMBERS,
                                    ABIFData_GetCount_MyFaxGroup, ABIFData_GetAt_MyFaxGroup};
constexpr GroupKind kFaxGroupKind{
    ABIF_FAXGROUP_SIZE,    ABIF_FAXGROUP_NAME,        ABIF_FAXGROUP_NAME_SIZE,    ABIF_FAXGROUP_COUNT,
    ABIF_FAXGROUP_MEMBERS, ABIF_FAXGROUP_MAX_MEMBERS, ABIFData_GetCount_FaxGroup, ABIFData_GetAt_FaxGroup};

// Appends the handle's entries, then its groups, to `entries`; stops at the first record
// without the texts it needs, with its log line.
void readRecords(const ABIFData* data, const RecordKind& kind, const GroupKind& groupKind,
                 QList<AddressBookEntry>& entries) {
    std::vector<uint8_t> record(static_cast<size_t>(std::max(kind.size, groupKind.size)));
    const int32_t count = kind.count(data);
    for (int32_t i = 0; i < count; ++i) {
        std::fill(record.begin(), record.end(), 0);
        kind.getAt(data, i, record.data());
        AddressBookEntry entry;
        entry.id = u16At(record.data(), kind.idOffset);
        const std::optional<QString> name = fieldText(record.data(), kind.nameOffset, kind.nameSize);
        if (!name) {
            qWarning("initPCAdressBookTab: Individual - Invalid name");
            return;
        }
        const std::optional<QString> phone = fieldText(record.data(), kind.phoneOffset, kind.phoneSize);
        if (!phone) {
            qWarning("initPCAdressBookTab: Individual - Invalid Phone Number");
            return;
        }
        entry.name = *name;
        entry.phoneNumber = *phone;
        if (kind.hasCompanyAndNote) {
            entry.company = fieldText(record.data(), ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE)
                                .value_or(QStringLiteral(""));
            entry.note =
                fieldText(record.data(), ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE).value_or(QStringLiteral(""));
        } else {
            entry.company = entry.note = QStringLiteral("");
        }
        entries.append(std::move(entry));
    }
    const int32_t groups = groupKind.count(data);
    for (int32_t i = 0; i < groups; ++i) {
        std::fill(record.begin(), record.end(), 0);
        groupKind.getAt(data, i, record.data());
        const std::optional<QString> name =
            fieldText(record.data(), groupKind.nameOffset, groupKind.nameSize);
        if (!name) {
            qWarning("initPCAdressBookTab: Group - Invalid name");
            return;
        }
        // A member count beyond the record's slots reads only the slots.
        const int members = std::min<int>(u16At(record.data(), groupKind.countOffset), groupKind.maxMembers);
        QList<quint16> ids;
        ids.reserve(members);
        for (int m = 0; m < members; ++m)
            ids.append(u16At(record.data(), groupKind.membersOffset + 2 * m));
        entries.append(AddressBookEntry::group(*name, std::move(ids)));
    }
}

} // namespace

void AddressBookController::initPCAdressBookTab() {
    pcEntries.removeAllObjects();
    clearSearchField(pcSearchField, pcSearchText);
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
        readRecords(data.get(), kMyFaxKind, kMyFaxGroupKind, entries);
    } else if (result == kAbifErrTooManyMembers) {
        // A book made for a device (the emulator's input) may hold groups larger than the
        // computer's records carry; it is listed from the device's records instead.
        data.reset(ABIFData_Create());
        if (data && AbifGADFile_Read(path.constData(), data.get(), kAbifReadDeviceRecords) == kAbifSuccess)
            readRecords(data.get(), kFaxKind, kFaxGroupKind, entries);
    }
    data.reset();
    pcEntries.addObjects(entries);
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
