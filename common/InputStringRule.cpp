#include "InputStringRule.h"

#include <algorithm>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// Answers whether every code unit has entry 1 in the table (entries are 0 or 1). The units are taken in
// blocks whose entries are combined without a branch per unit, and read four at a time as one 64-bit
// word, so the loop runs at the speed of the table loads; the scan still stops at the block that holds
// the first refused unit. The order of the four units in the word does not matter: all of them are tested.
bool allCodeUnitsAcceptable(const std::uint8_t* table, const char16_t* units, std::size_t count) {
    constexpr std::size_t kBlock = 64;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        unsigned even = 1;
        unsigned odd = 1;
        for (std::size_t k = 0; k < kBlock; k += 4) {
            std::uint64_t word;
            std::memcpy(&word, units + i + k, sizeof word);
            even &= table[word & 0xFFFF];
            odd &= table[(word >> 16) & 0xFFFF];
            even &= table[(word >> 32) & 0xFFFF];
            odd &= table[word >> 48];
        }
        if ((even & odd) != 1)
            return false;
    }
    unsigned all = 1;
    for (; i < count; ++i)
        all &= table[units[i]];
    return all == 1;
}

} // namespace

InputStringRule::InputStringRule() = default;

InputStringRule::~InputStringRule() = default;

void InputStringRule::setMaxLength(std::uint64_t length) {
    maxLength = length;
}

void InputStringRule::setAcceptableCodeRange(std::span<const char16_t> ranges) {
    fillTable(acceptableCodeRange, ranges);
}

void InputStringRule::setUnAcceptableCodeRange(std::span<const char16_t> ranges) {
    fillTable(unAcceptableCodeRange, ranges);
}

void InputStringRule::fillTable(CodeUnitTable& table, std::span<const char16_t> ranges) {
    // The table is allocated once and reused; each call replaces the whole set.
    if (!table)
        table = std::make_unique_for_overwrite<std::uint8_t[]>(kCodeUnitCount);
    std::memset(table.get(), 0, kCodeUnitCount);

    for (std::size_t i = 0; i < ranges.size(); i += 2) {
        const char16_t low = ranges[i];
        if (low == 0 || i + 1 >= ranges.size())
            break;
        const char16_t high = ranges[i + 1];
        // Bounds as plain integers: a range that ends at U+FFFF must not wrap around.
        if (low <= high)
            std::fill(table.get() + low, table.get() + std::size_t{high} + 1, std::uint8_t{1});
    }
}

bool InputStringRule::accepts(QStringView text) const {
    if (static_cast<std::uint64_t>(text.size()) > maxLength)
        return false;
    if (!acceptableCodeRange)
        return true;
    return allCodeUnitsAcceptable(acceptableCodeRange.get(), text.utf16(),
                                  static_cast<std::size_t>(text.size()));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
