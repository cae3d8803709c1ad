// Letters compared without their case in ASCII alone, whatever the locale: the names of CUPS
// options and PPD keywords, and the address-book tool's formats and headers.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

inline std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

inline bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
