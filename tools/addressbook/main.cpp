// directfax-addressbook: the address-book files of DirectFax from the command line.
#include "AddressBookTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return com::velmora::cps::print::pde::tarncrest::directfax::addressbook::runAddressBookTool(
        args, std::cin, std::cout, std::cerr);
}
