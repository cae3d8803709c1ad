// The commands that move a whole book between its file and vCard or CSV text: import and export.
#include "BookTransfer.h"
#include "ToolArguments.h"

#include <iostream>
#include <iterator>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

ImportOptions importOptions(const Arguments& a) {
    ImportOptions options;
    options.format = a.option("format");
    options.encoding = a.option("encoding");
    if (auto d = a.given("delimiter")) {
        std::string lower = asciiLower(*d);
        if (lower == "tab" || lower == "\\t" || *d == "\t")
            options.csv.delimiter = '\t';
        else if (*d == "," || *d == ";")
            options.csv.delimiter = (*d)[0];
        else
            throw UsageError("the delimiter is one of , ; tab");
    }
    options.csv.faxColumn = a.option("fax-column");
    options.create = a.flag("create");
    options.device = a.flag("device");
    options.skipInvalid = a.flag("skip-invalid");
    options.skipDuplicates = a.flag("skip-duplicates");
    options.normalizeNumbers = a.flag("normalize-numbers");
    return options;
}

std::string readSource(const std::string& source, std::istream& in) {
    return source == "-" ? std::string(std::istreambuf_iterator<char>(in), {}) : readSourceFile(source);
}

void writeExport(const std::string& dest, const ExportText& exported, bool force, std::ostream& out,
                 std::ostream& err) {
    for (const std::string& note : exported.notes)
        err << "note: " << note << "\n";
    if (dest == "-")
        out << exported.text;
    else
        writeExportFile(dest, exported.text, force);
}

int importCommand(const Arguments& a, std::istream& in, std::ostream& out) {
    std::string path = resolveBookPath(a.book(2));
    const std::string& source = a.positional[1];
    ImportOptions options = importOptions(a);
    out << importText(path, readSource(source, in), source, options).text();
    return 0;
}

int exportCommand(const Arguments& a, std::ostream& out, std::ostream& err) {
    std::string path = resolveBookPath(a.book(2));
    const std::string& dest = a.positional[1];
    ExportFormat format = exportFormatNamed(a.option("format"), dest);
    if (dest != "-" && !a.flag("force") && ::access(dest.c_str(), F_OK) == 0)
        throw ToolError(dest + " already exists; --force replaces it");
    writeExport(dest, exportBook(path, format), a.flag("force"), out, err);
    return 0;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
