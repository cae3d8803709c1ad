// The device commands of directfax-addressbook: the printer's own address book listed, exported
// and imported into, through the same reading, writing and limits as the address book editor.
#include "DeviceTransfer.h"
#include "ToolArguments.h"

#include <fstream>
#include <iostream>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

constexpr size_t kMaxPasswordBytes = 256;

// The first line of the password file, or of standard input for "-"; empty without one.
std::string readPassword(const Arguments& a, std::istream& in) {
    auto file = a.given("password-file");
    if (!file)
        return {};
    std::ifstream stream;
    if (*file != "-") {
        stream.open(*file, std::ios::binary);
        if (!stream)
            throw ToolError("cannot read the password file " + *file);
    }
    std::istream& source = *file == "-" ? in : stream;
    std::string password;
    for (char c; password.size() <= kMaxPasswordBytes && source.get(c) && c != '\n';)
        password += c;
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.size() > kMaxPasswordBytes)
        throw ToolError("the password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes");
    return password;
}

DeviceConnection connection(const Arguments& a) {
    DeviceConnection device{a.flag("usb"), a.option("address")};
    if (device.usb == !device.address.empty())
        throw UsageError("give the printer's --address, or --usb");
    return device;
}

std::string printerName(const DeviceConnection& device) {
    return device.usb ? "the USB printer" : "the printer at " + device.address;
}

int importIntoDevice(const Arguments& a, std::istream& in, std::ostream& out) {
    const std::string& source = a.book(1);
    DeviceConnection device = connection(a);
    ImportOptions options = importOptions(a);
    if (source == "-" && a.option("password-file") == "-")
        throw UsageError("standard input cannot give both the password and the import");
    std::string password = readPassword(a, in);
    ParsedImport parsed = parseImportText(readSource(source, in), source, options);
    DeviceBookCopy copy = readDeviceBook(device, password);
    ImportPlan plan = planImportChecked(std::move(parsed), source, options, copy.book);
    DeviceFit fit = fitToDevice(withPlanned(copy.book, plan));
    size_t entries = fit.book.entries.size() - std::min(fit.book.entries.size(), copy.book.entries.size());
    size_t groups = fit.book.groups.size() - std::min(fit.book.groups.size(), copy.book.groups.size());
    if (entries + groups > 0)
        writeDeviceBook(device, password, fit.book, copy.revision);
    ImportReport report = ImportReport::of(printerName(device), plan);
    report.entries = entries;
    report.groups = groups;
    out << report.text();
    if (!fit.leftOut.empty())
        out << "Left out, as the printer cannot hold them:\n" << describeSkipped(fit.leftOut);
    return 0;
}

} // namespace

int deviceCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err) {
    if (args.size() < 2)
        throw UsageError("device needs list, export or import");
    std::vector<std::string> rest(args.begin() + 1, args.end());
    rest[0] = "device " + args[1];
    const std::string& command = args[1];
    if (command == "list") {
        Arguments a(rest, {"address", "password-file"}, {"usb"});
        a.book(0);
        DeviceConnection device = connection(a);
        DeviceBookCopy copy = readDeviceBook(device, readPassword(a, in));
        listBook(copy.book, printerName(device) + " (its own address book)", out);
        return 0;
    }
    if (command == "export") {
        Arguments a(rest, {"address", "password-file", "format"}, {"usb", "force"});
        const std::string& dest = a.book(1);
        DeviceConnection device = connection(a);
        ExportFormat format = exportFormatNamed(a.option("format"), dest);
        DeviceBookCopy copy = readDeviceBook(device, readPassword(a, in));
        writeExport(dest, exportText(copy.book, format), a.flag("force"), out, err);
        return 0;
    }
    if (command == "import")
        return importIntoDevice(
            Arguments(rest, {"address", "password-file", "format", "encoding", "delimiter", "fax-column"},
                      {"usb", "skip-invalid", "skip-duplicates", "normalize-numbers"}),
            in, out);
    throw UsageError("unknown device command " + command + " (list, export or import)");
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
