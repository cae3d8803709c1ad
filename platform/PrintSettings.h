// The print job's settings, session and printer as the print dialog host hands them to panels.
#pragma once

#include "PlatformExport.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

using OSStatus = int;
constexpr OSStatus noErr = 0;
constexpr OSStatus kPMKeyNotFound = -9589;
constexpr OSStatus kPMInvalidParameter = -50;

// Per-job store of string values under string keys. At submission every entry becomes a
// CUPS job option.
class DIRECTFAX_PLATFORM_EXPORT PrintSettings {
public:
    std::optional<QString> value(const QString& key) const;
    void setValue(const QString& key, const QString& value, bool locked = false);
    bool isLocked(const QString& key) const;
    QStringList keys() const;
    void clear();

private:
    struct Entry {
        QString value;
        bool locked = false;
    };
    std::map<QString, Entry> entries;
};

OSStatus DIRECTFAX_PLATFORM_EXPORT PMPrintSettingsGetValue(const PrintSettings* settings, const QString& key,
                                                           QString* value);
OSStatus DIRECTFAX_PLATFORM_EXPORT PMPrintSettingsSetValue(PrintSettings* settings, const QString& key,
                                                           const QString& value, bool locked);

enum PMDestinationType {
    kPMDestinationInvalid = 0,
    kPMDestinationPrinter = 1,
    kPMDestinationFile = 2,
    kPMDestinationFax = 3,
    kPMDestinationPreview = 4,
    kPMDestinationProcessPDF = 5
};

class DIRECTFAX_PLATFORM_EXPORT PrintSession {
public:
    PMDestinationType destinationType = kPMDestinationPrinter;
};

OSStatus DIRECTFAX_PLATFORM_EXPORT PMSessionGetDestinationType(const PrintSession* session,
                                                               const PrintSettings* settings,
                                                               PMDestinationType* destinationType);

// The current printer: its CUPS queue name and device URI (empty when unknown).
class DIRECTFAX_PLATFORM_EXPORT Printer {
public:
    QString queueName;
    QString deviceURI;
};

// Answers noErr and the URI, or kPMKeyNotFound when the printer has none.
OSStatus DIRECTFAX_PLATFORM_EXPORT PMPrinterCopyDeviceURI(const Printer* printer, QString* deviceURI);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
