// Helpers of the editor's tests: entries and groups of the transfer library's books.
#pragma once

#include <AddressBook.h>

#include <cstdint>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

inline addressbook::BookEntry bookEntry(uint16_t id, const std::string& name, const std::string& fax,
                                        const std::string& company = {}, const std::string& note = {}) {
    addressbook::BookEntry e;
    e.id = id;
    e.name = name;
    e.fax = fax;
    e.company = company;
    e.note = note;
    return e;
}

inline addressbook::BookGroup bookGroup(const std::string& name, std::vector<uint16_t> members) {
    addressbook::BookGroup g;
    g.name = name;
    g.members = std::move(members);
    return g;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
