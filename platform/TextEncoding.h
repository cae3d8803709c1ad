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

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
