// Property lists (XML or binary) through libplist: reading files, converting to Qt values,
// writing the XML format, and atomic file replacement.
#pragma once

#include "PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <type_traits>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// An owned libplist node (a `plist_t`); callers that edit the tree include <plist/plist.h>.
struct PlistDeleter {
    DIRECTFAX_PLATFORM_EXPORT void operator()(void* node) const;
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

enum class PlistFormat { Xml, Binary };

// Parses XML or binary property-list data; null when it is not a property list, or when it passes
// the bounds of PropertyListLimits.h (too large or nested too deep; one warning says so).
DIRECTFAX_PLATFORM_EXPORT PlistPtr PropertyListFromData(const QByteArray& data,
                                                        PlistFormat* format = nullptr);
// Reads and parses a property-list file; null when it cannot be read or parsed, or passes the
// bounds (a warning names the file).
DIRECTFAX_PLATFORM_EXPORT PlistPtr ReadPropertyListFile(const QString& path, PlistFormat* format = nullptr);
// Whether every node of the tree can be written in the XML property-list format.
DIRECTFAX_PLATFORM_EXPORT bool IsValidXmlPropertyList(const void* node);
// The XML serialisation; nullopt when the node cannot be serialised.
DIRECTFAX_PLATFORM_EXPORT std::optional<QByteArray> PropertyListToXml(const void* node);
// Replaces the file at `path` by `data` in one step (written beside it, then renamed).
DIRECTFAX_PLATFORM_EXPORT bool WriteFileAtomically(const QString& path, const QByteArray& data);

// The text of a string node; an empty string for a missing node or any other type.
DIRECTFAX_PLATFORM_EXPORT QString PropertyListString(const void* node);

// Strings, integers, reals, booleans, data (QByteArray), dates (QDateTime), arrays
// (QVariantList) and dictionaries (QVariantMap); an invalid QVariant for anything else.
DIRECTFAX_PLATFORM_EXPORT QVariant PropertyListToVariant(const void* node);
// The reverse mapping; null for values a property list cannot hold.
DIRECTFAX_PLATFORM_EXPORT PlistPtr VariantToPropertyList(const QVariant& value);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
