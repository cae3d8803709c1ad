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
    groups.clear();
    groups.reserve(book.groups.size());
    for (const DeviceGroup& group : book.groups) {
        size_t kept = std::min<size_t>(group.members.size(), ABIF_FAXGROUP_MAX_MEMBERS);
        if (kept < group.members.size())
            ++cut;
        groups.push_back(makeGroup<ABIF_FaxGroup>(kFaxGroupLayout, fromUtf8(group.name),
                                                  std::span<const uint16_t>(group.members.data(), kept)));
    }
    return cut;
}

namespace {

template <typename Record>
void appendEntries(const std::vector<Record>& records, const EntryLayout& layout, DeviceBook& book) {
    for (const Record& entry : records) {
        const uint8_t* record = entry.bytes;
        book.entries.push_back({readU16(record + layout.id),
                                toUtf8(readText(record + layout.name, layout.nameSize)),
                                toUtf8(readText(record + layout.phone, layout.phoneSize))});
    }
}

template <typename Record>
void appendGroups(const std::vector<Record>& records, const GroupLayout& layout, DeviceBook& book) {
    for (const Record& group : records) {
        const uint8_t* record = group.bytes;
        book.groups.push_back({toUtf8(readText(record + layout.name, layout.nameSize)),
                               readMembers(record, layout.count, layout.members, layout.maxMembers)});
    }
}

} // namespace

DeviceBook deviceBookFromRecords(const ABIFData& data) {
    DeviceBook book;
    book.entries.reserve(data.myFax.size() + data.fax.size());
    appendEntries(data.myFax, kMyFaxLayout, book);
    appendEntries(data.fax, kFaxLayout, book);
    book.groups.reserve(data.myFaxGroups.size() + data.faxGroups.size());
    appendGroups(data.myFaxGroups, kMyFaxGroupLayout, book);
    appendGroups(data.faxGroups, kFaxGroupLayout, book);
    return book;
}

} // namespace abif
