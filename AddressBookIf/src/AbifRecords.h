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

inline uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void writeU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline int64_t readI64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return int64_t(v);
}
inline void writeI64(uint8_t* p, int64_t value) {
    auto v = uint64_t(value);
    for (int i = 0; i < 8; ++i, v >>= 8) p[i] = uint8_t(v);
}

// The UTF-16 units before the first zero unit of a field; the whole field when it holds none.
std::u16string readText(const uint8_t* field, size_t sizeBytes);
// Writes `text` and its zero unit, cut to what the field holds (never inside a surrogate pair);
// the rest of the field is zeroed. Answers false when the text had to be cut.
bool writeText(uint8_t* field, size_t sizeBytes, std::u16string_view text);

std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Group member lists: count slot followed by the Id slots.
std::vector<uint16_t> readMembers(const uint8_t* record, size_t countOffset, size_t membersOffset,
                                  size_t maxMembers);
// Answers false (and writes nothing) when there are more members than slots.
bool writeMembers(uint8_t* record, size_t countOffset, size_t membersOffset, size_t maxMembers,
                  std::span<const uint16_t> members);

} // namespace abif

// The data handle: the records of the four kinds in the order they were taken in.
struct ABIFData {
    std::vector<ABIF_MyFax> myFax;
    std::vector<ABIF_MyFaxGroup> myFaxGroups;
    std::vector<ABIF_Fax> fax;
    std::vector<ABIF_FaxGroup> faxGroups;
};
