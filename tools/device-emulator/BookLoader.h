// Loading the emulated device's address book from a file.
#pragma once

#include "DeviceBook.h"

#include <chrono>
#include <string>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

// Loads `path`: an address-book file of the computer (SQLite, read through AbifGADFile_Read;
// its entries and groups become the device's) or a JSON book in the form of the device
// protocol's address-book reply. Answers false and sets `error` when it cannot.
bool loadBook(const std::string& path, abif::DeviceBook& book, std::string& error);

// Whether `path` is an SQLite file (an address-book file of the computer, which the emulator
// never writes).
bool isSqliteFile(const std::string& path);

// Replaces the file at `path` by `text` whole: written to a new file in the same folder, flushed
// to disk, then renamed over it, so that a crash leaves the old file or the new one. `pause`
// waits halfway through the writing (for tests). Answers false and sets `error` when it cannot.
bool replaceFile(const std::string& path, const std::string& text, std::chrono::milliseconds pause,
                 std::string& error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
