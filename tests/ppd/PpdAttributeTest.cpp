#include "PpdTestSupport.h"

#include <cctype>
#include <cups/ppd.h>
#include <gtest/gtest.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {
namespace {

struct FindCase {
    const char* name;
    const char* expectedName; // null: nothing found
    const char* expectedValue;
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << (c.name ? c.name : "(null)");
}

class PpdFindAttr : public ::testing::TestWithParam<FindCase> {};

TEST_P(PpdFindAttr, SearchesByPrefixInFileOrder) {
    PpdFilePtr ppd = openFixture("fax.ppd");
    ASSERT_TRUE(ppd);
    const FindCase& c = GetParam();
    ppd_attr_t* attr = ppdFindAttr_ALT(ppd.get(), c.name);
    if (!c.expectedName) {
        EXPECT_EQ(attr, nullptr);
        return;
    }
    ASSERT_NE(attr, nullptr);
    EXPECT_STREQ(attr->name, c.expectedName);
    EXPECT_STREQ(attr->value, c.expectedValue);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PpdFindAttr,
                         ::testing::Values(FindCase{"VMLocalizableFileIndex", "VMLocalizableFileIndex", "2"},
                                           // The longer name stands first in the file, so it is the answer.
                                           FindCase{"VMHelpFolder", "VMHelpFolderAlternate", "first"},
                                           FindCase{"VMHelpFolderA", "VMHelpFolderAlternate", "first"},
                                           FindCase{"VMPrinter", "VMPrinterLanguageEncoding", "UTF-8"},
                                           FindCase{"VMHelpFolderAlternateX", nullptr, nullptr},
                                           FindCase{"", nullptr, nullptr},
                                           FindCase{nullptr, nullptr, nullptr}),
                         [](const auto& info) {
                             std::string name = info.param.name ? info.param.name : "null";
                             return name.empty() ? std::string("empty") : name;
                         });

TEST(PpdFindAttr, WithoutPpdFindsNothing) {
    EXPECT_EQ(ppdFindAttr_ALT(nullptr, "VMLocalizableFileIndex"), nullptr);
}

TEST(CopyPPDAttribute, ReadsTheValueAsUtf8) {
    PpdFilePtr ppd = openFixture("fax.ppd");
    ASSERT_TRUE(ppd);
    EXPECT_EQ(CopyPPDAttribute(ppd.get(), "VMLocalizableFileIndex"), QStringLiteral("2"));
    EXPECT_EQ(CopyPPDAttribute(ppd.get(), "VMOwnerName"), QStringLiteral("M\u00fcller Fax B\u00fcro"));
    EXPECT_EQ(CopyPPDAttribute(ppd.get(), "VMHelpFolder"), QStringLiteral("first"));
    EXPECT_EQ(CopyPPDAttribute(ppd.get(), "VMNotThere"), std::nullopt);
    EXPECT_EQ(CopyPPDAttribute(ppd.get(), ""), std::nullopt);
    EXPECT_EQ(CopyPPDAttribute(nullptr, "VMLocalizableFileIndex"), std::nullopt);
}

struct EncodingCase {
    const char* fixture;
    platform::CFStringEncoding expected;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.fixture;
}

class EncodingFromPpd : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingFromPpd, MapsTheLanguageEncoding) {
    PpdFilePtr ppd = openFixture(GetParam().fixture);
    ASSERT_TRUE(ppd);
    EXPECT_EQ(GetEncodingInfoFromPPD(ppd.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, EncodingFromPpd,
    ::testing::Values(EncodingCase{"encoding-UTF-8.ppd", platform::kCFStringEncodingUTF8},
                      EncodingCase{"encoding-utf-8-lower.ppd", platform::kCFStringEncodingShiftJIS_X0213},
                      EncodingCase{"encoding-JIS83-RKSJ.ppd", platform::kCFStringEncodingShiftJIS_X0213},
                      EncodingCase{"encoding-ISOLatin1.ppd", platform::kCFStringEncodingISOLatin1},
                      EncodingCase{"encoding-WindowsANSI.ppd", platform::kCFStringEncodingWindowsLatin1},
                      EncodingCase{"encoding-MacStandard.ppd", platform::kCFStringEncodingShiftJIS_X0213},
                      EncodingCase{"encoding-non-ascii.ppd", platform::kCFStringEncodingShiftJIS_X0213},
                      EncodingCase{"no-vm-attributes.ppd", platform::kCFStringEncodingShiftJIS_X0213},
                      EncodingCase{"fax.ppd", platform::kCFStringEncodingUTF8}),
    [](const auto& info) {
        std::string name = info.param.fixture;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(EncodingFromPpd, WithoutPpdIsShiftJis) {
    EXPECT_EQ(GetEncodingInfoFromPPD(nullptr), platform::kCFStringEncodingShiftJIS_X0213);
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
