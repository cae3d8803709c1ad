// What a fax number may hold: the rule of the fax-job dialog's number field, shared with the
// programs that check numbers without a dialog, and the wider rule of the numbers a fax job may
// carry to the printer's driver. Header only and free of Qt.
#pragma once

#include <cstddef>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Code range list (pairs of inclusive UTF-16 bounds, ended by a pair whose low value is 0):
// "0" to "9", "#", "*", "-", ":", "=".
inline constexpr char16_t kPhoneNumberAcceptableRange[] = {
    0x0030, 0x0039, 0x0023, 0x0023, 0x002A, 0x002A, 0x002D, 0x002D, 0x003A, 0x003A, 0x003D, 0x003D, 0};
// The most characters of a fax number.
inline constexpr std::size_t kPhoneNumberMaxLength = 50;

constexpr bool isPhoneNumberUnit(char16_t unit) {
    for (const char16_t* r = kPhoneNumberAcceptableRange; r[0] != 0; r += 2)
        if (unit >= r[0] && unit <= r[1])
            return true;
    return false;
}

// A fax number the dialog takes: 1 to kPhoneNumberMaxLength acceptable characters.
constexpr bool isValidFaxNumber(std::u16string_view number) {
    if (number.empty() || number.size() > kPhoneNumberMaxLength)
        return false;
    for (char16_t unit : number)
        if (!isPhoneNumberUnit(unit))
            return false;
    return true;
}

// A fax number as a fax job carries it to the printer's driver: whatever the dialog can put into
// a job. Its number field takes only isValidFaxNumber numbers, but the address book dialog moves
// numbers unchanged from address-book files and from the printer's own book, whose fax-number
// fields hold any text of 1 to kPhoneNumberMaxLength UTF-16 units ("+49 (30) 1234" from a
// printer's book, or anything a program wrote into a file, control characters too), and CUPS
// carries such a text in the job's options as it is. Every isValidFaxNumber number is one.
// The rule looks at the number of UTF-16 units alone, so a reader of UTF-8 counts them
// (isJobFaxNumberLength) instead of converting the text.
constexpr bool isJobFaxNumberLength(std::size_t units) {
    return units > 0 && units <= kPhoneNumberMaxLength;
}
constexpr bool isJobFaxNumber(std::u16string_view number) {
    return isJobFaxNumberLength(number.size());
}

// What a CUPS fax queue dials before each number (an outside line: "0", "9", a pause ","):
// digits, "#", "*" and ",", at most kDialPrefixMaxLength of them.
inline constexpr char16_t kDialPrefixAcceptableRange[] = {u'0', u'9', u'#', u'#', u'*', u'*', u',', u',', 0};
inline constexpr std::size_t kDialPrefixMaxLength = 20;

constexpr bool isValidDialPrefix(std::u16string_view prefix) {
    if (prefix.size() > kDialPrefixMaxLength)
        return false;
    for (char16_t unit : prefix) {
        bool accepted = false;
        for (const char16_t* r = kDialPrefixAcceptableRange; r[0] != 0; r += 2)
            accepted = accepted || (unit >= r[0] && unit <= r[1]);
        if (!accepted)
            return false;
    }
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
