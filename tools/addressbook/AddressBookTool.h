// The directfax-addressbook command line: list, create, add to, import into and export from
// address-book files.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

// Runs one command (the arguments after the program name) and answers the exit status:
// 0 done, 1 failed (the message is on `err`), 2 wrong usage.
int runAddressBookTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
