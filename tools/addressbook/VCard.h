// vCard 3 and 4 for the address-book tool: individuals with their fax number, and groups
// (vCard 4 KIND:group with MEMBER, vCard 3 the X-ADDRESSBOOKSERVER-KIND and -MEMBER properties).
#pragma once

#include "AddressBook.h"

#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

enum class VCardVersion { V3, V4 };

// The cards of a book: one per entry, then one per group, lines ended by CR LF and folded.
std::string writeVCards(const Book& book, VCardVersion version);

// The entries (numbered from 1 in the order of their cards) and groups (members by those
// numbers) of a vCard text of either version. Throws ToolError naming the line of bad input.
Book parseVCards(std::string_view text);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
