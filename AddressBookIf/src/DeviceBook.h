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
};

// Largest address book a device may send: more records than this is a damaged reply.
inline constexpr size_t kMaxDeviceEntries = 10000;
inline constexpr size_t kMaxDeviceGroups = 1000;

// Builds the `Fax` and `FaxGroup` records of `book`: texts longer than their fields are cut
// (never inside a surrogate pair), member lists longer than the group record are cut to its
// slots. Answers how many groups had to be cut.
size_t makeFaxRecords(const DeviceBook& book, std::vector<ABIF_Fax>& entries,
                      std::vector<ABIF_FaxGroup>& groups);

// The device form of the records in `data`: its computer records (`MyFax`, `MyFaxGroup`)
// followed by its device records (`Fax`, `FaxGroup`).
DeviceBook deviceBookFromRecords(const ABIFData& data);

} // namespace abif
