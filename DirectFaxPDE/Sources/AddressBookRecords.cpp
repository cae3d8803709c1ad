#include "AddressBookRecords.h"

#include <UtilityService.h>

#include <QtEndian>
#include <algorithm>
#include <optional>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

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

void readRecords(const ABIFData* data, const RecordKind& kind, const GroupKind& groupKind,
                 const RecordLogLines& log, QList<AddressBookEntry>& entries) {
    std::vector<uint8_t> record(static_cast<size_t>(std::max(kind.size, groupKind.size)));
    // A record the handle does not give reads as zeros.
    const auto getAt = [&](int32_t (*get)(const ABIFData*, int32_t, void*), int32_t index) {
        if (get(data, index, record.data()) != kAbifSuccess)
            std::fill(record.begin(), record.end(), 0);
    };
    const int32_t count = kind.count(data);
    const int32_t groups = groupKind.count(data);
    entries.reserve(entries.size() + std::max(count, 0) + std::max(groups, 0));
    for (int32_t i = 0; i < count; ++i) {
        getAt(kind.getAt, i);
        AddressBookEntry entry;
        entry.id = u16At(record.data(), kind.idOffset);
        std::optional<QString> name = fieldText(record.data(), kind.nameOffset, kind.nameSize);
        if (!name) {
            qWarning("%s", log.invalidName);
            return;
        }
        std::optional<QString> phone = fieldText(record.data(), kind.phoneOffset, kind.phoneSize);
        if (!phone) {
            qWarning("%s", log.invalidPhoneNumber);
            return;
        }
        entry.name = std::move(*name);
        entry.phoneNumber = std::move(*phone);
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
    for (int32_t i = 0; i < groups; ++i) {
        getAt(groupKind.getAt, i);
        const std::optional<QString> name =
            fieldText(record.data(), groupKind.nameOffset, groupKind.nameSize);
        if (!name) {
            qWarning("%s", log.invalidGroupName);
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

void readRecords(const ABIFData* data, RecordSource source, const RecordLogLines& log,
                 QList<AddressBookEntry>& entries) {
    if (source == RecordSource::Computer)
        readRecords(data, kMyFaxKind, kMyFaxGroupKind, log, entries);
    else
        readRecords(data, kFaxKind, kFaxGroupKind, log, entries);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
