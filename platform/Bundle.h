// A bundle directory: NAME.plugin/Contents/ with Info.plist, the module in Linux/ and Resources/.
#pragma once

#include "PlatformExport.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT Bundle {
public:
    // Opens the bundle at `bundlePath` (the NAME.plugin folder) and registers it under its
    // identifier (CFBundleIdentifier); null when the folder or its Info.plist cannot be read.
    // When a bundle with that identifier is registered already, that one is returned. A
    // bundle without identifier is opened but not registered. Safe from any thread.
    static std::shared_ptr<Bundle> open(const QString& bundlePath);
    // A bundle opened earlier in this process, or null. Safe from any thread.
    static std::shared_ptr<Bundle> bundleWithIdentifier(const QString& identifier);

    virtual ~Bundle();

    QString bundlePath() const;
    QString resourcePath() const;
    QString executablePath() const;
    QString bundleIdentifier() const;
    // All of Info.plist.
    QVariantMap infoDictionary() const;
    // A value of Info.plist: strings, numbers, booleans, arrays (QVariantList) and
    // dictionaries (QVariantMap); invalid when the key is absent.
    QVariant objectForInfoDictionaryKey(const QString& key) const;
    // Path of Resources/[subdirectory/]name[.type] when that file or folder exists, else empty.
    QString pathForResource(const QString& name, const QString& type, const QString& subdirectory = {}) const;
    // The bundle's string lookup: `key` in `table` (the default table "Localizable" when
    // empty) of the user's language; `value` when the key is missing and a value is given,
    // else the key itself. The translations are Resources/strings_<language>.qm, loaded for
    // the user's locale on the first lookup; the table is the translation context.
    QString localizedStringForKey(const QString& key, const QString& value, const QString& table) const;

protected:
    Bundle();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
