// The printer's own address book: read through the address-book framework with the password, as
// the address book dialog reads it, into a book of the device's kind (names and fax numbers;
// groups of up to the device's member count). The reading may wait for the printer: callers run
// it on a thread of their own (platform::BackgroundWork) and cancel it with AbifDevice_Cancel.
#pragma once

#include "AddressBook.h"
#include "LaunchRequest.h"

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

struct PrinterReading {
    int32_t result = 0; // 0, or the framework's result code
    addressbook::Book book;
};

PrinterReading readPrinterBook(const LaunchRequest& printer, const std::string& password);
// What went wrong, in the user's words.
QString describePrinterResult(int32_t result);
// "the printer at ADDR", "the USB printer".
QString printerName(const LaunchRequest& printer);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
