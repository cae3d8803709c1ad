#include "PpdEncoding.h"

#include "PpdEncodingName.h"

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
    return EncodingNamedInPPD(attr ? attr->value : nullptr);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
