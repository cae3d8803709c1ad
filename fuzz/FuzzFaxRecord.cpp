// The fax filter's reading of the job record: any options string, parsed as the filter parses
// its options argument (parseJobOptions), then readFaxRecord on it; the first byte picks the
// encoding the password is unscrambled in. A record it takes keeps the record's bounds, and a
// refusal always says why.
#include "FaxNumberRule.h"
#include "FaxRecord.h"
#include "JobOptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

namespace platform = com::velmora::cps::print::pde::tarncrest::directfax::platform;
namespace directfax = com::velmora::cps::print::pde::tarncrest::directfax;
namespace faxjob = directfax::faxjob;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 << 16)
        return 0;
    constexpr platform::CFStringEncoding kEncodings[] = {
        platform::kCFStringEncodingUTF8, platform::kCFStringEncodingShiftJIS_X0213,
        platform::kCFStringEncodingISOLatin1, platform::kCFStringEncodingWindowsLatin1,
        platform::kCFStringEncodingASCII};
    const platform::CFStringEncoding encoding = kEncodings[data[0] % std::size(kEncodings)];
    // As an argument of the filter: a C string, so it ends at a zero byte.
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const faxjob::JobOptionList options = faxjob::parseJobOptions(text.c_str());
    std::string error;
    const auto record = faxjob::readFaxRecord(options, encoding, error);
    if (!record && error.empty())
        std::abort();
    if (record) {
        const size_t destinations = record->destinations.size();
        if (destinations < 1 || destinations > size_t(faxjob::kMaxDestinations) ||
            record->password.size() > 4 || record->delayedTime.size() != 5)
            std::abort();
        for (const faxjob::FaxDestination& destination : record->destinations)
            // At most three bytes of UTF-8 to a UTF-16 unit.
            if (destination.phoneNumber.empty() ||
                destination.phoneNumber.size() > 3 * directfax::kPhoneNumberMaxLength)
                std::abort();
    }
    return 0;
}
