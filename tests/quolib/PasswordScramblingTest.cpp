#include "Utils.h"

#include <gtest/gtest.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {
namespace {

using namespace platform;

TEST(PasswordScrambling, NullAndEmptyGiveNull) {
    for (CFStringEncoding encoding : {kCFStringEncodingASCII, kCFStringEncodingUTF8}) {
        EXPECT_TRUE(CreateEncryptedString(QString(), encoding).isNull());
        EXPECT_TRUE(CreateEncryptedString(u""_qs, encoding).isNull());
        EXPECT_TRUE(CreateDecryptedString(QString(), encoding).isNull());
        EXPECT_TRUE(CreateDecryptedString(u""_qs, encoding).isNull());
    }
}

TEST(PasswordScrambling, KnownValue) {
    // "1234" ^ "kdqz" = 5A 56 42 4E.
    EXPECT_EQ(CreateEncryptedString(u"1234"_qs, kCFStringEncodingShiftJIS_X0213), u"WlZCTg=="_qs);
    EXPECT_EQ(CreateDecryptedString(u"WlZCTg=="_qs, kCFStringEncodingASCII), u"1234"_qs);
}

struct RoundTrip {
    const char* name;
    CFStringEncoding encoding;
    QString password;
    QString comesBack; // null: scrambling gives null
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.name;
}

class PasswordRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(PasswordRoundTrip, ComesBackInTheSameEncoding) {
    const RoundTrip& c = GetParam();
    const QString scrambled = CreateEncryptedString(c.password, c.encoding);
    if (c.comesBack.isNull()) {
        EXPECT_TRUE(scrambled.isNull()) << scrambled.toStdString();
        return;
    }
    ASSERT_FALSE(scrambled.isEmpty());
    for (QChar ch : scrambled)
        EXPECT_TRUE(ch.isLetterOrNumber() || ch == u'+' || ch == u'/' || ch == u'=') << int(ch.unicode());
    EXPECT_LE(scrambled.size(), 252);
    EXPECT_EQ(CreateDecryptedString(scrambled, c.encoding), c.comesBack);
}

const QString k189(189, u'7');

INSTANTIATE_TEST_SUITE_P(
    Encodings, PasswordRoundTrip,
    testing::Values(
        RoundTrip{"Ascii", kCFStringEncodingASCII, u"0042"_qs, u"0042"_qs},
        RoundTrip{"Latin1", kCFStringEncodingISOLatin1, u"caf\u00e9"_qs, u"caf\u00e9"_qs},
        RoundTrip{"WindowsLatin1", kCFStringEncodingWindowsLatin1, u"\u20ac\u00e9"_qs, u"\u20ac\u00e9"_qs},
        RoundTrip{"Utf8", kCFStringEncodingUTF8, u"p\u00e4ss\U0001F600"_qs, u"p\u00e4ss\U0001F600"_qs},
        RoundTrip{"ShiftJis", kCFStringEncodingShiftJIS_X0213, u"\u30d1\u30b9\u304b\u309a\U0002000B1"_qs,
                  u"\u30d1\u30b9\u304b\u309a\U0002000B1"_qs},
        // Conversion stops at a character the encoding cannot represent: what came before is kept.
        RoundTrip{"Latin1Euro", kCFStringEncodingISOLatin1, u"ab\u20acc"_qs, u"ab"_qs},
        RoundTrip{"AsciiAccent", kCFStringEncodingASCII, u"12\u00e934"_qs, u"12"_qs},
        RoundTrip{"ShiftJisEmoji", kCFStringEncodingShiftJIS_X0213, u"\u3042\U0001F600"_qs, u"\u3042"_qs},
        RoundTrip{"FirstCharacterUnrepresentable", kCFStringEncodingISOLatin1, u"\u20ac1"_qs, QString()},
        RoundTrip{"UnknownEncoding", 0x0100, u"1234"_qs, QString()},
        // 189 converted bytes make 252 Base64 characters; 190 would make 256.
        RoundTrip{"Longest", kCFStringEncodingASCII, k189, k189},
        RoundTrip{"OneTooLong", kCFStringEncodingASCII, k189 + u"7"_qs, QString()},
        RoundTrip{"LongestShiftJis", kCFStringEncodingShiftJIS_X0213, QString(94, QChar(0x3042)) + u"1"_qs,
                  QString(94, QChar(0x3042)) + u"1"_qs},
        RoundTrip{"ShiftJisOneTooLong", kCFStringEncodingShiftJIS_X0213, QString(95, QChar(0x3042)),
                  QString()},
        RoundTrip{"FarTooLong", kCFStringEncodingUTF8, QString(1000, u'9'), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordScrambling, UnscramblingRefusesWhatScramblingCannotHaveMade) {
    const QString rejected[] = {
        u"WlZCTg="_qs,        // not a multiple of 4
        u"WlZCTg==WlZC"_qs,   // text after the padding
        u"\u00e9WlZCTg="_qs,  // first character not ASCII
        u"WlZCTg==\u00e9"_qs, // a later one not ASCII
        QString(260, u'A'),   // longer than the work buffer: would decode cut short
        u"    "_qs,           // decodes to nothing
        QString(344, u'A'),   // decodes to 258 bytes, more than 255
    };
    for (const QString& text : rejected)
        EXPECT_TRUE(CreateDecryptedString(text, kCFStringEncodingASCII).isNull()) << text.toStdString();
    // Bytes that unscramble to something that is not ASCII text.
    const QString scrambledHigh = CreateEncryptedString(u"\u00e9\u00e9"_qs, kCFStringEncodingISOLatin1);
    ASSERT_FALSE(scrambledHigh.isNull());
    EXPECT_TRUE(CreateDecryptedString(scrambledHigh, kCFStringEncodingASCII).isNull());
    EXPECT_EQ(CreateDecryptedString(scrambledHigh, kCFStringEncodingISOLatin1), u"\u00e9\u00e9"_qs);
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax
