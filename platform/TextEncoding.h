// Text encodings by their CoreFoundation numbers, and conversion through iconv.
#pragma once

#include "PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

using CFStringEncoding = uint32_t;
inline constexpr CFStringEncoding kCFStringEncodingShiftJIS_X0213 = 0x0628;
inline constexpr CFStringEncoding kCFStringEncodingUTF8 = 0x08000100;
inline constexpr CFStringEncoding kCFStringEncodingISOLatin1 = 0x0201;
inline constexpr CFStringEncoding kCFStringEncodingWindowsLatin1 = 0x0500;
inline constexpr CFStringEncoding kCFStringEncodingASCII = 0x0600;

// The iconv name of one of the encodings above ("SHIFT_JISX0213", "UTF-8", "ISO-8859-1", "CP1252",
// "ASCII"); nullptr for any other value.
DIRECTFAX_PLATFORM_EXPORT const char* IconvNameForEncoding(CFStringEncoding encoding);

// Writes the leading characters of `string` into `buffer` in `encoding`, at most `capacity` bytes.
// The conversion stops at the first character that the encoding cannot represent (no substitution)
// or that would not fit whole; no byte-order mark and no terminating zero are written. Returns the
// number of bytes written: 0 for an empty string, an unknown encoding, or a first character that
// cannot be converted.
DIRECTFAX_PLATFORM_EXPORT qsizetype StringGetBytes(const QString& string, CFStringEncoding encoding,
                                                   char* buffer, qsizetype capacity);

// The same conversion without a size limit.
DIRECTFAX_PLATFORM_EXPORT QByteArray StringGetBytes(const QString& string, CFStringEncoding encoding);

// Makes a string from `length` bytes in `encoding`. The conversion stops at the first byte sequence
// that is not valid (or is cut off) in the encoding; `bytesConverted`, when given, receives how
// many bytes were used, so a caller that wants all or nothing compares it with `length`. A null
// QString for an unknown encoding; an empty one when no byte could be converted.
DIRECTFAX_PLATFORM_EXPORT QString StringCreateWithBytes(const char* bytes, qsizetype length,
                                                        CFStringEncoding encoding,
                                                        qsizetype* bytesConverted = nullptr);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
