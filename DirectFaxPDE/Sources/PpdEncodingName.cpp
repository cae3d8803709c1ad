#include "PpdEncodingName.h"

#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

platform::CFStringEncoding EncodingNamedInPPD(const char* value) {
    if (!value)
        return platform::kCFStringEncodingShiftJIS_X0213;
    static const struct {
        const char* name;
        platform::CFStringEncoding encoding;
    } kEncodings[] = {
        {"UTF-8", platform::kCFStringEncodingUTF8},
        {"JIS83-RKSJ", platform::kCFStringEncodingShiftJIS_X0213},
        {"ISOLatin1", platform::kCFStringEncodingISOLatin1},
        {"WindowsANSI", platform::kCFStringEncodingWindowsLatin1},
    };
    for (const auto& entry : kEncodings)
        if (std::strcmp(value, entry.name) == 0)
            return entry.encoding;
    // Any other value, one outside ASCII too, names no encoding the panel knows.
    return platform::kCFStringEncodingShiftJIS_X0213;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
