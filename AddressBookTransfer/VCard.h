// vCard 3 and 4 for the address-book tool: individuals with their fax number, and groups
// (vCard 4 KIND:group with MEMBER, vCard 3 the X-ADDRESSBOOKSERVER-KIND and -MEMBER properties).
#pragma once

#include "AddressBook.h"

#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

enum class VCardVersion { V3, V4 };

// The cards of a book: one per entry, then one per group, lines ended by CR LF and folded. Each
// card carries the UID of its entry or group (a new one where the book has none) and a structured
// name N: the one the entry was imported with, else its name as the given name.
std::string writeVCards(const Book& book, VCardVersion version);

// The entries (numbered from 1 in the order of their cards) and groups (members by those
// numbers) of a vCard text of either version, with the UID and N of each card; cards that give
// no entry (no fax number, a text too long) are listed as rejected, and dropped from the groups.
// Throws ToolError naming the line of input that is not vCard.
ParsedImport parseVCards(std::string_view text);

// The N value (family;given;additional;prefixes;suffixes) of the given parts, escaped.
std::string structuredNameValue(std::string_view family, std::string_view given, std::string_view middle);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
