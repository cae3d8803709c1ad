// The address-book records of both tabs of the address book dialog turned into entries: the
// computer's MyFax and MyFaxGroup records and the device's Fax and FaxGroup records.
#pragma once

#include "AddressBookEntryList.h"

#include <AddressBookIf.h>

#include <QList>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

struct DataDeleter {
    void operator()(ABIFData* data) const { ABIFData_Delete(data); }
};
using DataHandle = std::unique_ptr<ABIFData, DataDeleter>;

// The log lines of a tab for a record that lacks a text it needs.
struct RecordLogLines {
    const char* invalidName;
    const char* invalidPhoneNumber;
    const char* invalidGroupName;
};

enum class RecordSource { Computer, Device };

// Appends the handle's entries, then its groups, of the given source to `entries`; stops at the
// first record without the texts it needs, with its log line.
void readRecords(const ABIFData* data, RecordSource source, const RecordLogLines& log,
                 QList<AddressBookEntry>& entries);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
