// The fax job record: what a started fax job carries in its print settings for the job's later
// processing (password, delayed sending, destinations). Its keys, value texts and numbering are
// fixed; the reader takes DFaxDestinationNumber as the count.
#pragma once

#include "AddressInfo.h"

#include <PrintSettings.h>
#include <TextEncoding.h>

#include <QDateTime>
#include <QList>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Every print-settings key of the plug-in is this prefix followed by a base name.
inline constexpr char kPrintSettingsKeyPrefix[] = "com.velmora.cps.print.printsettings.";

// The record's values as the fax-job dialog holds them.
struct FaxJobRecord {
    // The typed password; null when there is none.
    QString password;
    // The encoding the password is converted to before scrambling.
    platform::CFStringEncoding passwordEncoding = platform::kCFStringEncodingUTF8;
    // 0 off, 1 on.
    int delayedPrint = 0;
    // Only its hour and minute, in the current time zone, are written.
    QDateTime delayedTime;
    // In arranged order.
    QList<AddressInformation> destinations;
};

// Stores one value; 0 (noErr) means stored.
using PrintSettingsStore = std::function<platform::OSStatus(const QString& key, const QString& value)>;

// The full key of a base name, and of a numbered one ("DFaxDestinationName", 12).
QString printSettingsKey(const char* baseName);
QString printSettingsKey(const char* baseName, int number);

// Writes the record, in this order: DFaxPassword (the scrambled password, "" when there is none or
// it cannot be scrambled), DFaxDelayedPrint ("0"/"1"), DFaxDelayedTime ("HH:mm", 24-hour clock),
// then, for a list that is not empty, DFaxDestinationNumber and DFaxDestinationName<n> /
// DFaxDestinationPhoneNumber<n> from n = 1. A failed store of one of the first three ends the
// record there; the results of the later stores are not examined.
void WriteFaxJobRecord(const FaxJobRecord& record, const PrintSettingsStore& store);
// The same into a print settings object (PMPrintSettingsSetValue, not locked).
void WriteFaxJobRecord(const FaxJobRecord& record, platform::PrintSettings* settings);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
