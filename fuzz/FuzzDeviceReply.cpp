// The device protocol's decoders on any reply body.
#include "DeviceBook.h"
#include "DeviceProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view body(reinterpret_cast<const char*>(data), size);
    abif::DeviceBook book;
    if (abif::decodeAddressBook(body, book) == kAbifSuccess) {
        if (book.entries.size() > abif::kMaxDeviceEntries || book.groups.size() > abif::kMaxDeviceGroups)
            std::abort();
        std::vector<ABIF_Fax> entries;
        std::vector<ABIF_FaxGroup> groups;
        abif::makeFaxRecords(book, entries, groups);
        // What was understood encodes and reads back the same.
        abif::DeviceBook again;
        if (abif::decodeAddressBook(abif::encodeAddressBook(book), again) != kAbifSuccess ||
            again.entries.size() != book.entries.size() || again.groups.size() != book.groups.size())
            std::abort();
    }
    int32_t status = abif::decodeStatus(body);
    if (status != kAbifDeviceReachable && status != kAbifDeviceNotReady && status != kAbifErrProtocol)
        std::abort();
    std::string password;
    abif::decodeReadRequest(body, password);
    return 0;
}
