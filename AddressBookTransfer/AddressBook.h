// An address-book file as the command-line tool sees it: entries and groups with UTF-8 texts,
// read and added through the AddressBookIf framework.
#pragma once

#include "AddressBookIf.h"
#include "AsciiCase.h"
#include "FaxNumberRule.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

// A failure the tool reports to the user as it is.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BookEntry {
    uint16_t id = 0; // in a file: its Id; in an import: the import's own number from 1
    std::string name, fax, company, note;
    int64_t added = 0;          // seconds since 1970; 0: the time of adding
    std::string uid;            // empty: none yet
    std::string structuredName; // the vCard N value it came with, escaped; empty: none
    size_t line = 0;            // in an import: the line its card or row starts on
};

struct BookGroup {
    std::string name;
    std::vector<uint16_t> members; // Ids of entries, in order
    std::string uid;
    int64_t key = 0; // in a file: what names it for changes
    size_t line = 0; // in an import: the line its card starts on
};

struct Book {
    int32_t kind = 0; // kAbifFileComputer or kAbifFileDevice
    std::vector<BookEntry> entries;
    std::vector<BookGroup> groups;
};

// A card or row that an import cannot take: where it starts, what it names, and why; or an entry
// or group of a book that cannot go where it is sent (line 0).
struct Rejected {
    size_t line = 0;
    std::string name;
    std::string reason;
    bool group = false;
};

// What a vCard or CSV text holds: the entries and groups it gives, and what it cannot.
struct ParsedImport {
    Book book;
    std::vector<Rejected> rejected;
};

// Most characters (UTF-16 units) of each text: what its record field holds before the zero unit;
// a fax number follows the fax-job dialog's rule (FaxNumberRule.h), which is shorter.
inline constexpr size_t kNameUnits = ABIF_MYFAX_NAME_SIZE / 2 - 1;
inline constexpr size_t kFaxUnits = kPhoneNumberMaxLength;
inline constexpr size_t kCompanyUnits = ABIF_MYFAX_COMPANY_SIZE / 2 - 1;
inline constexpr size_t kNoteUnits = ABIF_MYFAX_NOTE_SIZE / 2 - 1;

// The Fax and FaxGroup records of a data handle as a device book.
Book deviceRecordsBook(const ABIFData& data);

// The most members a group of a file of `kind` holds.
size_t groupLimit(int32_t kind);

// A bare name (no "/") names a file in the address-book folder; anything else is a path.
std::string resolveBookPath(const std::string& book);

// The text of an AddressBookIf result code, for messages.
std::string describeResult(int32_t code);

// "1 entry", "2 entries".
std::string counted(size_t count, const char* one, const char* many);

// The start of a text read from input, for a message: at most 60 bytes (whole UTF-8 sequences),
// then "..." when it goes on.
std::string excerpt(std::string_view text);
// The text without a leading UTF-8 byte-order mark.
std::string_view withoutByteOrderMark(std::string_view text);
size_t utf16Length(std::string_view utf8);

// Checks the texts of an entry (`where` names it in the message); throws ToolError. The fax number
// is checked by checkFaxNumber.
void checkEntry(const BookEntry& entry, const std::string& where);
// A fax number that the fax-job dialog takes, or a ToolError; with `normalize`, a common written
// form ("+49 (30) 1234-56", spaces, dots) is answered cleaned ("0049301234-56").
std::string checkFaxNumber(const std::string& number, bool normalize, const std::string& where);
void checkGroupName(const std::string& name, const std::string& where);

// Reads a book with the UIDs of its entries and groups. With `withUids`, a book of the format
// before UIDs is first given them (a write), so that they stay the same from then on.
Book readBook(const std::string& path, bool withUids = false);
void createBook(const std::string& path, int32_t kind);
// Creates the book holding `entries` and `groups`: it appears whole or not at all.
void createBook(const std::string& path, int32_t kind, const std::vector<BookEntry>& entries,
                const std::vector<BookGroup>& groups);

// Adds entries and groups in one call: all or nothing. Entry ids number the new entries for
// the groups of the same call (0: not referenced); a group member that no new entry carries is
// the Id of an entry already in the file. The texts are checked first and duplicates named.
void addToBook(const std::string& path, const std::vector<BookEntry>& entries,
               const std::vector<BookGroup>& groups);
// The same for a file whose content the caller has just read as `existing`.
void addToBook(const std::string& path, const Book& existing, const std::vector<BookEntry>& entries,
               const std::vector<BookGroup>& groups);

// Changes to a book, made in one transaction: entries with their new texts (by Id), entries to
// remove (also from their groups), groups with new names or members (by key), groups to remove.
struct BookEdit {
    std::vector<BookEntry> changedEntries;
    bool namesAndNumbersOnly = false; // the company and note of changedEntries are not taken
    std::vector<uint16_t> removedEntries;
    std::vector<BookGroup> changedGroups;
    std::vector<int64_t> removedGroups;
};
void editBook(const std::string& path, const BookEdit& edit);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
