// Conversions between the device's address book and the fixed-size records.
#include "DeviceBook.h"

#include <algorithm>

namespace abif {

size_t makeFaxRecords(const DeviceBook& book, std::vector<ABIF_Fax>& entries,
                      std::vector<ABIF_FaxGroup>& groups) {
    entries.assign(book.entries.size(), ABIF_Fax{});
    for (size_t i = 0; i < book.entries.size(); ++i) {
        const DeviceEntry& entry = book.entries[i];
        uint8_t* record = entries[i].bytes;
        writeU16(record + ABIF_FAX_ID, entry.id);
        writeText(record + ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE, fromUtf8(entry.name));
        writeText(record + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE, fromUtf8(entry.number));
    }
    size_t cut = 0;
    groups.assign(book.groups.size(), ABIF_FaxGroup{});
    for (size_t i = 0; i < book.groups.size(); ++i) {
        const DeviceGroup& group = book.groups[i];
        uint8_t* record = groups[i].bytes;
        writeText(record + ABIF_FAXGROUP_NAME, ABIF_FAXGROUP_NAME_SIZE, fromUtf8(group.name));
        size_t kept = std::min<size_t>(group.members.size(), ABIF_FAXGROUP_MAX_MEMBERS);
        if (kept < group.members.size())
            ++cut;
        writeMembers(record, ABIF_FAXGROUP_COUNT, ABIF_FAXGROUP_MEMBERS, ABIF_FAXGROUP_MAX_MEMBERS,
                     std::span<const uint16_t>(group.members.data(), kept));
    }
    return cut;
}

namespace {

template <typename Record>
void appendEntries(const std::vector<Record>& records, size_t idOffset, size_t nameOffset, size_t nameSize,
                   size_t phoneOffset, size_t phoneSize, DeviceBook& book) {
    for (const Record& entry : records) {
        const uint8_t* record = entry.bytes;
        book.entries.push_back({readU16(record + idOffset), toUtf8(readText(record + nameOffset, nameSize)),
                                toUtf8(readText(record + phoneOffset, phoneSize))});
    }
}

template <typename Record>
void appendGroups(const std::vector<Record>& records, size_t nameOffset, size_t nameSize, size_t countOffset,
                  size_t membersOffset, size_t maxMembers, DeviceBook& book) {
    for (const Record& group : records) {
        const uint8_t* record = group.bytes;
        book.groups.push_back({toUtf8(readText(record + nameOffset, nameSize)),
                               readMembers(record, countOffset, membersOffset, maxMembers)});
    }
}

} // namespace

DeviceBook deviceBookFromRecords(const ABIFData& data) {
    DeviceBook book;
    book.entries.reserve(data.myFax.size() + data.fax.size());
    appendEntries(data.myFax, ABIF_MYFAX_ID, ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE, ABIF_MYFAX_PHONE,
                  ABIF_MYFAX_PHONE_SIZE, book);
    appendEntries(data.fax, ABIF_FAX_ID, ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE, ABIF_FAX_PHONE,
                  ABIF_FAX_PHONE_SIZE, book);
    book.groups.reserve(data.myFaxGroups.size() + data.faxGroups.size());
    appendGroups(data.myFaxGroups, ABIF_MYFAXGROUP_NAME, ABIF_MYFAXGROUP_NAME_SIZE, ABIF_MYFAXGROUP_COUNT,
                 ABIF_MYFAXGROUP_MEMBERS, ABIF_MYFAXGROUP_MAX_MEMBERS, book);
    appendGroups(data.faxGroups, ABIF_FAXGROUP_NAME, ABIF_FAXGROUP_NAME_SIZE, ABIF_FAXGROUP_COUNT,
                 ABIF_FAXGROUP_MEMBERS, ABIF_FAXGROUP_MAX_MEMBERS, book);
    return book;
}

} // namespace abif
