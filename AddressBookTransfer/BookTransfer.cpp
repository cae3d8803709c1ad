// Import and export of whole books.
#include "BookTransfer.h"

#include "ImportPlan.h"
#include "VCard.h"

#include "AbifRecords.h"
#include "AbifStore.h"
#include "TextEncoding.h"
#include "WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && asciiLower(text.substr(text.size() - suffix.size())) == suffix;
}

// Turns an encoding's name into the platform's conversion.
platform::CFStringEncoding encodingNamed(const std::string& name) {
    std::string n = asciiLower(name);
    n.erase(std::remove_if(n.begin(), n.end(), [](char c) { return c == '-' || c == '_'; }), n.end());
    if (n == "utf8")
        return platform::kCFStringEncodingUTF8;
    if (n == "windows1252" || n == "cp1252")
        return platform::kCFStringEncodingWindowsLatin1;
    if (n == "iso88591" || n == "latin1")
        return platform::kCFStringEncodingISOLatin1;
    if (n == "shiftjis" || n == "sjis")
        return platform::kCFStringEncodingShiftJIS_X0213;
    if (n == "ascii" || n == "usascii")
        return platform::kCFStringEncodingASCII;
    throw UsageError("unknown encoding " + name + " (utf-8, windows-1252, iso-8859-1, shift-jis, ascii)");
}

// The text of SOURCE as UTF-8.
std::string decodeSource(std::string_view bytes, const std::string& encoding, const std::string& source) {
    std::string_view body = withoutByteOrderMark(bytes);
    if (encoding.empty()) {
        if (!abif::isValidUtf8(body))
            throw ToolError(source + " is not UTF-8 text; name its encoding with --encoding (for example "
                                     "windows-1252, iso-8859-1 or shift-jis)");
        return std::string(body);
    }
    platform::CFStringEncoding e = encodingNamed(encoding);
    qsizetype used = 0;
    QString text = platform::StringCreateWithBytes(body.data(), qsizetype(body.size()), e, &used);
    if (used != qsizetype(body.size())) {
        size_t line = 1 + size_t(std::count(body.begin(), body.begin() + used, '\n'));
        throw ToolError(source + ": line " + std::to_string(line) + " is not " + encoding + " text");
    }
    QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), size_t(utf8.size()));
}

std::string importFormat(const std::string& given, const std::string& source, const std::string& text) {
    std::string format = asciiLower(given);
    if (format.empty()) {
        if (endsWith(source, ".csv") || endsWith(source, ".tsv") || endsWith(source, ".txt"))
            return "csv";
        if (endsWith(source, ".vcf") || endsWith(source, ".vcard"))
            return "vcard";
        size_t start = text.find_first_not_of(" \t\r\n");
        return start != std::string::npos && asciiLower(text.substr(start, 11)) == "begin:vcard" ? "vcard"
                                                                                                 : "csv";
    }
    if (format != "csv" && format != "vcard")
        throw UsageError("unknown import format " + format + " (vcard or csv)");
    return format;
}

} // namespace

std::string ImportReport::text() const {
    std::string out = "Added " + entriesAndGroups(entries, groups) + " to " + book + ".\n";
    if (!skipped.empty())
        out += "Skipped " + countSkipped(skipped) + ":\n" + describeSkipped(skipped);
    return out;
}

ParsedImport parseImportText(std::string_view bytes, const std::string& source,
                             const ImportOptions& options) {
    std::string text = decodeSource(bytes, options.encoding, source);
    std::string format = importFormat(options.format, source, text);
    ParsedImport parsed;
    try {
        parsed = format == "csv" ? parseCsv(text, options.csv) : parseVCards(text);
    } catch (const ToolError& e) {
        throw ToolError(source + ": " + e.what() + "; nothing was imported");
    }
    return parsed;
}

ImportPlan planImportChecked(ParsedImport parsed, const std::string& source, const ImportOptions& options,
                             const Book& existing) {
    ImportPlan plan = planImport(std::move(parsed), existing, options.normalizeNumbers);

    auto refuse = [&](const std::vector<Rejected>& skipped, const std::string& why, const char* option) {
        throw ToolError(source + ": " + countSkipped(skipped) + " " + why + ":\n" + describeSkipped(skipped) +
                        "nothing was imported; " + option + " imports the rest without them");
    };
    bool cleanable = std::any_of(plan.invalid.begin(), plan.invalid.end(), [](const Rejected& r) {
        return r.reason.find("--normalize-numbers") != std::string::npos;
    });
    if (!plan.invalid.empty() && !options.skipInvalid)
        refuse(plan.invalid, "cannot be imported",
               cleanable ? "--normalize-numbers takes the written fax numbers, and --skip-invalid"
                         : "--skip-invalid");
    if (!plan.duplicates.empty() && !options.skipDuplicates)
        refuse(plan.duplicates, "already in the address book", "--skip-duplicates");
    return plan;
}

ImportReport ImportReport::of(const std::string& book, const ImportPlan& plan) {
    ImportReport report{book, plan.entries.size(), plan.groups.size(), plan.invalid};
    report.skipped.insert(report.skipped.end(), plan.duplicates.begin(), plan.duplicates.end());
    std::sort(report.skipped.begin(), report.skipped.end(),
              [](const Rejected& x, const Rejected& y) { return x.line < y.line; });
    return report;
}

ImportReport importText(const std::string& path, std::string_view bytes, const std::string& source,
                        const ImportOptions& options) {
    ParsedImport parsed = parseImportText(bytes, source, options);
    const bool exists = ::access(path.c_str(), F_OK) == 0;
    if (!exists && !options.create && errno == ENOENT)
        throw ToolError(path + " does not exist; --create makes it; nothing was imported");
    const bool create = options.create && !exists;
    Book existing;
    existing.kind = options.device ? kAbifFileDevice : kAbifFileComputer;
    if (!create)
        existing = readBook(path);
    ImportPlan plan = planImportChecked(std::move(parsed), source, options, existing);
    try {
        if (create)
            createBook(path, existing.kind, plan.entries, plan.groups);
        else
            addToBook(path, existing, plan.entries, plan.groups);
    } catch (const ToolError& e) {
        throw ToolError(std::string(e.what()) +
                        (std::strstr(e.what(), "nothing was") ? "" : "; nothing was imported"));
    }
    return ImportReport::of(path, plan);
}

std::string readSourceFile(const std::string& source) {
    std::ifstream file(source, std::ios::binary);
    if (!file)
        throw ToolError("cannot read " + source + ": " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    if (file.bad())
        throw ToolError("cannot read " + source);
    return bytes;
}

ImportReport importFile(const std::string& path, const std::string& source, const ImportOptions& options) {
    return importText(path, readSourceFile(source), source, options);
}

ExportFormat exportFormatNamed(const std::string& name, const std::string& dest) {
    std::string format = asciiLower(name);
    if (format.empty())
        return endsWith(dest, ".csv") ? ExportFormat::Csv : ExportFormat::VCard4;
    if (format == "csv")
        return ExportFormat::Csv;
    if (format == "vcard4" || format == "vcard")
        return ExportFormat::VCard4;
    if (format == "vcard3")
        return ExportFormat::VCard3;
    throw UsageError("unknown export format " + format + " (vcard4, vcard3 or csv)");
}

ExportText exportText(const Book& book, ExportFormat format) {
    ExportText out;
    if (format != ExportFormat::Csv) {
        out.text = writeVCards(book, format == ExportFormat::VCard3 ? VCardVersion::V3 : VCardVersion::V4);
        return out;
    }
    out.text = writeCsv(book);
    if (!book.groups.empty())
        out.notes.push_back("CSV holds no groups; " +
                            counted(book.groups.size(), "group was", "groups were") + " not exported");
    return out;
}

ExportText exportBook(const std::string& path, ExportFormat format) {
    if (format == ExportFormat::Csv)
        return exportText(readBook(path), format);
    Book book;
    std::vector<std::string> notes;
    try {
        book = readBook(path, true); // UIDs kept in the book, the same at every export
    } catch (const ToolError&) {
        book = readBook(path);
        notes.push_back(path + " cannot be given lasting UIDs (it cannot be written); the cards get new ones "
                               "each time");
    }
    ExportText out = exportText(book, format);
    out.notes.insert(out.notes.begin(), notes.begin(), notes.end());
    return out;
}

void writeExportFile(const std::string& dest, const std::string& text, bool replace) {
    struct stat st {};
    if (!replace && ::lstat(dest.c_str(), &st) == 0)
        throw ToolError(dest + " already exists; --force replaces it");
    std::string temp;
    int fd = abif::createFileBeside(dest, ".export-", temp);
    if (fd < 0)
        throw ToolError("cannot write " + dest + ": " + std::strerror(errno));
    int error = 0;
    errno = 0; // a descriptor that takes no byte sets none
    if (!faxjob::writeAll(fd, text.data(), text.size()))
        error = errno != 0 ? errno : EIO;
    if (::fsync(fd) != 0 && error == 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 &&
        (replace ? std::rename(temp.c_str(), dest.c_str())
                 : ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, dest.c_str(), RENAME_NOREPLACE)) != 0)
        error = errno;
    if (error == 0)
        return;
    ::unlink(temp.c_str());
    if (error == EEXIST)
        throw ToolError(dest + " already exists; --force replaces it");
    throw ToolError("cannot write " + dest + ": " + std::strerror(error));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
