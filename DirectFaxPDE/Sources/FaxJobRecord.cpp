#include "FaxJobRecord.h"

#include <Utils.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

QString printSettingsKey(const char* baseName) {
    return QLatin1String(kPrintSettingsKeyPrefix) + QLatin1String(baseName);
}

QString printSettingsKey(const char* baseName, int number) {
    return printSettingsKey(baseName) + QString::number(number);
}

void WriteFaxJobRecord(const FaxJobRecord& record, const PrintSettingsStore& store) {
    QString scrambled;
    if (!record.password.isNull())
        scrambled = CreateEncryptedString(record.password, record.passwordEncoding);
    // Present in every record, empty when there is nothing to scramble.
    if (store(printSettingsKey("DFaxPassword"),
              scrambled.isNull() ? QString(QLatin1String("")) : scrambled) != platform::noErr)
        return;
    if (store(printSettingsKey("DFaxDelayedPrint"), QString::number(record.delayedPrint)) != platform::noErr)
        return;
    // Hour and minute on the 24-hour clock whatever the user's locale prefers.
    const QString time = record.delayedTime.toLocalTime().time().toString(QStringLiteral("HH:mm"));
    if (store(printSettingsKey("DFaxDelayedTime"), time) != platform::noErr)
        return;
    const int count = static_cast<int>(record.destinations.size());
    if (count <= 0)
        return;
    store(printSettingsKey("DFaxDestinationNumber"), QString::number(count));
    for (int n = 1; n <= count; ++n) {
        const AddressInformation& destination = record.destinations[n - 1];
        store(printSettingsKey("DFaxDestinationName", n),
              destination.name().isNull() ? QLatin1String("") : destination.name());
        store(printSettingsKey("DFaxDestinationPhoneNumber", n),
              destination.phoneNumber().isNull() ? QLatin1String("") : destination.phoneNumber());
    }
}

void WriteFaxJobRecord(const FaxJobRecord& record, platform::PrintSettings* settings) {
    WriteFaxJobRecord(record, [settings](const QString& key, const QString& value) {
        return platform::PMPrintSettingsSetValue(settings, key, value, false);
    });
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
