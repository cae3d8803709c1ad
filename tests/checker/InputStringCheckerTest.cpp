// The checker called directly: the four fields' code ranges and limits, the code range lists, surrogate
// pairs and the conversions.
#include "InputStringChecker.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;

namespace {

// One text field of the system with the limits its owner gives its checker, and the code units that
// field must take, written independently of the range lists.
struct Field {
    const char* name;
    std::uint64_t maxLength;
    std::span<const char16_t> ranges;
    std::function<bool(char16_t)> allowed;
    char16_t sample; // an allowed unit used to build strings of a given length
};

void PrintTo(const Field& f, std::ostream* os) {
    *os << f.name;
}

bool isPrintableAscii(char16_t u) {
    return u >= 0x20 && u <= 0x7E;
}
bool isDigit(char16_t u) {
    return u >= u'0' && u <= u'9';
}
bool isPhoneUnit(char16_t u) {
    return isDigit(u) || std::u16string_view(u"#*-:=").find(u) != std::u16string_view::npos;
}

const std::vector<Field>& fields() {
    static const std::vector<Field> all = {
        {"SenderName", 30, kSenderNameAcceptableRange, isPrintableAscii, u'a'},
        {"AddressName", 32, kAddressNameAcceptableRange, isPrintableAscii, u'Z'},
        {"PhoneNumber", 50, kPhoneNumberAcceptableRange, isPhoneUnit, u'5'},
        {"Password", 4, kPasswordAcceptableRange, isDigit, u'9'},
    };
    return all;
}

const Field& field(std::string_view name) {
    for (const Field& f : fields())
        if (name == f.name)
            return f;
    throw std::invalid_argument("no such field");
}

std::unique_ptr<InputStringChecker> checkerFor(const Field& f) {
    auto checker = std::make_unique<InputStringChecker>();
    checker->setMaxLength(f.maxLength);
    checker->setAcceptableCodeRange(f.ranges);
    return checker;
}

QString repeated(char16_t unit, std::size_t count) {
    return QString(static_cast<qsizetype>(count), QChar(unit));
}

class FieldCheckerTest : public testing::TestWithParam<Field> {};

// Every one of the 65,536 code units on its own, against the field's expected set.
TEST_P(FieldCheckerTest, AcceptsExactlyTheFieldsCodeUnits) {
    const auto checker = checkerFor(GetParam());
    int mismatches = 0;
    for (std::uint32_t u = 0; u < InputStringChecker::kCodeUnitCount; ++u) {
        const char16_t unit = static_cast<char16_t>(u);
        if (checker->isPartialStringValid(QStringView(&unit, 1)) != GetParam().allowed(unit) &&
            ++mismatches < 5)
            ADD_FAILURE() << "code unit U+" << std::hex << u;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_P(FieldCheckerTest, LengthLimitIsInclusive) {
    const Field& f = GetParam();
    const auto checker = checkerFor(f);
    EXPECT_TRUE(checker->isPartialStringValid(QString()));
    EXPECT_TRUE(checker->isPartialStringValid(repeated(f.sample, f.maxLength - 1)));
    EXPECT_TRUE(checker->isPartialStringValid(repeated(f.sample, f.maxLength)));
    EXPECT_FALSE(checker->isPartialStringValid(repeated(f.sample, f.maxLength + 1)));
}

INSTANTIATE_TEST_SUITE_P(Fields, FieldCheckerTest, testing::ValuesIn(fields()),
                         [](const testing::TestParamInfo<Field>& info) {
                             return std::string(info.param.name);
                         });

struct Case {
    const char* field;
    const char16_t* text;
    bool accepted;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.field << (c.accepted ? " accepts" : " refuses");
}

class FieldTextTest : public testing::TestWithParam<Case> {};

TEST_P(FieldTextTest, AnswersAsExpected) {
    const auto checker = checkerFor(field(GetParam().field));
    const QString text = QString::fromUtf16(GetParam().text);
    EXPECT_EQ(checker->isPartialStringValid(text), GetParam().accepted) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldTextTest,
    testing::Values(Case{"SenderName", u"Velmora Sales Dept. #2", true}, Case{"SenderName", u"~!@{}|", true},
                    Case{"SenderName", u"tab\there", false}, Case{"SenderName", u"Caf\u00e9", false},
                    Case{"AddressName", u"Smile \U0001F600", false}, Case{"SenderName", u"DEL\u007f", false},
                    Case{"AddressName", u"Dr. O'Neil & Co.", true},
                    Case{"AddressName", u"line\nbreak", false}, Case{"PhoneNumber", u"03-1234-5678", true},
                    Case{"PhoneNumber", u"*72#9:0=1", true}, Case{"PhoneNumber", u"+81 3 1234", false},
                    Case{"PhoneNumber", u"(03)1234", false}, Case{"PhoneNumber", u"555 1234", false},
                    Case{"PhoneNumber", u"0800FAX", false}, Case{"PhoneNumber", u"\uff10\uff11", false},
                    Case{"Password", u"0000", true}, Case{"Password", u"12a4", false},
                    Case{"Password", u"12345", false}, Case{"Password", u"-1", false}),
    [](const testing::TestParamInfo<Case>& info) {
        return std::string(info.param.field) + std::to_string(info.index) +
               (info.param.accepted ? "Accepted" : "Refused");
    });

TEST(InputStringCheckerTest, FreshCheckerAcceptsEveryString) {
    InputStringChecker checker;
    EXPECT_TRUE(checker.isPartialStringValid(QString()));
    const char16_t oddUnits[] = {0, 0xD800, 0xFFFF, 0xDE00, 0xD83D, u'a'}; // NUL, lone and swapped surrogates
    EXPECT_TRUE(checker.isPartialStringValid(QStringView(oddUnits, std::size(oddUnits))));
    EXPECT_TRUE(checker.isPartialStringValid(repeated(u'\u3042', 100000)));
}

TEST(InputStringCheckerTest, LengthLimitWithoutTable) {
    InputStringChecker checker;
    checker.setMaxLength(0);
    EXPECT_TRUE(checker.isPartialStringValid(QString()));
    EXPECT_FALSE(checker.isPartialStringValid(u"a"));
    checker.setMaxLength(InputStringChecker::kNoLimit);
    EXPECT_TRUE(checker.isPartialStringValid(repeated(u'a', 70000)));
}

// Refusals are caught wherever the refused unit lies, around the scan's block boundaries included.
TEST(InputStringCheckerTest, FindsTheRefusedUnitAnywhereInALongString) {
    InputStringChecker checker;
    checker.setAcceptableCodeRange(kSenderNameAcceptableRange);
    const QString clean = repeated(u'x', 1000);
    ASSERT_TRUE(checker.isPartialStringValid(clean));
    for (qsizetype at : {0, 1, 62, 63, 64, 65, 127, 128, 500, 959, 960, 961, 998, 999}) {
        QString text = clean;
        text[at] = QChar(u'\u0080');
        EXPECT_FALSE(checker.isPartialStringValid(text)) << "refused unit at " << at;
        EXPECT_FALSE(checker.isPartialStringValid(QStringView(text).left(at + 1))) << "at the end, " << at;
        EXPECT_TRUE(checker.isPartialStringValid(QStringView(text).left(at))) << "before it, " << at;
    }
}

TEST(InputStringCheckerTest, CountsAndTestsSurrogatesAsSeparateUnits) {
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    ASSERT_EQ(emoji.size(), 2);

    InputStringChecker checker;
    checker.setMaxLength(1);
    EXPECT_FALSE(checker.isPartialStringValid(emoji)); // two units, even though one character

    checker.setMaxLength(2);
    const char16_t highOnly[] = {0xD800, 0xDBFF, 0};
    checker.setAcceptableCodeRange(highOnly);
    EXPECT_FALSE(checker.isPartialStringValid(emoji));
    EXPECT_TRUE(checker.isPartialStringValid(emoji.left(1))); // a lone high surrogate

    const char16_t bothHalves[] = {0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0};
    checker.setAcceptableCodeRange(bothHalves);
    EXPECT_TRUE(checker.isPartialStringValid(emoji));
    EXPECT_TRUE(checker.isPartialStringValid(emoji.right(1) + emoji.left(1))); // halves in the wrong order
}

TEST(InputStringCheckerTest, ListEndsAtFirstZeroLowValue) {
    InputStringChecker checker;
    const char16_t startsWithZero[] = {0, u'z', u'a', u'z', 0};
    checker.setAcceptableCodeRange(startsWithZero);
    EXPECT_TRUE(checker.isPartialStringValid(QString()));
    for (const char16_t* text : {u"a", u"z", u" ", u"\0"})
        EXPECT_FALSE(checker.isPartialStringValid(QString::fromUtf16(text, 1)));

    const char16_t afterTerminator[] = {u'A', u'A', 0, u'B', u'B', 0};
    checker.setAcceptableCodeRange(afterTerminator);
    EXPECT_TRUE(checker.isPartialStringValid(u"AAA"));
    EXPECT_FALSE(checker.isPartialStringValid(u"B"));
}

TEST(InputStringCheckerTest, ReversedPairAddsNothingAndOverlapsAreHarmless) {
    InputStringChecker checker;
    const char16_t ranges[] = {u'z', u'a', u'0', u'5', u'3', u'9', u'5', u'5', 0};
    checker.setAcceptableCodeRange(ranges);
    EXPECT_TRUE(checker.isPartialStringValid(u"0123456789"));
    EXPECT_FALSE(checker.isPartialStringValid(u"a"));
    EXPECT_FALSE(checker.isPartialStringValid(u"m"));
    EXPECT_FALSE(checker.isPartialStringValid(u"z"));
}

TEST(InputStringCheckerTest, RangeReachingTheLastCodeUnit) {
    InputStringChecker checker;
    const char16_t top[] = {0xFFF0, 0xFFFF, 0};
    checker.setAcceptableCodeRange(top);
    EXPECT_TRUE(checker.isPartialStringValid(u"\uFFFF\uFFF0\uFFFE"));
    EXPECT_FALSE(checker.isPartialStringValid(u"\uFFEF"));

    const char16_t everything[] = {1, 0xFFFF, 0};
    checker.setAcceptableCodeRange(everything);
    EXPECT_TRUE(checker.isPartialStringValid(u"\u0001any\uFFFF\U0001F600"));
    EXPECT_FALSE(checker.isPartialStringValid(QString::fromUtf16(u"\0", 1))); // U+0000 cannot be listed
}

TEST(InputStringCheckerTest, ListIsBoundedByItsArray) {
    InputStringChecker checker;
    const char16_t unterminated[] = {u'A', u'Z', u'a'}; // no closing zero; a low value without a high one
    checker.setAcceptableCodeRange(unterminated);
    EXPECT_TRUE(checker.isPartialStringValid(u"AZ"));
    EXPECT_FALSE(checker.isPartialStringValid(u"a"));

    checker.setAcceptableCodeRange({});
    EXPECT_TRUE(checker.isPartialStringValid(QString()));
    EXPECT_FALSE(checker.isPartialStringValid(u"A"));
}

TEST(InputStringCheckerTest, SecondRangeListReplacesTheFirst) {
    InputStringChecker checker;
    checker.setAcceptableCodeRange(kPasswordAcceptableRange);
    EXPECT_TRUE(checker.isPartialStringValid(u"42"));
    const char16_t letters[] = {u'a', u'z', 0};
    checker.setAcceptableCodeRange(letters);
    EXPECT_TRUE(checker.isPartialStringValid(u"abc"));
    EXPECT_FALSE(checker.isPartialStringValid(u"42"));
}

TEST(InputStringCheckerTest, UnacceptableRangeTakesNoPartInValidation) {
    InputStringChecker checker;
    checker.setUnAcceptableCodeRange(kPasswordAcceptableRange);
    EXPECT_TRUE(checker.isPartialStringValid(u"123 \u00e9")); // still no acceptance table: all allowed

    checker.setAcceptableCodeRange(kPasswordAcceptableRange);
    const char16_t letters[] = {u'a', u'z', 0};
    checker.setUnAcceptableCodeRange(letters);
    EXPECT_TRUE(checker.isPartialStringValid(u"123"));
    EXPECT_FALSE(checker.isPartialStringValid(u"abc"));
}

TEST(InputStringCheckerTest, NeverWritesTheOutSlots) {
    const auto checker = checkerFor(field("Password"));
    for (const char16_t* text : {u"1234", u"12345", u"x"}) {
        QString replacement = "untouched";
        QString error = "untouched";
        checker->isPartialStringValid(QString::fromUtf16(text), &replacement, &error);
        EXPECT_EQ(replacement, "untouched");
        EXPECT_EQ(error, "untouched");
    }
}

TEST(InputStringCheckerTest, StringForObjectValueTakesOnlyStrings) {
    InputStringChecker checker;
    EXPECT_EQ(checker.stringForObjectValue(QVariant(QString("Velmora"))), QString("Velmora"));
    ASSERT_TRUE(checker.stringForObjectValue(QVariant(QString())).has_value());
    EXPECT_TRUE(checker.stringForObjectValue(QVariant(QString()))->isEmpty());
    for (const QVariant& other :
         {QVariant(), QVariant(42), QVariant(3.5), QVariant(QByteArray("bytes")), QVariant(QStringList{"a"})})
        EXPECT_FALSE(checker.stringForObjectValue(other).has_value()) << other.typeName();
}

TEST(InputStringCheckerTest, GetObjectValueYieldsAnEqualString) {
    const auto checker = checkerFor(field("Password"));
    for (const QString& text : {QString(), QString("abc (not digits, still converted)")}) {
        QVariant object(7);
        QString error = "untouched";
        EXPECT_TRUE(checker->getObjectValue(&object, text, &error));
        EXPECT_EQ(object.typeId(), QMetaType::QString);
        EXPECT_EQ(object.toString(), text);
        EXPECT_EQ(error, "untouched");
    }
    EXPECT_TRUE(checker->getObjectValue(nullptr, "x"));
}

} // namespace
