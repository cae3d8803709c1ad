// Byte-level access to the fixed-size records: little-endian integers and UTF-16LE text fields.
#pragma once

#include "AddressBookIf.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace abif {

inline uint16_t readU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline void writeU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline int64_t readI64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return int64_t(v);
}
inline void writeI64(uint8_t* p, int64_t value) {
    auto v = uint64_t(value);
    for (int i = 0; i < 8; ++i, v >>= 8)
        p[i] = uint8_t(v);
}

// The UTF-16 units before the first zero unit of a field; the whole field when it holds none.
std::u16string readText(const uint8_t* field, size_t sizeBytes);
// Writes `text` and its zero unit, cut to what the field holds (never inside a surrogate pair);
// the rest of the field is zeroed. Answers false when the text had to be cut.
bool writeText(uint8_t* field, size_t sizeBytes, std::u16string_view text);

// Malformed sequences (stray bytes, overlong forms, surrogates) become U+FFFD.
std::u16string fromUtf8(std::string_view utf8);
// Whether `text` is well-formed UTF-8 that fromUtf8 takes without a replacement.
bool isValidUtf8(std::string_view text);
std::string toUtf8(std::u16string_view utf16);

// Group member lists: count slot followed by the Id slots.
std::vector<uint16_t> readMembers(const uint8_t* record, size_t countOffset, size_t membersOffset,
                                  size_t maxMembers);
// Answers false (and writes nothing) when there are more members than slots.
bool writeMembers(uint8_t* record, size_t countOffset, size_t membersOffset, size_t maxMembers,
                  std::span<const uint16_t> members);

// Where the fields of an entry record and a group record lie.
struct EntryLayout {
    size_t id, name, nameSize, phone, phoneSize;
    bool full; // company, note and time added as well
};
struct GroupLayout {
    size_t name, nameSize, count, members, maxMembers;
};

inline constexpr EntryLayout kMyFaxLayout{ABIF_MYFAX_ID,    ABIF_MYFAX_NAME,       ABIF_MYFAX_NAME_SIZE,
                                          ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE, true};
inline constexpr EntryLayout kFaxLayout{ABIF_FAX_ID,    ABIF_FAX_NAME,       ABIF_FAX_NAME_SIZE,
                                        ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE, false};
inline constexpr GroupLayout kMyFaxGroupLayout{ABIF_MYFAXGROUP_NAME, ABIF_MYFAXGROUP_NAME_SIZE,
                                               ABIF_MYFAXGROUP_COUNT, ABIF_MYFAXGROUP_MEMBERS,
                                               ABIF_MYFAXGROUP_MAX_MEMBERS};
inline constexpr GroupLayout kFaxGroupLayout{ABIF_FAXGROUP_NAME, ABIF_FAXGROUP_NAME_SIZE, ABIF_FAXGROUP_COUNT,
                                             ABIF_FAXGROUP_MEMBERS, ABIF_FAXGROUP_MAX_MEMBERS};

// A computer entry record holding the given fields.
inline ABIF_MyFax makeMyFax(uint16_t id, std::u16string_view name, std::u16string_view fax,
                            std::u16string_view company, std::u16string_view note, int64_t added) {
    ABIF_MyFax r{};
    writeU16(r.bytes + ABIF_MYFAX_ID, id);
    writeText(r.bytes + ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE, name);
    writeText(r.bytes + ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE, fax);
    writeText(r.bytes + ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE, company);
    writeText(r.bytes + ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE, note);
    writeI64(r.bytes + ABIF_MYFAX_TIME, added);
    return r;
}

// A group record of `layout` named `name`; it holds no members when `members` are more than it has
// slots for.
template <typename Record>
Record makeGroup(const GroupLayout& layout, std::u16string_view name, std::span<const uint16_t> members) {
    Record r{};
    writeText(r.bytes + layout.name, layout.nameSize, name);
    writeMembers(r.bytes, layout.count, layout.members, layout.maxMembers, members);
    return r;
}

} // namespace abif

// The data handle: the records of the four kinds in the order they were taken in.
struct ABIFData {
    std::vector<ABIF_MyFax> myFax;
    std::vector<ABIF_MyFaxGroup> myFaxGroups;
    std::vector<ABIF_Fax> fax;
    std::vector<ABIF_FaxGroup> faxGroups;
    std::string deviceRevision; // of the device's book the Fax and FaxGroup records were read from
};

namespace abif {

// Reads the address-book file at `path` into `data` as the records of its own kind, which is
// set in `kind`: a device file's as `Fax` and `FaxGroup` records (its groups may hold more
// members than a `MyFaxGroup`), a computer file's as `MyFax` and `MyFaxGroup` records. The
// file is opened once; answers the result code that AbifGADFile_Read would.
int32_t readFileRecords(const char* path, ABIFData* data, int32_t& kind);

} // namespace abif
