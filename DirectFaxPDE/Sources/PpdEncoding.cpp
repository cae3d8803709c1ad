#include "PpdEncoding.h"

#include <cstring>
#include <cups/ppd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

ppd_attr_t* ppdFindAttr_ALT(ppd_file_t* ppd, const char* name) {
    if (!ppd || !name || !*name)
        return nullptr;
    const size_t length = std::strlen(name);
    for (int i = 0; i < ppd->num_attrs; ++i) {
        ppd_attr_t* attr = ppd->attrs[i];
        if (attr && std::strncmp(attr->name, name, length) == 0)
            return attr;
    }
    return nullptr;
}

platform::CFStringEncoding GetEncodingInfoFromPPD(ppd_file_t* ppd) {
    const ppd_attr_t* attr = ppdFindAttr_ALT(ppd, "VMPrinterLanguageEncoding");
    if (!attr || !attr->value)
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
        if (std::strcmp(attr->value, entry.name) == 0)
            return entry.encoding;
    // Any other value, one outside ASCII too, names no encoding the panel knows.
    return platform::kCFStringEncodingShiftJIS_X0213;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
