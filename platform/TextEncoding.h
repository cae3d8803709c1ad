// The conversions of TextConversion.h for QString and QByteArray.
#pragma once

#include "PlatformExport.h"
#include "TextConversion.h"

#include <QByteArray>
#include <QString>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// The UTF-16 code units of `string`, for the conversions of TextConversion.h.
inline std::u16string_view utf16View(const QString& string) {
    return {reinterpret_cast<const char16_t*>(string.utf16()), static_cast<size_t>(string.size())};
}

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
