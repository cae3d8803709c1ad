#include "PanelDriver.h"
#include "FakePanels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform::testing;
using ::testing::ElementsAre;

namespace {

struct Panels {
    CallLog log;
    std::shared_ptr<FakePanel> a = std::make_shared<FakePanel>("A", log);
    std::shared_ptr<FakePanel> b = std::make_shared<FakePanel>("B", log);
    PanelDriver driver{PanelList{a, b}};
};

} // namespace

TEST(PanelDriver, ShowingAPanelHidesAndSavesThePreviousOneThenShowsAndRestores) {
    Panels p;
    EXPECT_TRUE(p.driver.show(0));
    EXPECT_TRUE(p.driver.show(1));
    EXPECT_TRUE(p.driver.show(-1));
    EXPECT_THAT(p.log, ElementsAre("A.willShow", "A.restore", "A.shouldHide", "A.save", "B.willShow",
                                   "B.restore", "B.shouldHide", "B.save"));
    EXPECT_EQ(p.driver.title(1), "B");
}

TEST(PanelDriver, APanelThatRefusesToHideStaysShownAndIsNotSaved) {
    Panels p;
    p.driver.show(0);
    p.a->hideAnswer = false;
    p.log.clear();
    EXPECT_FALSE(p.driver.show(1));
    EXPECT_EQ(p.driver.current(), 0);
    EXPECT_THAT(p.log, ElementsAre("A.shouldHide"));
}

TEST(PanelDriver, PrintSavesTheShownPanelsThenAsksEveryPanel) {
    Panels p;
    p.driver.show(0);
    p.log.clear();
    const PanelDriver::Verdict verdict = p.driver.print();
    EXPECT_TRUE(verdict.print);
    EXPECT_EQ(verdict.stoppedBy, -1);
    // B was never shown, so it has nothing of the user's to save.
    EXPECT_THAT(p.log, ElementsAre("A.save", "A.shouldPrint", "B.shouldPrint"));
}

TEST(PanelDriver, AFailedSaveStopsTheJobBeforeAnyPanelIsAskedToPrint) {
    Panels p;
    p.driver.show(1);
    p.b->saveAnswer = false;
    p.log.clear();
    const PanelDriver::Verdict verdict = p.driver.print();
    EXPECT_FALSE(verdict.print);
    EXPECT_EQ(verdict.stoppedBy, 1);
    EXPECT_EQ(verdict.error, "B cannot save");
    EXPECT_THAT(p.log, ElementsAre("B.save"));
}

TEST(PanelDriver, TheFirstPanelThatRefusesToPrintStopsTheJob) {
    Panels p;
    p.a->printAnswer = false;
    const PanelDriver::Verdict verdict = p.driver.print();
    EXPECT_FALSE(verdict.print);
    EXPECT_EQ(verdict.stoppedBy, 0);
    EXPECT_TRUE(verdict.error.isEmpty());
    EXPECT_THAT(p.log, ElementsAre("A.shouldPrint"));
}

TEST(PanelDriver, SummariesFollowTheDisplayOrderAndSkipPanelsWithoutOne) {
    Panels p;
    p.a->hasSummary = false;
    const auto summaries = p.driver.summaries();
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_EQ(summaries[0].panelName, "B");
    ASSERT_EQ(summaries[0].lines.size(), 2);
    EXPECT_EQ(summaries[0].lines[0], qMakePair(QStringLiteral("First"), QStringLiteral("1")));
    EXPECT_EQ(summaries[0].lines[1], qMakePair(QStringLiteral("Second"), QStringLiteral("2")));
}

TEST(PanelDriver, ASummaryWithoutDisplayOrderListsItsKeys) {
    const auto lines = PanelDriver::summaryLines({{"Quality", "Fine"}});
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].first, "Quality");
    EXPECT_EQ(lines[0].second, "Fine");
}

TEST(PanelDriver, PpdChangesReachEveryPanel) {
    Panels p;
    p.driver.ppdOptionChanged("VMFaxImageQuality", "Photo");
    EXPECT_THAT(p.log,
                ElementsAre("A.didChange VMFaxImageQuality=Photo", "B.didChange VMFaxImageQuality=Photo"));
}
