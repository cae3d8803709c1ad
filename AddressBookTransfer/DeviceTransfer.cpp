// Reading and writing a printer's book, and fitting a book to what a printer holds.
#include "DeviceTransfer.h"

#include "AbifRecords.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <set>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

using Handle = std::unique_ptr<ABIFData, decltype(&ABIFData_Delete)>;

std::string describeDeviceResult(int32_t code) {
    switch (code) {
    case kAbifErrWrongPassword:
        return "the printer refused the password";
    case kAbifErrDeviceUnreachable:
        return "the printer did not answer";
    case kAbifDeviceNotReady:
        return "the printer is not ready";
    case kAbifErrProtocol:
        return "the printer's answer could not be understood";
    case kAbifErrCancelled:
        return "cancelled";
    case kAbifErrDeviceBookChanged:
        return "the printer's address book was changed since it was read; read it again";
    case kAbifErrInvalidArgument:
        return "the printer's address is not a numeric address, or the book does not fit the printer";
    case kAbifErrFull:
        return "the printer holds at most " + std::to_string(ABIF_DEVICE_MAX_ENTRIES) + " entries and " +
               std::to_string(ABIF_DEVICE_MAX_GROUPS) + " groups";
    default:
        return describeResult(code);
    }
}

void check(int32_t code, const char* what) {
    if (code != kAbifSuccess && code != kAbifDeviceReachable)
        throw DeviceError(code, std::string(what) + ": " + describeDeviceResult(code));
}

Handle selectDevice(const DeviceConnection& device) {
    Abif_Initialize(0);
    check(AbifDevice_SetDestinationDevice(0, device.usb ? kAbifDeviceUSB : kAbifDeviceNetwork,
                                          device.usb ? nullptr : device.address.c_str()),
          "cannot reach the printer");
    check(AbifDevice_GetStatus(0, 0), "cannot reach the printer");
    Handle data(ABIFData_Create(), ABIFData_Delete);
    if (!data)
        throw std::bad_alloc();
    return data;
}

void leaveOut(std::vector<Rejected>& out, const std::string& name, const std::string& reason, bool group) {
    out.push_back({0, name, reason, group});
}

// Why the printer cannot take a text (its name or fax number) of `most` UTF-16 units; empty when it can.
std::string textProblem(const std::string& text, size_t most, const char* what) {
    if (text.empty())
        return std::string("no ") + what;
    if (utf16Length(text) > most)
        return std::string("the ") + what + " is too long for the printer (at most " + std::to_string(most) +
               " characters)";
    return {};
}

} // namespace

DeviceBookCopy readDeviceBook(const DeviceConnection& device, const std::string& password) {
    Handle data = selectDevice(device);
    check(AbifDevice_ReadData(0, data.get(), kAbifReadFax | kAbifReadFaxGroup, password.c_str()),
          "cannot read the printer's address book");
    return {deviceRecordsBook(*data), ABIFData_GetDeviceRevision(data.get())};
}

std::string writeDeviceBook(const DeviceConnection& device, const std::string& password, const Book& book,
                            const std::string& revision) {
    DeviceFit fit = fitToDevice(book);
    if (!fit.leftOut.empty())
        throw DeviceError(kAbifErrInvalidArgument,
                          "the printer cannot take " +
                              counted(fit.leftOut.size(), "entry or group", "entries and groups") + ":\n" +
                              describeSkipped(fit.leftOut));
    Handle data = selectDevice(device);
    std::vector<ABIF_Fax> entries;
    std::vector<ABIF_FaxGroup> groups;
    for (const BookEntry& e : fit.book.entries) {
        ABIF_Fax& r = entries.emplace_back();
        abif::writeU16(r.bytes + ABIF_FAX_ID, e.id);
        abif::writeText(r.bytes + ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE, abif::fromUtf8(e.name));
        abif::writeText(r.bytes + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE, abif::fromUtf8(e.fax));
    }
    for (const BookGroup& g : fit.book.groups)
        groups.push_back(
            abif::makeGroup<ABIF_FaxGroup>(abif::kFaxGroupLayout, abif::fromUtf8(g.name), g.members));
    check(ABIFData_Add_Fax(data.get(), int32_t(entries.size()), entries.data()), "cannot write");
    check(ABIFData_Add_FaxGroup(data.get(), int32_t(groups.size()), groups.data()), "cannot write");
    check(ABIFData_SetDeviceRevision(data.get(), revision.c_str()),
          "cannot write the printer's address book");
    check(AbifDevice_WriteData(0, data.get(), password.c_str()), "cannot write the printer's address book");
    return ABIFData_GetDeviceRevision(data.get());
}

DeviceFit fitToDevice(const Book& book) {
    DeviceFit fit;
    fit.book.kind = kAbifFileDevice;
    std::set<uint16_t> kept;
    auto entryProblem = [&kept](const BookEntry& e) {
        if (std::string why = textProblem(e.name, ABIF_DEVICE_MAX_NAME_UNITS, "name"); !why.empty())
            return why;
        if (std::string why = textProblem(e.fax, ABIF_DEVICE_MAX_NUMBER_UNITS, "fax number"); !why.empty())
            return why;
        if (e.id == 0 || kept.count(e.id))
            return std::string("no Id of its own");
        if (kept.size() >= ABIF_DEVICE_MAX_ENTRIES)
            return "the printer holds at most " + std::to_string(ABIF_DEVICE_MAX_ENTRIES) + " entries";
        return std::string();
    };
    for (const BookEntry& e : book.entries) {
        if (std::string why = entryProblem(e); !why.empty()) {
            leaveOut(fit.leftOut, e.name, why, false);
            continue;
        }
        kept.insert(e.id);
        BookEntry& copy = fit.book.entries.emplace_back();
        copy.id = e.id;
        copy.name = e.name;
        copy.fax = e.fax;
    }
    auto groupProblem = [&fit](const BookGroup& g) {
        if (std::string why = textProblem(g.name, ABIF_DEVICE_MAX_NAME_UNITS, "name"); !why.empty())
            return why;
        if (g.members.size() > ABIF_FAXGROUP_MAX_MEMBERS)
            return std::to_string(g.members.size()) + " members; the printer's groups hold at most " +
                   std::to_string(ABIF_FAXGROUP_MAX_MEMBERS);
        if (fit.book.groups.size() >= ABIF_DEVICE_MAX_GROUPS)
            return "the printer holds at most " + std::to_string(ABIF_DEVICE_MAX_GROUPS) + " groups";
        return std::string();
    };
    for (const BookGroup& g : book.groups) {
        BookGroup copy;
        copy.name = g.name;
        std::set<uint16_t> members;
        for (uint16_t id : g.members)
            if (kept.count(id) && members.insert(id).second)
                copy.members.push_back(id);
        if (std::string why = groupProblem(copy); !why.empty())
            leaveOut(fit.leftOut, g.name, why, true);
        else
            fit.book.groups.push_back(std::move(copy));
    }
    return fit;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
