#include "PrinterBook.h"

#include <QCoreApplication>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

struct PrinterBook {
    Q_DECLARE_TR_FUNCTIONS(PrinterBook)
};

template <typename Call> void perform(PrinterCall& call, Call&& device) {
    try {
        device();
        call.done = true;
    } catch (const addressbook::DeviceError& e) {
        call.code = e.code();
        call.failure = describePrinterFailure(e);
    } catch (const addressbook::ToolError& e) {
        call.failure = describePrinterFailure(e);
    }
}

} // namespace

addressbook::DeviceConnection deviceConnection(const LaunchRequest& printer) {
    return {printer.kind == LaunchRequest::Kind::UsbPrinter, printer.address.toStdString()};
}

QString describePrinterFailure(const addressbook::ToolError& failure) {
    const auto* device = dynamic_cast<const addressbook::DeviceError*>(&failure);
    switch (device ? device->code() : 0) {
    case kAbifErrWrongPassword:
        return PrinterBook::tr("The printer refused the password.");
    case kAbifErrDeviceUnreachable:
        return PrinterBook::tr("The printer cannot be reached. Check that it is switched on and connected.");
    case kAbifErrProtocol:
        return PrinterBook::tr("The printer's answer cannot be read.");
    case kAbifErrCancelled:
        return PrinterBook::tr("The printer was not waited for.");
    case kAbifErrDeviceBookChanged:
        return PrinterBook::tr("The printer's address book was changed since it was read.");
    default:
        return QString::fromUtf8(failure.what());
    }
}

QString printerName(const LaunchRequest& printer) {
    return printer.kind == LaunchRequest::Kind::UsbPrinter
               ? PrinterBook::tr("the USB printer")
               : PrinterBook::tr("the printer at %1").arg(printer.address);
}

void readInto(PrinterCall& call, const LaunchRequest& printer, const std::string& password) {
    perform(call, [&] { call.copy = addressbook::readDeviceBook(deviceConnection(printer), password); });
}

void writeFrom(PrinterCall& call, const LaunchRequest& printer, const std::string& password,
               const addressbook::Book& book, const std::string& revision) {
    perform(call, [&] {
        call.copy.revision =
            addressbook::writeDeviceBook(deviceConnection(printer), password, book, revision);
    });
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
