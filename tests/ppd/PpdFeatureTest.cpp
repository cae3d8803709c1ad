#include "PpdTestSupport.h"

#include <gtest/gtest.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {
namespace {

struct CreationCase {
    const char* name;
    const char* keyword;
    const char* markedChoice; // marked before the feature is made; null: nothing marked
    bool markDefaults;
    const char* expectedChoice; // null: no current choice
    const char* expectedValue;
};

void PrintTo(const CreationCase& c, std::ostream* os) {
    *os << c.name;
}

class PpdFeatureCreation : public ::testing::TestWithParam<CreationCase> {};

TEST_P(PpdFeatureCreation, PicksTheCurrentChoice) {
    const CreationCase& c = GetParam();
    PpdFilePtr ppd = openFixture("fax.ppd");
    ASSERT_TRUE(ppd);
    if (c.markDefaults)
        PpdMarkDefaults(ppd.get());
    if (c.markedChoice) {
        ASSERT_TRUE(
            PpdMarkOption(ppd.get(), QString::fromLatin1(c.keyword), QString::fromLatin1(c.markedChoice)));
    }

    PpdFeature feature(ppd.get(), QString::fromLatin1(c.keyword));
    EXPECT_EQ(feature.keyword(), QString::fromLatin1(c.keyword));
    if (c.expectedChoice) {
        ASSERT_NE(feature.curChoiceRecord(), nullptr);
        EXPECT_EQ(feature.curChoice(), QString::fromLatin1(c.expectedChoice));
        EXPECT_EQ(feature.curValue(), QString::fromLatin1(c.expectedValue));
    } else {
        EXPECT_EQ(feature.curChoiceRecord(), nullptr);
        EXPECT_TRUE(feature.curChoice().isEmpty());
        EXPECT_TRUE(feature.curValue().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PpdFeatureCreation,
    ::testing::Values(
        // Nothing marked: the last choice beginning with the default keyword "Standard".
        CreationCase{"prefix_picks_last", "VMFaxImageQuality", nullptr, false, "StandardPlus",
                     "Standard Plus"},
        // A marked choice wins over the default, wherever it stands.
        CreationCase{"marked_wins", "VMFaxImageQuality", "Fine", false, "Fine", "Fine"},
        // The walk stops at the marked choice, before StandardPlus could follow.
        CreationCase{"marked_default_stops_walk", "VMFaxImageQuality", nullptr, true, "Standard", "Standard"},
        CreationCase{"exact_default", "VMFaxTransmissionReport", nullptr, false, "OnError", "On Error"},
        CreationCase{"no_choice_matches", "VMFaxNoMatch", nullptr, false, nullptr, nullptr},
        CreationCase{"missing_keyword", "VMFaxDoesNotExist", nullptr, false, nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// The tests below work on the checked-in fax PPD, opened afresh for each test.
class FaxPpdTest : public ::testing::Test {
protected:
    void SetUp() override {
        ppd = openFixture("fax.ppd");
        ASSERT_TRUE(ppd);
    }

    PpdFilePtr ppd;
};

TEST_F(FaxPpdTest, SetDefaultTakesTheExactDefaultChoice) {
    PpdFeature feature(ppd.get(), QStringLiteral("VMFaxImageQuality"));
    ASSERT_EQ(feature.curChoice(), QStringLiteral("StandardPlus"));
    feature.setDefault();
    EXPECT_EQ(feature.curChoice(), QStringLiteral("Standard"));
    EXPECT_EQ(feature.curValue(), QStringLiteral("Standard"));
}

TEST_F(FaxPpdTest, SetDefaultWithoutExactMatchKeepsTheChoice) {
    PpdFeature feature(ppd.get(), QStringLiteral("VMFaxNoMatch"));
    const auto choices = PpdChoices(ppd.get(), QStringLiteral("VMFaxNoMatch"));
    ASSERT_EQ(choices.size(), 2);
    feature.setCurChoice(choices[1].record);
    feature.setDefault();
    EXPECT_EQ(feature.curChoice(), QStringLiteral("Two"));
}

TEST_F(FaxPpdTest, MissingKeywordIsKeptButHasNoOption) {
    PpdFeature feature(ppd.get(), QStringLiteral("VMFaxDoesNotExist"));
    EXPECT_FALSE(feature.hasOption());
    EXPECT_EQ(feature.keyword(), QStringLiteral("VMFaxDoesNotExist"));
    EXPECT_TRUE(feature.title().isEmpty());
    feature.setDefault(); // nothing to do, nothing to crash
    QVariantMap summary;
    QStringList order;
    feature.setSummaryInfo(summary, order);
    EXPECT_TRUE(summary.isEmpty());
    EXPECT_TRUE(order.isEmpty());
}

TEST(PpdFeature, WithoutPpdBehavesLikeAMissingOption) {
    PpdFeature feature(nullptr, QStringLiteral("VMFaxImageQuality"));
    EXPECT_FALSE(feature.hasOption());
    feature.setDefault();
    EXPECT_EQ(feature.curChoiceRecord(), nullptr);
}

TEST_F(FaxPpdTest, SetCurChoiceDoesNotMarkThePpd) {
    PpdFeature feature(ppd.get(), QStringLiteral("VMFaxImageQuality"));
    const auto choices = PpdChoices(ppd.get(), QStringLiteral("VMFaxImageQuality"));
    ASSERT_EQ(choices.size(), 3);
    feature.setCurChoice(choices[2].record);
    EXPECT_EQ(feature.curChoice(), QStringLiteral("Fine"));
    EXPECT_EQ(PpdFindMarkedChoice(ppd.get(), QStringLiteral("VMFaxImageQuality")), nullptr);
}

TEST_F(FaxPpdTest, SummaryMapsTitlesToChoiceTextsInCallOrder) {
    PpdFeature report(ppd.get(), QStringLiteral("VMFaxTransmissionReport"));
    PpdFeature quality(ppd.get(), QStringLiteral("VMFaxImageQuality"));
    QVariantMap summary;
    QStringList order;
    report.setSummaryInfo(summary, order);
    quality.setSummaryInfo(summary, order);
    EXPECT_EQ(order, (QStringList{QStringLiteral("Transmission Report"), QStringLiteral("Image Quality")}));
    EXPECT_EQ(summary.value(QStringLiteral("Transmission Report")).toString(), QStringLiteral("On Error"));
    EXPECT_EQ(summary.value(QStringLiteral("Image Quality")).toString(), QStringLiteral("Standard Plus"));

    QVariantMap plain;
    quality.setSummaryInfo(plain);
    EXPECT_EQ(plain, (QVariantMap{{QStringLiteral("Image Quality"), QStringLiteral("Standard Plus")}}));
}

TEST(PpdFeature, OverlongKeywordIsCutToTheBuffer) {
    const QString keyword(300, QLatin1Char('K'));
    PpdFeature feature(nullptr, keyword);
    EXPECT_EQ(feature.keyword(), QString(254, QLatin1Char('K')));
    // A multi-byte character is never split.
    PpdFeature accented(nullptr, QString(253, QLatin1Char('K')) + QChar(0x00FC));
    EXPECT_EQ(accented.keyword(), QString(253, QLatin1Char('K')));
}

TEST_F(FaxPpdTest, GroupTextAndMarkedChoice) {
    EXPECT_EQ(PpdGroupText(ppd.get(), "VMFaxSettings"), QStringLiteral("Fax Settings"));
    EXPECT_EQ(PpdGroupText(ppd.get(), "VMFax"), std::nullopt);
    EXPECT_FALSE(PpdMarkOption(ppd.get(), QStringLiteral("VMFaxImageQuality"), QStringLiteral("Nope")));
    ASSERT_TRUE(PpdMarkOption(ppd.get(), QStringLiteral("VMFaxSenderMode"), QStringLiteral("EnterName")));
    EXPECT_EQ(PpdChoiceKeyword(PpdFindMarkedChoice(ppd.get(), QStringLiteral("VMFaxSenderMode"))),
              QStringLiteral("EnterName"));
    EXPECT_EQ(PpdChoiceText(PpdFindMarkedChoice(ppd.get(), QStringLiteral("VMFaxSenderMode"))),
              QStringLiteral("Enter Name"));
    EXPECT_FALSE(PpdOpenFile(ppdFixture("does-not-exist.ppd")));
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
