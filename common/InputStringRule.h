// What a free-text field of a fax job may hold: a length bound and a set of UTF-16 code units.
// Qt Core only, so that programs that build a fax job without a window check their input by the
// same rule as the dialogs' fields (InputStringChecker, which holds one of these).
#pragma once

#include "FaxNumberRule.h"

#include <QStringView>

#include <cstdint>
#include <memory>
#include <span>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Code range lists: pairs (low, high) of UTF-16 code units, both bounds inclusive, ended by the first
// pair whose low value is 0 (its high value is never read).
inline constexpr char16_t kSenderNameAcceptableRange[] = {0x0020, 0x007E, 0};
inline constexpr char16_t kAddressNameAcceptableRange[] = {0x0020, 0x007E, 0};
// kPhoneNumberAcceptableRange: FaxNumberRule.h.
inline constexpr char16_t kPasswordAcceptableRange[] = {0x0030, 0x0039, 0};

class InputStringRule {
public:
    // Number of entries of a code-unit table: one per UTF-16 code unit.
    static constexpr std::size_t kCodeUnitCount = 0x10000;
    // The maxLength of a new rule: no limit.
    static constexpr std::uint64_t kNoLimit = ~std::uint64_t{0};

    InputStringRule();
    ~InputStringRule();
    InputStringRule(const InputStringRule&) = delete;
    InputStringRule& operator=(const InputStringRule&) = delete;

    // Largest accepted text length, in UTF-16 code units.
    void setMaxLength(std::uint64_t length);
    // Builds the acceptance table from a code range list; the list is read during the call only. Each
    // call replaces the previous set. The list is also bounded by the span: a list without its closing
    // zero ends with the span, and a low value without its high value adds nothing.
    void setAcceptableCodeRange(std::span<const char16_t> ranges);
    // Builds the second table the same way. Checking does not consult it.
    void setUnAcceptableCodeRange(std::span<const char16_t> ranges);

    // True when the text is within the length and every UTF-16 code unit of it is acceptable (a
    // character outside the Basic Multilingual Plane is tested as its two surrogates).
    bool accepts(QStringView text) const;

private:
    using CodeUnitTable = std::unique_ptr<std::uint8_t[]>;
    static void fillTable(CodeUnitTable& table, std::span<const char16_t> ranges);

    std::uint64_t maxLength = kNoLimit;
    // Entry u is 1 when the code unit u may appear; null means every code unit is allowed.
    CodeUnitTable acceptableCodeRange;
    CodeUnitTable unAcceptableCodeRange;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
