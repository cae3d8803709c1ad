// The printer's own address book in the editor: read with the password and written back whole
// through the transfer library's device calls, which bound every exchange. The calls may wait for
// the printer: the editor runs them on a thread of its own (platform::BackgroundWork) and ends
// them with AbifDevice_Cancel when the user stops waiting.
#pragma once

#include "DeviceTransfer.h"
#include "LaunchRequest.h"

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

addressbook::DeviceConnection deviceConnection(const LaunchRequest& printer);
// What a failed device call means, in the user's words (its result code, else its own text).
QString describePrinterFailure(const addressbook::ToolError& failure);
// "the printer at ADDR", "the USB printer".
QString printerName(const LaunchRequest& printer);

// One device call run on a thread of its own: what it answered or why it failed.
struct PrinterCall {
    bool done = false;
    int32_t code = 0; // of a DeviceError; 0 when none
    QString failure;
    addressbook::DeviceBookCopy copy; // read: the book; write: the new revision
};
void readInto(PrinterCall& call, const LaunchRequest& printer, const std::string& password);
void writeFrom(PrinterCall& call, const LaunchRequest& printer, const std::string& password,
               const addressbook::Book& book, const std::string& revision);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
