// The printer's own address book as the tool and the editor see it: read and written whole through
// the framework's device calls, with the printer's limits applied before anything is sent.
#pragma once

#include "AddressBook.h"
#include "ImportPlan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

// Which printer: one attached by USB, or one at a numeric network address.
struct DeviceConnection {
    bool usb = false;
    std::string address;
};

// A device call that failed: its result code (kAbifErrDeviceBookChanged: the book changed on the
// printer since it was read; read it again) and what it means in words.
class DeviceError : public ToolError {
public:
    DeviceError(int32_t code, const std::string& message) : ToolError(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

// A printer's book (kind kAbifFileDevice: entries with Id, name and fax number; groups with name
// and members) and the revision it was read at.
struct DeviceBookCopy {
    Book book;
    std::string revision;
};

// Each call starts a sequence of its own (Abif_Initialize, so an earlier AbifDevice_Cancel is
// forgotten); AbifDevice_Cancel from another thread ends it with a DeviceError of
// kAbifErrCancelled. They hold their caller for at most the framework's time limits.
DeviceBookCopy readDeviceBook(const DeviceConnection& device, const std::string& password);
// Replaces the printer's book by `book` if it is still at `revision`; answers the new revision.
// The book must fit the printer (fitToDevice), else nothing is sent (DeviceError).
std::string writeDeviceBook(const DeviceConnection& device, const std::string& password, const Book& book,
                            const std::string& revision);

// What of `book` the printer can hold, and what not: entries without a name or fax number, or with
// one longer than the printer's fields (32 and 50 characters), or with an Id of 0 or one given
// before; groups without a name or with a name too long, or with more members than the printer's
// groups hold (205), once the members left out are dropped; entries and groups beyond the
// printer's counts (10,000 and 1,000). Group members naming entries left out are dropped.
// What is left out is listed with line 0 (describeSkipped names it).
struct DeviceFit {
    Book book;
    std::vector<Rejected> leftOut;
};
DeviceFit fitToDevice(const Book& book);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
