// The printer's text encoding as its PPD names it, and the attribute look-up it is read with. Free
// of Qt; PpdFeature.h gives them to the rest of the plug-in.
#pragma once

#include "TextConversion.h"

typedef struct ppd_file_s ppd_file_t;
typedef struct ppd_option_s ppd_option_t;
typedef struct ppd_choice_s ppd_choice_t;
typedef struct ppd_attr_s ppd_attr_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// The first attribute whose name begins with `name`, in the PPD's attribute order; null for
// an absent or empty name or when nothing matches.
ppd_attr_t* ppdFindAttr_ALT(ppd_file_t* ppd, const char* name);
// The text encoding named by the attribute "VMPrinterLanguageEncoding"; Shift-JIS X0213 when
// it is missing or names no known encoding.
platform::CFStringEncoding GetEncodingInfoFromPPD(ppd_file_t* ppd);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
