// CSV for the address-book tool: a header row naming the columns name, fax, company and note,
// then one entry per row (RFC 4180 quoting). Groups have no place in it.
#pragma once

#include "AddressBook.h"

#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

std::string writeCsv(const Book& book);

// The entries of a CSV text, numbered from 1. Throws ToolError naming the line of bad input.
Book parseCsv(std::string_view text);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
