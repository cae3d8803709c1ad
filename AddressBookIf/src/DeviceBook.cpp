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

DeviceBook deviceBookFromComputerRecords(const ABIFData& data) {
    DeviceBook book;
    book.entries.reserve(data.myFax.size());
    for (const ABIF_MyFax& fax : data.myFax) {
        const uint8_t* record = fax.bytes;
        book.entries.push_back({readU16(record + ABIF_MYFAX_ID),
                                toUtf8(readText(record + ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE)),
                                toUtf8(readText(record + ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE))});
    }
    book.groups.reserve(data.myFaxGroups.size());
    for (const ABIF_MyFaxGroup& group : data.myFaxGroups) {
        const uint8_t* record = group.bytes;
        book.groups.push_back({toUtf8(readText(record + ABIF_MYFAXGROUP_NAME, ABIF_MYFAXGROUP_NAME_SIZE)),
                               readMembers(record, ABIF_MYFAXGROUP_COUNT, ABIF_MYFAXGROUP_MEMBERS,
                                           ABIF_MYFAXGROUP_MAX_MEMBERS)});
    }
    return book;
}

} // namespace abif
