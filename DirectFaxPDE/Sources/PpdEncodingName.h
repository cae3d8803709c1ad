// The text encodings a printer's PPD can name in "VMPrinterLanguageEncoding". Free of Qt and of
// libcups: the fax filter reads the PPD itself and links this alone.
#pragma once

#include "TextConversion.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// The encoding `value` names; Shift-JIS X0213 when `value` is null or names no known encoding.
platform::CFStringEncoding EncodingNamedInPPD(const char* value);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
