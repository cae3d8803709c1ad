// An address-book file as the command-line tool sees it: entries and groups with UTF-8 texts,
// read and added through the AddressBookIf framework.
#pragma once

#include "AddressBookIf.h"

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
    int64_t added = 0; // seconds since 1970; 0: the time of adding
};

struct BookGroup {
    std::string name;
    std::vector<uint16_t> members; // Ids of entries, in order
};

struct Book {
    int32_t kind = 0; // kAbifFileComputer or kAbifFileDevice
    std::vector<BookEntry> entries;
    std::vector<BookGroup> groups;
};

// Most UTF-16 units of each text: what its record field holds before the zero unit.
inline constexpr size_t kNameUnits = ABIF_MYFAX_NAME_SIZE / 2 - 1;
inline constexpr size_t kFaxUnits = ABIF_MYFAX_PHONE_SIZE / 2 - 1;
inline constexpr size_t kCompanyUnits = ABIF_MYFAX_COMPANY_SIZE / 2 - 1;
inline constexpr size_t kNoteUnits = ABIF_MYFAX_NOTE_SIZE / 2 - 1;

// The most members a group of a file of `kind` holds.
size_t groupLimit(int32_t kind);

// A bare name (no "/") names a file in the address-book folder; anything else is a path.
std::string resolveBookPath(const std::string& book);

// The text of an AddressBookIf result code, for messages.
std::string describeResult(int32_t code);

std::string asciiLower(std::string_view text);
// The text without a leading UTF-8 byte-order mark.
std::string_view withoutByteOrderMark(std::string_view text);
size_t utf16Length(std::string_view utf8);

// Checks the texts of an entry (`where` names it in the message); throws ToolError.
void checkEntry(const BookEntry& entry, const std::string& where);
void checkGroupName(const std::string& name, const std::string& where);

Book readBook(const std::string& path);
void createBook(const std::string& path, int32_t kind);

// Adds entries and groups in one call: all or nothing. Entry ids number the new entries for
// the groups of the same call (0: not referenced); a group member that no new entry carries is
// the Id of an entry already in the file. The texts are checked first and duplicates named.
void addToBook(const std::string& path, const std::vector<BookEntry>& entries,
               const std::vector<BookGroup>& groups);
// The same for a file whose content the caller has just read as `existing`.
void addToBook(const std::string& path, const Book& existing, const std::vector<BookEntry>& entries,
               const std::vector<BookGroup>& groups);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
