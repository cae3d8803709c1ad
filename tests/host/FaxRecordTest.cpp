// The fax filter's reading of the fax record from the job's options.
#include "FaxRecord.h"
#include "FaxNumberRule.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob;

namespace {

using Changes = std::map<std::string, std::optional<std::string>>; // nullopt: key left out

std::optional<FaxRecord> read(const Changes& changes, std::string& error) {
    std::map<std::string, std::optional<std::string>> record = {
        {"DFaxPassword", CreateEncryptedString("0815", platform::kCFStringEncodingUTF8).toStdString()},
        {"DFaxDelayedPrint", "0"},
        {"DFaxDelayedTime", "07:00"},
        {"DFaxDestinationNumber", "2"},
        {"DFaxDestinationName1", "Zoe"},
        {"DFaxDestinationPhoneNumber1", "0301234567"},
        {"DFaxDestinationName2", ""},
        {"DFaxDestinationPhoneNumber2", "+49 (30) 98-76"},
        {"DFaxDestinationName3", "left over"},
        {"DFaxDestinationPhoneNumber3", "999"}};
    for (const auto& [key, value] : changes)
        record[key] = value;
    JobOptionList options;
    for (const auto& [key, value] : record) {
        if (value)
            options.add(kRecordPrefix + key, *value);
    }
    return readFaxRecord(options, platform::kCFStringEncodingUTF8, error);
}

std::string scrambled(const char* password) {
    return CreateEncryptedString(password, platform::kCFStringEncodingUTF8).toStdString();
}

} // namespace

TEST(FaxRecord, ReadsTheRecordUpToItsCount) {
    std::string error;
    const auto record = read({}, error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(record->password, "0815");
    EXPECT_FALSE(record->delayedPrint);
    EXPECT_EQ(record->delayedTime, "07:00");
    ASSERT_EQ(record->destinations.size(), 2u);
    EXPECT_EQ(record->destinations[0].name, "Zoe");
    EXPECT_EQ(record->destinations[1].name, "");
    EXPECT_EQ(record->destinations[1].phoneNumber, "+49 (30) 98-76");

    const auto withoutPassword = read({{"DFaxPassword", ""}, {"DFaxDelayedPrint", "1"}}, error);
    ASSERT_TRUE(withoutPassword) << error;
    EXPECT_EQ(withoutPassword->password, "");
    EXPECT_TRUE(withoutPassword->delayedPrint);
}

TEST(FaxRecord, RefusesAMissingOrDamagedRecordWithAReason) {
    struct Row {
        Changes changes;
        const char* reason;
    };
    const Row rows[] = {
        {{{"DFaxPassword", std::nullopt}}, "carries no fax destinations"},
        {{{"DFaxPassword", "abc"}}, "password of the job cannot be read"},
        {{{"DFaxPassword", scrambled("12345")}}, "not 1 to 4 digits"},
        {{{"DFaxPassword", scrambled("12a")}}, "not 1 to 4 digits"},
        {{{"DFaxDelayedTime", std::nullopt}}, "delayed-send setting is missing"},
        {{{"DFaxDelayedPrint", "yes"}}, "neither on nor off"},
        {{{"DFaxDelayedTime", "9:05"}}, "\"9:05\" of the fax job is not a time of day"},
        {{{"DFaxDelayedTime", "24:00"}}, "not a time of day"},
        {{{"DFaxDelayedTime", "12:60"}}, "not a time of day"},
        {{{"DFaxDestinationNumber", std::nullopt}}, "names no destinations"},
        {{{"DFaxDestinationNumber", "0"}}, "\"0\" is not a number from 1 to 30"},
        {{{"DFaxDestinationNumber", "31"}}, "not a number from 1 to 30"},
        {{{"DFaxDestinationNumber", "02"}}, "not a number from 1 to 30"},
        {{{"DFaxDestinationNumber", "-1"}}, "not a number from 1 to 30"},
        {{{"DFaxDestinationNumber", "4"}}, "destination 4 of 4 is missing"},
        {{{"DFaxDestinationName1", std::nullopt}}, "destination 1 of 2 is missing"},
        {{{"DFaxDestinationPhoneNumber2", ""}}, "destination 2 of 2 is missing"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        std::string error;
        EXPECT_FALSE(read(row.changes, error));
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

TEST(FaxRecord, TakesEveryFaxNumberTheDialogCanPutIntoAJob) {
    // The dialog's own rule (typed numbers, directfax-send, the address-book tool) and the numbers
    // the address book dialog moves unchanged from a book's 50-unit field; nothing else.
    const std::string u50 = QString(50, QChar(0xfc)).toStdString(); // one UTF-16 unit each
    const std::string pairs25 = QString::fromUtf8("\U0001F4E0").repeated(25).toStdString(); // two each
    struct Row {
        std::string number;
        bool dialogRule;     // isValidFaxNumber
        const char* refusal; // nullptr: taken
    };
    const Row rows[] = {
        {std::string(50, '9'), true, nullptr},
        {std::string(51, '9'), false, "destination 1 is longer than 50 characters"},
        {"#", true, nullptr},
        {"*", true, nullptr},
        {"-", true, nullptr},
        {":", true, nullptr},
        {"=", true, nullptr},
        {"+49 (30) 1234", false, nullptr},
        {"030;reboot", false, nullptr},
        {u50, false, nullptr},
        {u50 + "1", false, "longer than 50"},
        {pairs25, false, nullptr},
        {pairs25 + "1", false, "longer than 50"},
        {"030\t1234\x01", false, nullptr},
        {"030\xff", false, "destination 1 is not readable text"},
        {"\xed\xa0\x80", false, "not readable text"},           // a surrogate written as UTF-8
        {"\xef\xbb\xbf" + std::string(50, '9'), true, nullptr}, // a leading byte-order mark is no unit
        {"\xef\xbb\xbf", false, "longer than 50"},
        {"\xef\xbb", false, "not readable text"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        const QString number = QString::fromUtf8(row.number);
        EXPECT_EQ(isValidFaxNumber(std::u16string_view(reinterpret_cast<const char16_t*>(number.utf16()),
                                                       size_t(number.size()))),
                  row.dialogRule);
        std::string error;
        const auto record = read({{"DFaxDestinationPhoneNumber1", row.number}}, error);
        EXPECT_EQ(bool(record), row.refusal == nullptr) << error;
        if (record) {
            EXPECT_EQ(record->destinations[0].phoneNumber, row.number);
        } else if (row.refusal) {
            EXPECT_NE(error.find(row.refusal), std::string::npos) << error;
        }
    }
}
