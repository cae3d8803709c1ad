#include "TextEncoding.h"

#include <QStringDecoder>
#include <gtest/gtest.h>

#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {
namespace {

QByteArray bytesOf(const char* s) {
    return QByteArray(s, static_cast<qsizetype>(std::strlen(s)));
}

TEST(TextEncoding, IconvNames) {
    EXPECT_STREQ(IconvNameForEncoding(kCFStringEncodingShiftJIS_X0213), "SHIFT_JISX0213");
    EXPECT_STREQ(IconvNameForEncoding(kCFStringEncodingUTF8), "UTF-8");
    EXPECT_STREQ(IconvNameForEncoding(kCFStringEncodingISOLatin1), "ISO-8859-1");
    EXPECT_STREQ(IconvNameForEncoding(kCFStringEncodingWindowsLatin1), "CP1252");
    EXPECT_STREQ(IconvNameForEncoding(kCFStringEncodingASCII), "ASCII");
    EXPECT_EQ(IconvNameForEncoding(0x0100), nullptr); // UTF-16: not one of ours
}

struct ConversionCase {
    const char* name;
    CFStringEncoding encoding;
    QString string;
    QByteArray bytes; // what the conversion writes (a prefix when it stops)
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
    *os << c.name;
}

class StringToBytes : public testing::TestWithParam<ConversionCase> {};

TEST_P(StringToBytes, StopsAtTheFirstCharacterItCannotRepresent) {
    const ConversionCase& c = GetParam();
    EXPECT_EQ(StringGetBytes(c.string, c.encoding).toHex(' '), c.bytes.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, StringToBytes,
    testing::Values(
        ConversionCase{"Ascii", kCFStringEncodingASCII, u"1234"_qs, "1234"},
        ConversionCase{"AsciiAccent", kCFStringEncodingASCII, u"ab\u00e9c"_qs, "ab"},
        ConversionCase{"Latin1", kCFStringEncodingISOLatin1, u"caf\u00e9"_qs, bytesOf("caf\xe9")},
        ConversionCase{"Latin1Euro", kCFStringEncodingISOLatin1, u"1\u20ac2"_qs, "1"},
        ConversionCase{"WindowsEuro", kCFStringEncodingWindowsLatin1, u"\u20ac\u00e9"_qs,
                       bytesOf("\x80\xe9")},
        ConversionCase{"Utf8NoBom", kCFStringEncodingUTF8, u"\u00e9\U0001F600"_qs,
                       bytesOf("\xc3\xa9\xf0\x9f\x98\x80")},
        ConversionCase{"Utf8LoneSurrogate", kCFStringEncodingUTF8, u"a"_qs + QChar(0xD800) + u"b"_qs, "a"},
        ConversionCase{"ShiftJis", kCFStringEncodingShiftJIS_X0213, u"a\u3042"_qs, bytesOf("a\x82\xa0")},
        // Kana with a combining semi-voiced mark: one JIS X 0213 code, held back until the end.
        ConversionCase{"ShiftJisCombined", kCFStringEncodingShiftJIS_X0213, u"\u304b\u309a"_qs,
                       bytesOf("\x82\xf5")},
        ConversionCase{"ShiftJisPlane2", kCFStringEncodingShiftJIS_X0213, u"\U0002000B"_qs,
                       bytesOf("\x87\xa0")},
        ConversionCase{"ShiftJisEmoji", kCFStringEncodingShiftJIS_X0213, u"\u3042\U0001F600\u3042"_qs,
                       bytesOf("\x82\xa0")},
        ConversionCase{"Unknown", 0x0100, u"abc"_qs, ""},
        ConversionCase{"Empty", kCFStringEncodingUTF8, u""_qs, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextEncoding, StopsBeforeACharacterThatDoesNotFitWhole) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StringGetBytes(u"\u3042\u3044"_qs, kCFStringEncodingShiftJIS_X0213, buffer, 3), 2);
    EXPECT_EQ(buffer[2], '#');
    EXPECT_EQ(StringGetBytes(u"abc"_qs, kCFStringEncodingASCII, buffer, 0), 0);
    EXPECT_EQ(StringGetBytes(u"abc"_qs, kCFStringEncodingASCII, buffer, 2), 2);
}

TEST(TextEncoding, BytesToStringRoundTripsInEveryEncoding) {
    const std::pair<CFStringEncoding, QString> cases[] = {
        {kCFStringEncodingASCII, u"fax 1234"_qs},
        {kCFStringEncodingISOLatin1, u"caf\u00e9 \u00ff"_qs},
        {kCFStringEncodingWindowsLatin1, u"\u20ac\u201c\u00e9\u201d"_qs},
        {kCFStringEncodingUTF8, u"\u00e9\u3042\U0001F600"_qs},
        {kCFStringEncodingShiftJIS_X0213, u"\u30d1\u30b9\u304b\u309a\U0002000B"_qs},
    };
    for (const auto& [encoding, string] : cases) {
        const QByteArray bytes = StringGetBytes(string, encoding);
        qsizetype used = -1;
        EXPECT_EQ(StringCreateWithBytes(bytes.constData(), bytes.size(), encoding, &used), string);
        EXPECT_EQ(used, bytes.size());
    }
}

TEST(TextEncoding, BytesToStringStopsAtTheFirstInvalidSequence) {
    qsizetype used = -1;
    EXPECT_EQ(StringCreateWithBytes("ab\x80", 3, kCFStringEncodingASCII, &used), u"ab"_qs);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(StringCreateWithBytes("ab\x81", 3, kCFStringEncodingWindowsLatin1, &used), u"ab"_qs);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(StringCreateWithBytes("\xc3(", 2, kCFStringEncodingUTF8, &used), u""_qs);
    EXPECT_EQ(used, 0);
    // A lead byte whose second byte is missing.
    EXPECT_EQ(StringCreateWithBytes("a\x82", 2, kCFStringEncodingShiftJIS_X0213, &used), u"a"_qs);
    EXPECT_EQ(used, 1);
    EXPECT_TRUE(StringCreateWithBytes("abc", 3, 0x0100, &used).isNull());
    EXPECT_EQ(used, 0);
}

// Counting the UTF-16 units of UTF-8 text takes and refuses what Qt's UTF-8 decoding does, on
// the edge of each rule.
TEST(TextEncoding, CountsUtf16UnitsOfWellFormedUtf8Only) {
    struct Row {
        std::string_view utf8;
        std::optional<size_t> units; // nullopt: refused
    };
    using namespace std::string_view_literals;
    const Row rows[] = {
        {""sv, 0},
        {"a\0b"sv, 3},
        {"\x7f"sv, 1},
        {"\x80"sv, std::nullopt},     // a continuation byte alone
        {"\xc1\xbf"sv, std::nullopt}, // overlong U+007F
        {"\xc2\x80"sv, 1},
        {"\xdf\xbf"sv, 1},
        {"\xc2"sv, std::nullopt},         // cut off at the end
        {"\xc2\x7f"sv, std::nullopt},     // missing continuation byte
        {"\xe0\x9f\xbf"sv, std::nullopt}, // overlong U+07FF
        {"\xe0\xa0\x80"sv, 1},
        {"\xed\x9f\xbf"sv, 1},            // U+D7FF
        {"\xed\xa0\x80"sv, std::nullopt}, // U+D800, a surrogate
        {"\xee\x80\x80"sv, 1},            // U+E000
        {"\xef\xbf\xbf"sv, 1},            // U+FFFF, a non-character, is text
        {"\xef\xbb\xbf"sv, 1},            // a byte-order mark counts
        {"\xe2\x82"sv, std::nullopt},
        {"\xe2\x82\xc0"sv, std::nullopt},     // third byte no continuation byte
        {"\xf0\x8f\xbf\xbf"sv, std::nullopt}, // overlong U+FFFF
        {"\xf0\x90\x80\x80"sv, 2},
        {"\xf4\x8f\xbf\xbf"sv, 2},            // U+10FFFF
        {"\xf4\x90\x80\x80"sv, std::nullopt}, // above U+10FFFF
        {"\xf5\x80\x80\x80"sv, std::nullopt},
        {"\xf0\x90\x80"sv, std::nullopt},
        {"\xf8\x88\x80\x80\x80"sv, std::nullopt},
        {"1\xc3\xbc\xf0\x9f\x93\xa0"sv, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QByteArray(row.utf8.data(), qsizetype(row.utf8.size())).toHex().toStdString());
        EXPECT_EQ(Utf16LengthOfUtf8(row.utf8), row.units);
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString text = decoder(QByteArrayView(row.utf8.data(), qsizetype(row.utf8.size())));
        EXPECT_EQ(decoder.hasError() ? std::nullopt : std::optional<size_t>(text.size()), row.units);
    }
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
