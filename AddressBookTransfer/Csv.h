// CSV for the address-book tool. Export writes a header row naming the columns name, fax, company
// and note, then one entry per row (RFC 4180 quoting). Import takes the CSV files that address
// books and spreadsheets export: the separator is a comma, semicolon or tab, the columns are found
// by the header names those programs use, and other columns are ignored. Groups have no place in it.
#pragma once

#include "AddressBook.h"

#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

std::string writeCsv(const Book& book);

struct CsvOptions {
    char delimiter = 0;    // 0: the one of ',', ';', '\t' that the header row uses most
    std::string faxColumn; // the header of the fax column; empty: found by the usual names
};

// The entries of a CSV text, numbered from 1, and the rows that give none (no fax number, a text
// too long). Throws ToolError naming the line of input that is not CSV, or when the header row
// has no name or fax column.
ParsedImport parseCsv(std::string_view text, const CsvOptions& options = {});

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
