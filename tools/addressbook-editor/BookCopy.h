// Copying entries and groups from one book into another (a computer book or the printer's): what
// is chosen, with the members of the chosen groups, planned against what the target holds
// (entries it has already, groups over its member count, and for the printer everything the
// printer cannot hold, each named), so that the copy is made whole, in one write, or not at all.
#pragma once

#include "DeviceTransfer.h"
#include "ImportPlan.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

// The chosen entries (by Id) and groups (by index) of `source`, the groups' members included,
// numbered from 1 for the plan.
addressbook::ParsedImport chosenPart(const addressbook::Book& source, const std::set<uint16_t>& entries,
                                     const std::set<size_t>& groups);

struct CopyPlan {
    addressbook::Book result; // the target with the copy, as it is to be written whole
    // What is added, for an add to a file (new entries' Ids unused in it, groups naming them).
    std::vector<addressbook::BookEntry> addedEntries;
    std::vector<addressbook::BookGroup> addedGroups;
    std::vector<std::string> leftOut; // "NAME: why", one a line
    size_t entries = 0, groups = 0;   // what is copied
};
// The target after the copy; for a device target the printer's limits are applied to the whole.
CopyPlan planCopy(const addressbook::ParsedImport& part, const addressbook::Book& target);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
