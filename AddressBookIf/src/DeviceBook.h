// A device's address book in plain form: what travels over the wire and what the device keeps.
#pragma once

#include "AbifRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace abif {

// One fax entry of the device. Texts are UTF-8.
struct DeviceEntry {
    uint16_t id = 0;
    std::string name;
    std::string number;
};

// One fax group: its name and the Ids of its member entries, in order.
struct DeviceGroup {
    std::string name;
    std::vector<uint16_t> members;
};

struct DeviceBook {
    std::vector<DeviceEntry> entries;
    std::vector<DeviceGroup> groups;
    std::string revision = {}; // what the device names this state of its book by; empty: none given
};

// Largest address book a device may send: more records than this is a damaged reply.
inline constexpr size_t kMaxDeviceEntries = 10000;
inline constexpr size_t kMaxDeviceGroups = 1000;

// Builds the `Fax` and `FaxGroup` records of `book`: texts longer than their fields are cut
// (never inside a surrogate pair), member lists longer than the group record are cut to its
// slots. Answers how many groups had to be cut.
size_t makeFaxRecords(const DeviceBook& book, std::vector<ABIF_Fax>& entries,
                      std::vector<ABIF_FaxGroup>& groups);

// The book a write sends: the `Fax` and `FaxGroup` records of `data`, checked against what a
// device holds. kAbifSuccess; kAbifErrFull (more entries or groups than a device holds),
// kAbifErrNoName (an entry or group without a name), kAbifErrTooManyMembers (a member count beyond
// the record's slots), kAbifErrInvalidArgument (an entry Id 0 or given twice, an entry without a
// fax number, a member naming no entry of `data` or named twice in its group).
int32_t deviceBookForWrite(const ABIFData& data, DeviceBook& book);

// The device form of the records in `data`: its computer records (`MyFax`, `MyFaxGroup`)
// followed by its device records (`Fax`, `FaxGroup`).
DeviceBook deviceBookFromRecords(const ABIFData& data);

} // namespace abif
