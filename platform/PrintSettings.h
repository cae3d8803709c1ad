// The print job's settings, session and printer as the print dialog host hands them to panels.
// Plain values: the host and each plug-in carry their own copy of this code (Qt Core only).
#pragma once

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
class PrintSettings {
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

OSStatus PMPrintSettingsGetValue(const PrintSettings* settings, const QString& key, QString* value);
OSStatus PMPrintSettingsSetValue(PrintSettings* settings, const QString& key, const QString& value,
                                 bool locked);

enum PMDestinationType {
    kPMDestinationInvalid = 0,
    kPMDestinationPrinter = 1,
    kPMDestinationFile = 2,
    kPMDestinationFax = 3,
    kPMDestinationPreview = 4,
    kPMDestinationProcessPDF = 5
};

class PrintSession {
public:
    PMDestinationType destinationType = kPMDestinationPrinter;
};

OSStatus PMSessionGetDestinationType(const PrintSession* session, const PrintSettings* settings,
                                     PMDestinationType* destinationType);

// The current printer: its CUPS queue name and device URI (empty when unknown).
class Printer {
public:
    QString queueName;
    QString deviceURI;
};

// Answers noErr and the URI, or kPMKeyNotFound when the printer has none.
OSStatus PMPrinterCopyDeviceURI(const Printer* printer, QString* deviceURI);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
