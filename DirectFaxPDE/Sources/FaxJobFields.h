// The fax job's text fields as programs that build a job without the dialogs need them: their
// lengths (in UTF-16 code units) and the print-settings key of the sender name.
#pragma once

#include <cstdint>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// A destination's name and the job's password, in the fax-job dialog.
inline constexpr std::uint64_t kAddressNameMaxLength = 32;
inline constexpr std::uint64_t kPasswordMaxLength = 4;

// Print-settings key of the sender name.
inline constexpr const char* kSenderNamePrintSettingsKey =
    "com.velmora.cps.print.printsettings.DFaxCoverSenderName";
// Longest sender name.
inline constexpr std::uint64_t kSenderNameMaxLength = 30;

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
