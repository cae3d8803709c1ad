// The plug-in factory and the panel base: panel types, bundle keeping, the strings table taken
// from the PPD, the panel name and the default answers of the panel protocol.
#include "FrameTestSupport.h"

#include <BasicPdeInterface.h>
#include <Bundle.h>
#include <DirectFaxPdeInterface.h>
#include <DirectFaxPdePlugin.h>
#include <NSBundleHALDENLocalization.h>

#include <stdexcept>

namespace frame_test {
namespace {

using df::BasicPdeInterface;
using df::DirectFaxPdeInterface;
using df::DirectFaxPdePlugin;

class PluginFactoryTest : public WidgetTest {};

TEST_F(PluginFactoryTest, OnePanelForThePrinterModuleTypeAndNoneForAnyOther) {
    DirectFaxPdePlugin plugin;
    ASSERT_TRUE(plugin.initWithBundle(fixtureBundle()));
    const auto callback = std::make_shared<FakeCallback>();

    const auto panels = plugin.PDEPanelsForType(QLatin1String(pf::kPrinterModuleType), callback);
    ASSERT_TRUE(panels.has_value());
    ASSERT_EQ(panels->size(), 1u);
    EXPECT_NE(dynamic_cast<DirectFaxPdeInterface*>(panels->front().get()), nullptr);

    for (const char* type :
         {pf::kPageSetupDialogType, pf::kPrintDialogType, "", "bdb091f4-e57f-11d3-b5cc-0050e4603277",
          "BDB091F4-E57F-11D3-B5CC-0050E4603277 "}) {
        const auto none = plugin.PDEPanelsForType(QLatin1String(type), callback);
        ASSERT_TRUE(none.has_value()) << type;
        EXPECT_TRUE(none->empty()) << type;
    }
}

// A print dialog whose callback object fails while the panel is made.
class FailingCallback : public FakeCallback {
public:
    ppd_file_t* ppdFile() override { throw std::runtime_error("no PPD today"); }
};

TEST_F(PluginFactoryTest, FailedPanelCreationAnswersNoneRatherThanAnEmptyList) {
    DirectFaxPdePlugin plugin;
    plugin.initWithBundle(fixtureBundle());
    EXPECT_FALSE(
        plugin.PDEPanelsForType(QLatin1String(pf::kPrinterModuleType), std::make_shared<FailingCallback>())
            .has_value());
}

TEST_F(PluginFactoryTest, KeepsTheFirstBundleItIsGiven) {
    DirectFaxPdePlugin plugin;
    const auto first = fixtureBundle();
    const auto second = directFaxBundle();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(plugin.initWithBundle(first));
    EXPECT_TRUE(plugin.initWithBundle(second));
    const auto panels =
        plugin.PDEPanelsForType(QLatin1String(pf::kPrinterModuleType), std::make_shared<FakeCallback>());
    ASSERT_TRUE(panels && panels->size() == 1);
    const auto* panel = dynamic_cast<BasicPdeInterface*>(panels->front().get());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->bundle(), first);
    EXPECT_EQ(panels->front()->panelKind(), first->bundleIdentifier());
}

class PanelBaseTest : public WidgetTest {};

TEST_F(PanelBaseTest, StringsTableComesFromThePpd) {
    const auto jp = openFixturePpd(QStringLiteral("fax_index_jp.ppd"));
    const auto two = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
    const auto plain = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    const struct {
        ppd_file_t* ppd;
        std::optional<QString> table;
    } cases[] = {
        {jp.get(), QStringLiteral("LocalizableJP")},
        {two.get(), QStringLiteral("Localizable2")},
        {plain.get(), std::nullopt},
        {nullptr, std::nullopt},
    };
    for (const auto& c : cases) {
        const BasicPdeInterface panel(std::make_shared<FakeCallback>(c.ppd), fixtureBundle());
        EXPECT_EQ(panel.ppdFile(), c.ppd);
        EXPECT_EQ(panel.localizedTableName(), c.table);
    }
    const BasicPdeInterface noCallback(nullptr, fixtureBundle());
    EXPECT_EQ(noCallback.ppdFile(), nullptr);
    EXPECT_FALSE(noCallback.localizedTableName().has_value());
}

TEST_F(PanelBaseTest, PanelNameIsLookedUpOnceInThePanelsTable) {
    const auto jp = openFixturePpd(QStringLiteral("fax_index_jp.ppd"));
    const auto plain = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    BasicPdeInterface indexed(std::make_shared<FakeCallback>(jp.get()), fixtureBundle());
    EXPECT_EQ(indexed.panelName(), QStringLiteral("JP-Titel"));
    EXPECT_EQ(indexed.panelName(), QStringLiteral("JP-Titel"));
    BasicPdeInterface unindexed(std::make_shared<FakeCallback>(plain.get()), fixtureBundle());
    EXPECT_EQ(unindexed.panelName(), QStringLiteral("Standardtitel"));
    // A bundle without the table LocalizableJP: its default table.
    BasicPdeInterface elsewhere(std::make_shared<FakeCallback>(jp.get()), directFaxBundle());
    EXPECT_EQ(elsewhere.panelName(), QStringLiteral("Fax Settings"));
    BasicPdeInterface bare(std::make_shared<FakeCallback>(), nullptr);
    EXPECT_TRUE(bare.panelName().isEmpty());
}

TEST_F(PanelBaseTest, LookupFallsBackToTheDefaultTable) {
    const auto bundle = fixtureBundle();
    ASSERT_TRUE(bundle);
    const std::optional<QString> jp = QStringLiteral("LocalizableJP");
    const std::optional<QString> missing = QStringLiteral("LocalizableXX");
    const struct {
        const char* key;
        std::optional<QString> table;
        QString expected;
    } cases[] = {
        {"Fax Settings", jp, QStringLiteral("ファクス設定")},               // the panel's own table
        {"Only Default", jp, QStringLiteral("Nur Standard")},               // only in "Localizable"
        {"Same Text", jp, QStringLiteral("Andere Übersetzung")},            // translated to itself: fallback
        {"No Such Key", jp, QStringLiteral("No Such Key")},                 // in neither table
        {"Fax Settings", missing, QStringLiteral("Faxeinstellungen")},      // no such table
        {"Fax Settings", std::nullopt, QStringLiteral("Faxeinstellungen")}, // the default table
        {"No Such Key", std::nullopt, QStringLiteral("No Such Key")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(df::haldenLocalizedStringForKey(bundle.get(), QString::fromUtf8(c.key), QString(), c.table),
                  c.expected)
            << c.key << " in " << c.table.value_or(QStringLiteral("(default)")).toStdString();
    EXPECT_EQ(df::haldenLocalizedStringForKey(bundle.get(), QStringLiteral("No Such Key"),
                                              QStringLiteral("Given"), jp),
              QStringLiteral("Given"));
    EXPECT_TRUE(
        df::haldenLocalizedStringForKey(nullptr, QStringLiteral("Fax Settings"), QString(), jp).isNull());
}

TEST_F(PanelBaseTest, BaseAnswersOfThePanelProtocol) {
    const auto bundle = fixtureBundle();
    auto callback = std::make_shared<FakeCallback>();
    {
        BasicPdeInterface panel(callback, bundle);
        EXPECT_EQ(panel.panelView(), nullptr);
        EXPECT_EQ(panel.panelKind(), QStringLiteral("com.velmora.cps.print.pde.tarncrest.FrameFixture"));
        EXPECT_FALSE(panel.supportedPPDOptionKeys().has_value());
        EXPECT_FALSE(panel.summaryInfo().has_value());
        EXPECT_TRUE(panel.shouldHide());
        EXPECT_TRUE(panel.shouldPrint());
        EXPECT_TRUE(panel.shouldShowHelp());
        panel.willShow();
        panel.PPDOptionKeyValueDidChange(QStringLiteral("VMFaxImageQuality"), QStringLiteral("B"));
        QString error = QStringLiteral("untouched");
        EXPECT_TRUE(panel.restoreValuesAndReturnError(&error));
        EXPECT_TRUE(panel.saveValuesAndReturnError(&error));
        EXPECT_EQ(error, QStringLiteral("untouched"));
        EXPECT_TRUE(panel.restoreValuesAndReturnError(nullptr));
        EXPECT_TRUE(callback->changes.empty());
        EXPECT_EQ(callback.use_count(), 2);
    }
    // Teardown lets go of the callback object.
    EXPECT_EQ(callback.use_count(), 1);
}

} // namespace
} // namespace frame_test
