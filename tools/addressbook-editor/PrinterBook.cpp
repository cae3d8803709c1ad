#include "PrinterBook.h"

#include <QCoreApplication>
#include <cstring>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

constexpr int32_t kStatusTimeoutMs = 2048;

struct DataDeleter {
    void operator()(ABIFData* data) const { ABIFData_Delete(data); }
};

uint16_t u16(const uint8_t* bytes) {
    return uint16_t(bytes[0] | bytes[1] << 8);
}

// A text field: UTF-16LE up to the first zero unit inside it.
std::string text(const uint8_t* field, size_t size) {
    std::u16string units;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = u16(field + i);
        if (unit == 0)
            break;
        units += unit;
    }
    return QString::fromUtf16(units.data(), qsizetype(units.size())).toStdString();
}

addressbook::Book toBook(const ABIFData* data) {
    addressbook::Book book;
    book.kind = kAbifFileDevice;
    ABIF_Fax fax;
    for (int32_t i = 0, n = ABIFData_GetCount_Fax(data); i < n; ++i) {
        ABIFData_GetAt_Fax(data, i, &fax);
        addressbook::BookEntry entry;
        entry.id = u16(fax.bytes + ABIF_FAX_ID);
        entry.name = text(fax.bytes + ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE);
        entry.fax = text(fax.bytes + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE);
        book.entries.push_back(std::move(entry));
    }
    ABIF_FaxGroup group;
    for (int32_t i = 0, n = ABIFData_GetCount_FaxGroup(data); i < n; ++i) {
        ABIFData_GetAt_FaxGroup(data, i, &group);
        addressbook::BookGroup bookGroup;
        bookGroup.name = text(group.bytes + ABIF_FAXGROUP_NAME, ABIF_FAXGROUP_NAME_SIZE);
        const uint16_t count = std::min<uint16_t>(u16(group.bytes + ABIF_FAXGROUP_COUNT), ABIF_FAXGROUP_MAX_MEMBERS);
        for (uint16_t m = 0; m < count; ++m)
            bookGroup.members.push_back(u16(group.bytes + ABIF_FAXGROUP_MEMBERS + 2 * m));
        book.groups.push_back(std::move(bookGroup));
    }
    return book;
}

} // namespace

PrinterReading readPrinterBook(const LaunchRequest& printer, const std::string& password) {
    PrinterReading reading;
    if ((reading.result = Abif_Initialize(0)) != kAbifSuccess)
        return reading;
    if (printer.kind == LaunchRequest::Kind::UsbPrinter)
        AbifDevice_SetDestinationDevice(0, kAbifDeviceUSB, nullptr);
    else
        AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, printer.address.toStdString().c_str());
    if (int32_t status = AbifDevice_GetStatus(0, kStatusTimeoutMs); status != kAbifDeviceReachable) {
        reading.result = status == kAbifDeviceNotReady ? int32_t(kAbifErrDeviceUnreachable) : status;
        return reading;
    }
    std::unique_ptr<ABIFData, DataDeleter> data(ABIFData_Create());
    if (!data) {
        reading.result = kAbifErrNoMemory;
        return reading;
    }
    reading.result = AbifDevice_ReadData(0, data.get(), kAbifReadFax | kAbifReadFaxGroup, password.c_str());
    if (reading.result == kAbifSuccess)
        reading.book = toBook(data.get());
    return reading;
}

QString describePrinterResult(int32_t result) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("PrinterBook", text); };
    switch (result) {
    case kAbifErrWrongPassword:
        return tr("The printer refused the password.");
    case kAbifErrDeviceUnreachable:
        return tr("The printer cannot be reached. Check that it is switched on and connected.");
    case kAbifErrProtocol:
        return tr("The printer's answer cannot be read.");
    case kAbifErrCancelled:
        return tr("Reading was cancelled.");
    default:
        return tr("The printer's address book cannot be read.");
    }
}

QString printerName(const LaunchRequest& printer) {
    return printer.kind == LaunchRequest::Kind::UsbPrinter
               ? QCoreApplication::translate("PrinterBook", "the USB printer")
               : QCoreApplication::translate("PrinterBook", "the printer at %1").arg(printer.address);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
