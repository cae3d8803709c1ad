// Data handles and record helpers.
#include "AbifRecords.h"

#include <cstring>
#include <new>

namespace abif {

std::u16string readText(const uint8_t* field, size_t sizeBytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < sizeBytes; i += 2) {
        char16_t unit = readU16(field + i);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

bool writeText(uint8_t* field, size_t sizeBytes, std::u16string_view text) {
    std::memset(field, 0, sizeBytes);
    size_t capacity = sizeBytes / 2 - 1; // one unit for the zero
    size_t n = std::min(capacity, text.size());
    if (n < text.size() && n > 0 && (text[n - 1] & 0xFC00) == 0xD800)
        --n; // keep pairs whole
    for (size_t i = 0; i < n; ++i)
        writeU16(field + 2 * i, text[i]);
    return n == text.size();
}

namespace {

// The length of the UTF-8 sequence that `s` starts with, its code point put in `cp`: 0 when the
// sequence is not valid, more than s.size() when the end of `s` cuts it short.
size_t decodeUtf8(std::string_view s, char32_t& cp) {
    auto c = static_cast<unsigned char>(s[0]);
    size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || len > s.size())
        return len;
    cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) {
        auto cc = static_cast<unsigned char>(s[k]);
        if ((cc & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms are refused too: C0 80 would otherwise smuggle a zero unit into a field.
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = decodeUtf8(s.substr(i), cp);
        if (len > s.size() - i) {
            out.push_back(0xFFFD);
            break;
        }
        if (len == 0) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += len;
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = decodeUtf8(s.substr(i), cp);
        if (len == 0 || len > s.size() - i)
            return false;
        i += len;
    }
    return true;
}

std::string toUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && (s[i + 1] & 0xFC00) == 0xDC00) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80)
            out.push_back(char(cp));
        else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::vector<uint16_t> readMembers(const uint8_t* record, size_t countOffset, size_t membersOffset,
                                  size_t maxMembers) {
    size_t count = std::min<size_t>(readU16(record + countOffset), maxMembers);
    std::vector<uint16_t> ids(count);
    for (size_t i = 0; i < count; ++i)
        ids[i] = readU16(record + membersOffset + 2 * i);
    return ids;
}

bool writeMembers(uint8_t* record, size_t countOffset, size_t membersOffset, size_t maxMembers,
                  std::span<const uint16_t> members) {
    if (members.size() > maxMembers)
        return false;
    writeU16(record + countOffset, uint16_t(members.size()));
    for (size_t i = 0; i < members.size(); ++i)
        writeU16(record + membersOffset + 2 * i, members[i]);
    return true;
}

} // namespace abif

namespace {

template <typename Record> using Records = abif::RecordStore<Record> ABIFData::*;

template <typename Record>
int32_t addRecords(ABIFData* data, Records<Record> list, int32_t count, const Record* records) {
    if (!data || count < 0 || (count > 0 && !records))
        return kAbifErrInvalidArgument;
    // All or nothing: the records are taken into a copy that replaces the handle's.
    try {
        abif::RecordStore<Record> added;
        added.reserve(size_t(count));
        for (int32_t i = 0; i < count; ++i)
            added.push_back(records[i]);
        (data->*list).append(std::move(added));
    } catch (const std::bad_alloc&) {
        return kAbifErrNoMemory;
    }
    return kAbifSuccess;
}

template <typename Record> int32_t countOf(const ABIFData* data, Records<Record> list) {
    return data ? int32_t((data->*list).size()) : 0;
}

template <typename Record>
int32_t recordAt(const ABIFData* data, Records<Record> list, int32_t index, void* buffer) {
    if (!data || !buffer || index < 0 || size_t(index) >= (data->*list).size())
        return kAbifErrInvalidArgument;
    (data->*list).copyTo(size_t(index), buffer);
    return kAbifSuccess;
}

} // namespace

extern "C" {

ABIFData* ABIFData_Create(void) {
    return new (std::nothrow) ABIFData();
}
void ABIFData_Delete(ABIFData* data) {
    delete data;
}

int32_t ABIFData_Add_MyFax(ABIFData* d, int32_t n, const ABIF_MyFax* r) {
    return addRecords(d, &ABIFData::myFax, n, r);
}
int32_t ABIFData_Add_MyFaxGroup(ABIFData* d, int32_t n, const ABIF_MyFaxGroup* r) {
    return addRecords(d, &ABIFData::myFaxGroups, n, r);
}
int32_t ABIFData_Add_Fax(ABIFData* d, int32_t n, const ABIF_Fax* r) {
    return addRecords(d, &ABIFData::fax, n, r);
}
int32_t ABIFData_Add_FaxGroup(ABIFData* d, int32_t n, const ABIF_FaxGroup* r) {
    return addRecords(d, &ABIFData::faxGroups, n, r);
}

int32_t ABIFData_GetCount_MyFax(const ABIFData* d) {
    return countOf(d, &ABIFData::myFax);
}
int32_t ABIFData_GetCount_MyFaxGroup(const ABIFData* d) {
    return countOf(d, &ABIFData::myFaxGroups);
}
int32_t ABIFData_GetCount_Fax(const ABIFData* d) {
    return countOf(d, &ABIFData::fax);
}
int32_t ABIFData_GetCount_FaxGroup(const ABIFData* d) {
    return countOf(d, &ABIFData::faxGroups);
}

int32_t ABIFData_GetAt_MyFax(const ABIFData* d, int32_t i, void* b) {
    return recordAt(d, &ABIFData::myFax, i, b);
}
int32_t ABIFData_GetAt_MyFaxGroup(const ABIFData* d, int32_t i, void* b) {
    return recordAt(d, &ABIFData::myFaxGroups, i, b);
}
int32_t ABIFData_GetAt_Fax(const ABIFData* d, int32_t i, void* b) {
    return recordAt(d, &ABIFData::fax, i, b);
}
int32_t ABIFData_GetAt_FaxGroup(const ABIFData* d, int32_t i, void* b) {
    return recordAt(d, &ABIFData::faxGroups, i, b);
}

} // extern "C"
