// Moving whole address books in and out of vCard and CSV text: what the command-line tool and the
// address book editor both offer as import and export. No user interface: texts in, reports out.
#pragma once

#include "AddressBook.h"
#include "Csv.h"
#include "ImportPlan.h"

#include <string>
#include <string_view>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

// A choice that makes no sense (an unknown format or encoding): the caller asked wrongly.
class UsageError : public ToolError {
public:
    using ToolError::ToolError;
};

struct ImportOptions {
    std::string format;   // "csv", "vcard"; empty: by the source's extension, else by its text
    std::string encoding; // the source's encoding (utf-8, windows-1252, ...); empty: UTF-8
    CsvOptions csv;
    bool create = false;         // make the book when it does not exist
    bool device = false;         // a book made is a device book
    bool skipInvalid = false;    // import the rest when some cards or rows cannot be imported
    bool skipDuplicates = false; // import the rest when some are already in the book
    bool normalizeNumbers = false;
};

// What an import did: what it added and what it left out (by the line each starts on).
struct ImportReport {
    std::string book; // the path of the book
    size_t entries = 0, groups = 0;
    std::vector<Rejected> skipped;
    // "Added 2 entries to BOOK." and the skipped cards or rows, one line each.
    std::string text() const;
    static ImportReport of(const std::string& book, const ImportPlan& plan);
};

// The steps of an import, for a book that is not a file (the printer's): the entries and groups
// of the text `bytes` of `source` (a name for messages); then what of them goes into `existing`,
// refused (ToolError) when some cannot go in or are there already and the options do not let the
// rest through.
ParsedImport parseImportText(std::string_view bytes, const std::string& source, const ImportOptions& options);
ImportPlan planImportChecked(ParsedImport parsed, const std::string& source, const ImportOptions& options,
                             const Book& existing);

// Adds what the text `bytes` of `source` (a name for messages) holds to the book at `bookPath`:
// all or nothing. Throws ToolError (UsageError for wrong options) saying why nothing was imported.
ImportReport importText(const std::string& bookPath, std::string_view bytes, const std::string& source,
                        const ImportOptions& options);
// The bytes of the file at `sourcePath` (ToolError when it cannot be read).
std::string readSourceFile(const std::string& sourcePath);
// The same for the file at `sourcePath`.
ImportReport importFile(const std::string& bookPath, const std::string& sourcePath,
                        const ImportOptions& options);

enum class ExportFormat { Csv, VCard3, VCard4 };

// "csv", "vcard3", "vcard4" or "vcard"; empty: by `dest`'s extension (.csv, else vCard 4).
// Throws UsageError for another name.
ExportFormat exportFormatNamed(const std::string& name, const std::string& dest);

// A book's text in a format, and what the user should know about it (groups CSV cannot hold,
// UIDs that could not be kept in the book).
struct ExportText {
    std::string text;
    std::vector<std::string> notes;
};
ExportText exportText(const Book& book, ExportFormat format);
// The book at `bookPath` as text; for vCard its cards get UIDs kept in the book where it can be
// written, so that they are the same at every export.
ExportText exportBook(const std::string& bookPath, ExportFormat format);

// Writes the whole text to `dest` or nothing; an existing file is replaced only with `replace`,
// and a link at `dest` is replaced, never followed.
void writeExportFile(const std::string& dest, const std::string& text, bool replace);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
