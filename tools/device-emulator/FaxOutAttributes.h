// What the emulated printer's IPP FaxOut service says about itself, and how it reads the fax
// destinations of a job: `destination-uris`, one collection per destination, each a `tel:` URI
// with an optional `pre-dial-string`.
#pragma once

#include <cups/ipp.h>

#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

// Most destinations one job may carry, and the longest pre-dial string.
inline constexpr int kMaxFaxDestinations = 30;
inline constexpr size_t kMaxPreDialLength = 20;

// The printer's description and its FaxOut capabilities, for the service at `uri`; `upTime` is
// the service's start (seconds since the epoch). The caller owns the answer.
ipp_t* faxOutPrinterAttributes(const std::string& uri, int upTime);

struct FaxDestinationUri {
    std::string uri;     // "tel:..." as the client gave it
    std::string preDial; // what is dialled first (an outside line); may be empty
};

// The destinations of `request` (its job group). False when there are none to read, or when
// one is not a destination the printer dials: then `bad` names the attribute and `status` says
// what the printer answers (client-error-bad-request for a missing or malformed collection,
// client-error-attributes-or-values-not-supported for a value it cannot dial).
bool readFaxDestinations(ipp_t* request, std::vector<FaxDestinationUri>& destinations, ipp_status_t& status,
                         std::string& bad);

// True when `uri` is a tel: URI a fax modem can dial: digits with the visual separators of
// RFC 3966 ("-", ".", "(", ")"), an optional leading "+", and the tone keys "*" and "#".
bool isDiallableTelUri(const std::string& uri);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
