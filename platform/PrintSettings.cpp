#include "PrintSettings.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

std::optional<QString> PrintSettings::value(const QString& key) const {
    auto it = entries.find(key);
    if (it == entries.end())
        return std::nullopt;
    return it->second.value;
}

void PrintSettings::setValue(const QString& key, const QString& value, bool locked) {
    entries[key] = Entry{value, locked};
}

bool PrintSettings::isLocked(const QString& key) const {
    auto it = entries.find(key);
    return it != entries.end() && it->second.locked;
}

QStringList PrintSettings::keys() const {
    QStringList list;
    for (const auto& [key, entry] : entries)
        list << key;
    return list;
}

void PrintSettings::clear() {
    entries.clear();
}

OSStatus PMPrintSettingsGetValue(const PrintSettings* settings, const QString& key, QString* value) {
    if (!settings || !value)
        return kPMInvalidParameter;
    auto found = settings->value(key);
    if (!found)
        return kPMKeyNotFound;
    *value = *found;
    return noErr;
}

OSStatus PMPrintSettingsSetValue(PrintSettings* settings, const QString& key, const QString& value,
                                 bool locked) {
    if (!settings || key.isEmpty())
        return kPMInvalidParameter;
    settings->setValue(key, value, locked);
    return noErr;
}

OSStatus PMSessionGetDestinationType(const PrintSession* session, const PrintSettings* settings,
                                     PMDestinationType* destinationType) {
    if (!session || !settings || !destinationType)
        return kPMInvalidParameter;
    *destinationType = session->destinationType;
    return noErr;
}

OSStatus PMPrinterCopyDeviceURI(const Printer* printer, QString* deviceURI) {
    if (!printer || !deviceURI)
        return kPMInvalidParameter;
    if (printer->deviceURI.isEmpty())
        return kPMKeyNotFound;
    *deviceURI = printer->deviceURI;
    return noErr;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
