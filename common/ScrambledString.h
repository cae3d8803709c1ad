// Scrambling of the fax password into the plain-ASCII text stored with the job, and back, on
// UTF-16 text without Qt: the fax filter unscrambles with these, and the QString forms of Utils.h
// are made of them.
#pragma once

#include "TextConversion.h"

#include <optional>
#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Converts `string` to bytes in `encoding` (stopping at the first character the encoding cannot
// represent), scrambles them with QuoEncrypt and writes them in Base64. Returns the Base64 text, or
// nullopt for an empty string, a first character that cannot be converted, or a password longer
// than 189 converted bytes. A result is never empty.
std::optional<std::string> CreateEncryptedString(std::u16string_view string,
                                                 platform::CFStringEncoding encoding);

// The inverse: decodes the Base64 text, unscrambles it and reads the bytes in `encoding`. Nullopt
// for a text that is empty, not all ASCII, longer than 256 characters, not well-formed Base64 or
// decoding to nothing or to more than 255 bytes; or for bytes that are not a whole valid text in
// `encoding`. A result is never empty.
std::optional<std::u16string> CreateDecryptedString(std::u16string_view string,
                                                    platform::CFStringEncoding encoding);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
