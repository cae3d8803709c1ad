// Bounds on the property lists this system reads: files that any program of the user may write
// (the help registration, a bundle's Info.plist) are checked before libplist, whose parsers and
// tree walks recurse, ever sees them.
#pragma once

#include <QByteArray>
#include <cstddef>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// Arrays and dictionaries nest at most this deep; real property lists nest a few levels.
inline constexpr int kMaxPropertyListDepth = 64;
// Largest property list read, and most nodes its tree may have once shared binary objects are
// copied out.
inline constexpr qsizetype kMaxPropertyListBytes = 4 * 1024 * 1024;
inline constexpr size_t kMaxPropertyListNodes = 200'000;

enum class PropertyListCheck { Acceptable, TooLarge, TooDeep, Malformed };

// Checks XML or binary property-list data in time linear in its size, without recursion. A binary
// one is refused when its objects refer to themselves, nest too deep, or expand to too many nodes;
// an XML one when its elements nest too deep, are too many, it declares entities or holds a zero
// byte (UTF-8 only). Acceptable data may
// still fail to parse.
PropertyListCheck CheckPropertyListLimits(const QByteArray& data);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
