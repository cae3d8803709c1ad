// Conversions between the device's address book and the fixed-size records.
#include "DeviceBook.h"

#include <algorithm>

namespace abif {

namespace {

// The UTF-16 form of as much of `utf8` as a field of `fieldBytes` can show: a long text from the
// device is cut before it is converted, so it never costs more than the field.
std::u16string fieldText(std::string_view utf8, size_t fieldBytes) {
    // A UTF-16 unit takes at least one byte of UTF-8; cut at the start of a character.
    size_t keep = std::min(utf8.size(), fieldBytes / 2 * 4);
    while (keep < utf8.size() && keep > 0 && (uint8_t(utf8[keep]) & 0xC0) == 0x80)
        --keep;
    return fromUtf8(utf8.substr(0, keep));
}

} // namespace

size_t makeFaxRecords(const DeviceBook& book, std::vector<ABIF_Fax>& entries,
                      std::vector<ABIF_FaxGroup>& groups) {
    entries.assign(book.entries.size(), ABIF_Fax{});
    for (size_t i = 0; i < book.entries.size(); ++i) {
        const DeviceEntry& entry = book.entries[i];
        uint8_t* record = entries[i].bytes;
        writeU16(record + ABIF_FAX_ID, entry.id);
        writeText(record + ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE, fieldText(entry.name, ABIF_FAX_NAME_SIZE));
        writeText(record + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE, fieldText(entry.number, ABIF_FAX_PHONE_SIZE));
    }
    size_t cut = 0;
    groups.clear();
    groups.reserve(book.groups.size());
    for (const DeviceGroup& group : book.groups) {
        size_t kept = std::min<size_t>(group.members.size(), ABIF_FAXGROUP_MAX_MEMBERS);
        if (kept < group.members.size())
            ++cut;
        groups.push_back(makeGroup<ABIF_FaxGroup>(kFaxGroupLayout,
                                                  fieldText(group.name, kFaxGroupLayout.nameSize),
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

int32_t deviceBookForWrite(const ABIFData& data, DeviceBook& book) {
    if (data.fax.size() > kMaxDeviceEntries || data.faxGroups.size() > kMaxDeviceGroups)
        return kAbifErrFull;
    for (const ABIF_FaxGroup& group : data.faxGroups)
        if (readU16(group.bytes + ABIF_FAXGROUP_COUNT) > ABIF_FAXGROUP_MAX_MEMBERS)
            return kAbifErrTooManyMembers;
    DeviceBook out;
    appendEntries(data.fax, kFaxLayout, out);
    appendGroups(data.faxGroups, kFaxGroupLayout, out);
    std::vector<bool> seen(size_t(UINT16_MAX) + 1, false);
    for (const DeviceEntry& entry : out.entries) {
        if (entry.name.empty())
            return kAbifErrNoName;
        if (entry.id == 0 || seen[entry.id] || entry.number.empty())
            return kAbifErrInvalidArgument;
        seen[entry.id] = true;
    }
    for (const DeviceGroup& group : out.groups) {
        if (group.name.empty())
            return kAbifErrNoName;
        std::vector<uint16_t> members = group.members;
        std::sort(members.begin(), members.end());
        if (std::adjacent_find(members.begin(), members.end()) != members.end() ||
            std::any_of(members.begin(), members.end(), [&](uint16_t id) { return !seen[id]; }))
            return kAbifErrInvalidArgument;
    }
    book = std::move(out);
    return kAbifSuccess;
}

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
