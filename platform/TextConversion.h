// Text encodings by their CoreFoundation numbers, and conversion between UTF-16 and them through
// iconv. Free of Qt: programs that load no Qt library (the fax filter) convert with these, and the
// QString forms of TextEncoding.h are made of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

using CFStringEncoding = uint32_t;
inline constexpr CFStringEncoding kCFStringEncodingShiftJIS_X0213 = 0x0628;
inline constexpr CFStringEncoding kCFStringEncodingUTF8 = 0x08000100;
inline constexpr CFStringEncoding kCFStringEncodingISOLatin1 = 0x0201;
inline constexpr CFStringEncoding kCFStringEncodingWindowsLatin1 = 0x0500;
inline constexpr CFStringEncoding kCFStringEncodingASCII = 0x0600;

// The iconv name of one of the encodings above ("SHIFT_JISX0213", "UTF-8", "ISO-8859-1", "CP1252",
// "ASCII"); nullptr for any other value.
const char* IconvNameForEncoding(CFStringEncoding encoding);

// Writes the leading characters of the UTF-16 `text` into `buffer` in `encoding`, at most
// `capacity` bytes. The conversion stops at the first character that the encoding cannot
// represent (no substitution) or that would not fit whole; no byte-order mark and no terminating
// zero are written. Returns the number of bytes written: 0 for an empty text, an unknown encoding,
// or a first character that cannot be converted.
size_t Utf16GetBytes(std::u16string_view text, CFStringEncoding encoding, char* buffer, size_t capacity);

// Makes a UTF-16 text from `bytes` in `encoding`. The conversion stops at the first byte sequence
// that is not valid (or is cut off) in the encoding; `bytesConverted`, when given, receives how
// many bytes were used, so a caller that wants all or nothing compares it with the size of
// `bytes`. Nullopt for an unknown encoding; an empty text when no byte could be converted.
std::optional<std::u16string> Utf16CreateWithBytes(std::string_view bytes, CFStringEncoding encoding,
                                                   size_t* bytesConverted = nullptr);

// The number of UTF-16 code units of the UTF-8 text `utf8`, counted without converting it; nullopt
// when it is not well-formed UTF-8 (an overlong form, a surrogate, a code point above U+10FFFF, a
// stray or missing continuation byte, or a sequence cut off at its end). A byte-order mark counts
// as the character it is.
std::optional<size_t> Utf16LengthOfUtf8(std::string_view utf8);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
