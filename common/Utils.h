// Scrambling of the fax password into the plain-ASCII text stored with the job, and back, on
// QString: the forms of ScrambledString.h for the dialogs.
#pragma once

#include "ScrambledString.h"
#include "TextEncoding.h"

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Converts `string` to bytes in `encoding` (stopping at the first character the encoding cannot
// represent), scrambles them with QuoEncrypt and writes them in Base64. Returns the Base64 text, or
// a null QString for a null or empty string, a first character that cannot be converted, or a
// password longer than 189 converted bytes. A successful result is never empty.
QString CreateEncryptedString(const QString& string, platform::CFStringEncoding encoding);

// The inverse: decodes the Base64 text, unscrambles it and reads the bytes in `encoding`. Returns a
// null QString for a null string; for a text that is not all ASCII, longer than 256 characters, not
// well-formed Base64 or decoding to nothing or to more than 255 bytes; or for bytes that are not a
// whole valid text in `encoding`.
QString CreateDecryptedString(const QString& string, platform::CFStringEncoding encoding);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
