// What an import adds to a book and what it leaves out: the cards or rows of a parsed text set
// against the entries and groups already in the book.
#pragma once

#include "AddressBook.h"

#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

// The cards or rows that an import leaves out, and the entries and groups it adds.
struct ImportPlan {
    std::vector<BookEntry> entries;
    std::vector<BookGroup> groups;
    std::vector<Rejected> invalid, duplicates;
};

// Checks the fax numbers (cleaned with `normalize`), finds what the book already holds (the same
// UID, or the same name and fax number) and what the text gives twice, and numbers the new
// entries with Ids the book does not use; group members follow their entries.
ImportPlan planImport(ParsedImport parsed, const Book& existing, bool normalize);

// `book` with the entries and groups that `plan` adds after its own.
Book withPlanned(Book book, const ImportPlan& plan);

// The cards or rows named in a report or an error, at most 10 of them; one of line 0 (not from a
// text) by its name.
std::string describeSkipped(const std::vector<Rejected>& skipped);
// "2 entries and 1 group".
std::string entriesAndGroups(size_t entries, size_t groups);
std::string countSkipped(const std::vector<Rejected>& skipped);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
