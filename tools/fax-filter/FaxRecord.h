// The fax job record as the fax filter reads it back from the job's options: the keys the
// fax-job dialog writes into the print settings, checked before a single page is sent.
#pragma once

#include "JobOptions.h"
#include "TextConversion.h"

#include <optional>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

inline constexpr const char* kRecordPrefix = "com.velmora.cps.print.printsettings.";
inline constexpr int kMaxDestinations = 30;

struct FaxDestination {
    std::string name;
    std::string phoneNumber;
};

struct FaxRecord {
    std::string password; // unscrambled; empty when the job has none
    bool delayedPrint = false;
    std::string delayedTime; // "HH:mm"
    std::vector<FaxDestination> destinations;
};

// Reads and checks the record in `options`; the password is unscrambled in `encoding` (the
// printer's, from its PPD). Nullopt with `error` set to a sentence for the user when the record
// is missing, incomplete or damaged.
std::optional<FaxRecord> readFaxRecord(const JobOptionList& options, platform::CFStringEncoding encoding,
                                       std::string& error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
