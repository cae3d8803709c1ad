// Loading the emulated device's address book from a file.
#pragma once

#include "DeviceBook.h"

#include <string>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

// Loads `path`: an address-book file of the computer (SQLite, read through AbifGADFile_Read;
// its entries and groups become the device's) or a JSON book in the form of the device
// protocol's address-book reply. Answers false and sets `error` when it cannot.
bool loadBook(const std::string& path, abif::DeviceBook& book, std::string& error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
