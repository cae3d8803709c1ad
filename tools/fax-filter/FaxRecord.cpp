#include "FaxRecord.h"

#include "FaxNumberRule.h"
#include "ScrambledString.h"

#include <algorithm>
#include <charconv>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

namespace {

constexpr size_t kMaxPasswordDigits = 4;

const char* value(const JobOptionList& options, const std::string& baseName) {
    return options.get(kRecordPrefix + baseName);
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal count from 1 to kMaxDestinations without leading zeros, or 0.
int destinationCount(std::string_view text) {
    int count = 0;
    if (!isDigits(text) || text.size() > 2 || text[0] == '0')
        return 0;
    std::from_chars(text.data(), text.data() + text.size(), count);
    return count <= kMaxDestinations ? count : 0;
}

bool isTimeOfDay(std::string_view text) {
    if (text.size() != 5 || text[2] != ':' || !isDigits(text.substr(0, 2)) || !isDigits(text.substr(3)))
        return false;
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    return hour < 24 && minute < 60;
}

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result.append(1, '"').append(text).append(1, '"');
    return result;
}

// The sentence that refuses the fax number `phone` of destination `number`, or "" when the
// number is one the fax-job dialog can put into a job (FaxNumberRule.h).
std::string faxNumberFault(std::string_view phone, const std::string& number) {
    // A leading byte-order mark is no character of the number, as the dialog reads UTF-8.
    const std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::optional<size_t> length =
        platform::Utf16LengthOfUtf8(phone.starts_with(kByteOrderMark) ? phone.substr(3) : phone);
    if (!length)
        return "The fax number of destination " + number + " is not readable text.";
    if (!isJobFaxNumberLength(*length))
        return "The fax number of destination " + number + " is longer than " +
               std::to_string(kPhoneNumberMaxLength) + " characters.";
    return {};
}

} // namespace

std::optional<FaxRecord> readFaxRecord(const JobOptionList& options, platform::CFStringEncoding encoding,
                                       std::string& error) {
    auto fail = [&error](std::string message) {
        error = std::move(message);
        return std::nullopt;
    };
    FaxRecord record;
    const char* scrambled = value(options, "DFaxPassword");
    if (!scrambled)
        return fail("The job carries no fax destinations. Send it again from the fax dialog.");
    if (*scrambled) {
        std::u16string latin1; // each byte one character
        for (const char* at = scrambled; *at; ++at)
            latin1 += static_cast<char16_t>(static_cast<unsigned char>(*at));
        const std::optional<std::u16string> password = CreateDecryptedString(latin1, encoding);
        if (!password)
            return fail("The fax password of the job cannot be read.");
        // Only ASCII digits are taken: any other character fails the check as one byte.
        for (char16_t unit : *password)
            record.password += unit < 0x80 ? static_cast<char>(unit) : '?';
        if (record.password.size() > kMaxPasswordDigits || !isDigits(record.password))
            return fail("The fax password of the job is not 1 to 4 digits.");
    }

    const char* delayed = value(options, "DFaxDelayedPrint");
    const char* time = value(options, "DFaxDelayedTime");
    if (!delayed || !time)
        return fail("The fax job is incomplete: its delayed-send setting is missing.");
    if (std::string_view(delayed) != "0" && std::string_view(delayed) != "1")
        return fail("The delayed-send setting " + quoted(delayed) + " of the fax job is neither on nor off.");
    if (!isTimeOfDay(time))
        return fail("The delayed-send time " + quoted(time) +
                    " of the fax job is not a time of day (HH:mm).");
    record.delayedPrint = std::string_view(delayed) == "1";
    record.delayedTime = time;

    const char* countText = value(options, "DFaxDestinationNumber");
    if (!countText)
        return fail("The fax job names no destinations.");
    const int count = destinationCount(countText);
    if (count == 0)
        return fail("The number of fax destinations " + quoted(countText) + " is not a number from 1 to 30.");
    for (int n = 1; n <= count; ++n) {
        const std::string number = std::to_string(n);
        const char* name = value(options, "DFaxDestinationName" + number);
        const char* phone = value(options, "DFaxDestinationPhoneNumber" + number);
        if (!name || !phone || !*phone)
            return fail("Fax destination " + number + " of " + countText + " is missing from the job.");
        if (std::string fault = faxNumberFault(phone, number); !fault.empty())
            return fail(std::move(fault));
        record.destinations.push_back({name, phone});
    }
    return record;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
