// The Fax Settings panel: enable rules, popup changes, defaults, sender name through save and
// restore, summary, a printer without fax options, and help.
#include "FrameTestSupport.h"

#include <Bundle.h>
#include <DirectFaxPdeInterface.h>
#include <DirectFaxPdeView.h>
#include <HelpViewer.h>
#include <UtilityFunctions.h>

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace frame_test {
namespace {

const QString kSenderKey = QLatin1String(df::kSenderNamePrintSettingsKey);

// A print dialog that marks the choices it accepts in the PPD, as the real one does, and can
// refuse them.
class MarkingCallback : public FakeCallback {
public:
    using FakeCallback::FakeCallback;
    bool willChangePPDOptionKeyValue(const QString& keyword, const QString& choice) override {
        FakeCallback::willChangePPDOptionKeyValue(keyword, choice);
        return !refuse && df::PpdMarkOption(ppd, keyword, choice);
    }
    bool refuse = false;
};

class FaxSettingsPanelTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        bundle = directFaxBundle();
        ASSERT_TRUE(bundle);
        ppd = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
        callback = std::make_shared<MarkingCallback>(ppd.get());
        panel = std::make_unique<df::DirectFaxPdeInterface>(callback, bundle);
        view = qobject_cast<df::DirectFaxPdeView*>(panel->panelView());
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(view->senderModePopup && view->coverPagePopup && view->senderNameTextEdit);
    }
    void TearDown() override {
        panel.reset();
        WidgetTest::TearDown();
    }

    // The user picks the item with choice keyword `choice`.
    void pick(QComboBox* popup, const char* choice) {
        const int index = popup->findData(QLatin1String(choice));
        ASSERT_GE(index, 0) << choice;
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }

    std::shared_ptr<pf::Bundle> bundle;
    df::PpdFilePtr ppd;
    std::shared_ptr<MarkingCallback> callback;
    std::unique_ptr<df::DirectFaxPdeInterface> panel;
    df::DirectFaxPdeView* view = nullptr;
};

TEST_F(FaxSettingsPanelTest, CoverPageAndSenderModeDecideWhatCanBeEdited) {
    const struct {
        const char* cover;
        const char* sender;
        bool senderModeEnabled;
        bool senderNameEnabled;
    } rules[] = {
        {"None", "EnterName", false, false},
        {"None", "UserName", false, false},
        {"Standard", "EnterName", true, true},
        {"Standard", "UserName", true, false},
    };
    for (const auto& rule : rules) {
        SCOPED_TRACE(std::string(rule.cover) + "/" + rule.sender);
        ASSERT_TRUE(
            df::PpdMarkOption(ppd.get(), QStringLiteral("VMFaxCoverPageMode"), QLatin1String(rule.cover)));
        ASSERT_TRUE(
            df::PpdMarkOption(ppd.get(), QStringLiteral("VMFaxSenderMode"), QLatin1String(rule.sender)));
        EXPECT_TRUE(panel->restoreValuesAndReturnError(nullptr));
        EXPECT_EQ(view->coverPagePopup->currentData().toString(), QLatin1String(rule.cover));
        EXPECT_EQ(view->senderModePopup->isEnabled(), rule.senderModeEnabled);
        EXPECT_EQ(view->senderNameTextEdit->isEnabled(), rule.senderNameEnabled);
    }
}

TEST_F(FaxSettingsPanelTest, APickedChoiceReachesThePrintDialogAndTheModelUnlessRefused) {
    panel->restoreValuesAndReturnError(nullptr);
    view->senderNameTextEdit->setText(QStringLiteral("Typed"));
    pick(view->coverPagePopup, "Standard");
    pick(view->senderModePopup, "EnterName");
    EXPECT_EQ(callback->changes.back(),
              std::make_pair(QStringLiteral("VMFaxSenderMode"), QStringLiteral("EnterName")));
    EXPECT_EQ(panel->features()[3]->curChoice(), QStringLiteral("EnterName"));
    EXPECT_TRUE(view->senderNameTextEdit->isEnabled());
    EXPECT_EQ(panel->senderName(), QStringLiteral("Typed")); // a popup change takes the field's text

    callback->refuse = true;
    pick(view->coverPagePopup, "None");
    EXPECT_EQ(panel->features()[2]->curChoice(), QStringLiteral("Standard"));
    EXPECT_EQ(view->coverPagePopup->currentData().toString(), QStringLiteral("Standard"));
    EXPECT_TRUE(view->senderNameTextEdit->isEnabled());
}

TEST_F(FaxSettingsPanelTest, DefaultsTellThePrintDialogEveryDefaultAndEmptyTheSenderName) {
    pick(view->imageQualityPopup, "B");
    pick(view->coverPagePopup, "Standard");
    panel->setSenderName(QStringLiteral("Someone"));
    callback->changes.clear();
    view->defaultsButton->click();
    const std::vector<std::pair<QString, QString>> defaults{{"VMFaxImageQuality", "A"},
                                                            {"VMFaxTransmissionReport", "Off"},
                                                            {"VMFaxCoverPageMode", "None"},
                                                            {"VMFaxSenderMode", "UserName"}};
    EXPECT_EQ(callback->changes, defaults);
    EXPECT_EQ(view->imageQualityPopup->currentText(), QStringLiteral("Standard"));
    EXPECT_EQ(view->coverPagePopup->currentText(), QStringLiteral("None"));
    EXPECT_TRUE(panel->senderName().isEmpty());
    EXPECT_TRUE(view->senderNameTextEdit->text().isEmpty());
}

TEST_F(FaxSettingsPanelTest, RestoreTakesAnAcceptableStoredSenderNameOrEmptiesIt) {
    const struct {
        std::optional<QString> stored;
        QString expected;
    } cases[] = {{QStringLiteral("Velmora Sales"), QStringLiteral("Velmora Sales")},
                 {QStringLiteral(""), QString()},
                 {std::nullopt, QString()},
                 // A name the field would refuse, written by another program.
                 {QString(31, QLatin1Char('x')), QString()},
                 {QStringLiteral("Ren\u00e9"), QString()}};
    for (const auto& c : cases) {
        callback->settings.clear();
        if (c.stored)
            callback->settings.setValue(kSenderKey, *c.stored);
        panel->setSenderName(QStringLiteral("left over"));
        EXPECT_TRUE(panel->restoreValuesAndReturnError(nullptr));
        EXPECT_EQ(panel->senderName(), c.expected);
        EXPECT_EQ(view->senderNameTextEdit->text(), c.expected);
    }
}

TEST_F(FaxSettingsPanelTest, SaveStoresAnAcceptableSenderNameAndRefusesAnyOther) {
    const QString thirty(30, QLatin1Char('x'));
    view->senderNameTextEdit->setText(thirty);
    EXPECT_TRUE(panel->saveValuesAndReturnError(nullptr));
    EXPECT_EQ(callback->settings.value(kSenderKey), thirty);
    EXPECT_FALSE(callback->settings.isLocked(kSenderKey));

    for (const QString& refused : {QString(31, QLatin1Char('x')), QStringLiteral("Ren\u00e9")}) {
        view->senderNameTextEdit->setText(refused);
        EXPECT_FALSE(panel->saveValuesAndReturnError(nullptr));
        EXPECT_EQ(view->senderNameTextEdit->text(), thirty);
        EXPECT_EQ(callback->settings.value(kSenderKey), thirty);
    }
}

TEST_F(FaxSettingsPanelTest, SummaryListsTheOptionsThenTheSenderName) {
    panel->setSenderName(QStringLiteral("Me"));
    const QVariantMap summary = *panel->summaryInfo();
    EXPECT_EQ(summary.value(QLatin1String(pf::kSummaryDisplayOrderKey)).toStringList(),
              (QStringList{"Image Quality", "Transmission Report", "Cover Page", "Sender", "Sender Name"}));
    EXPECT_EQ(summary.value(QStringLiteral("Image Quality")).toString(), QStringLiteral("Standard"));
    EXPECT_EQ(summary.value(QStringLiteral("Sender Name")).toString(), QStringLiteral("Me"));
}

TEST_F(FaxSettingsPanelTest, HelpOpensTheFaxPageAndEveryHelpActionFindsItsPage) {
    std::vector<QUrl> shown;
    pf::HelpViewer::setUrlHandler([&](const QUrl& url) {
        shown.push_back(url);
        return true;
    });
    EXPECT_FALSE(panel->shouldShowHelp());
    // The dialogs' help: the older systems' page path and the newer systems' one.
    const QString page = QStringLiteral("set_check_fax_transmission.htm");
    df::GotoHelpPage(bundle, page);
    df::GotoHelpPage2_106(ppd.get(), "", bundle, QStringLiteral("VelmoraDirectFaxHelp"), page);
    pf::HelpViewer::setUrlHandler({});
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[0].path().endsWith(QLatin1String("/DirectFaxHelp/fax.htm")));
    for (const QUrl& url : shown)
        EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile()) << url.toString().toStdString();
}

// A panel for a printer without fax options, or without PPD, or from a bundle that lists no
// keywords: it loads, behaves, and offers no empty popup.
TEST(FaxSettingsPanelWithoutFaxOptions, LoadsAndBehaves) {
    ensureApplication();
    QTemporaryDir dir;
    const auto bare =
        copyOfDirectFaxBundle(dir, QStringLiteral("com.velmora.test.DirectFax.NoKeys"), [](QByteArray info) {
            return info.replace("<key>VMPPDKeysSupported</key>", "<key>SomethingElse</key>");
        });
    const auto faxPpd = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
    const auto plainPpd =
        df::PpdOpenFile(QStringLiteral(DIRECTFAX_SOURCE_DIR "/tests/fixtures/ppd/no-vm-attributes.ppd"));
    const struct {
        const char* name;
        std::shared_ptr<pf::Bundle> bundle;
        ppd_file_t* ppd;
        int features;
        int filledPopups;
    } cases[] = {
        {"no fax options", directFaxBundle(), plainPpd.get(), 4, 0},
        {"no PPD", directFaxBundle(), nullptr, 4, 0},
        {"no keywords listed", bare, faxPpd.get(), 0, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto callback = std::make_shared<FakeCallback>(c.ppd);
        df::DirectFaxPdeInterface panel(callback, c.bundle);
        EXPECT_EQ(int(panel.features().size()), c.features);
        EXPECT_EQ(panel.supportedPPDOptionKeys()->size(), c.features);
        EXPECT_EQ(panel.panelName(), QStringLiteral("Fax Settings"));
        auto* view = qobject_cast<df::DirectFaxPdeView*>(panel.panelView());
        ASSERT_NE(view, nullptr);
        panel.willShow();
        EXPECT_TRUE(panel.restoreValuesAndReturnError(nullptr));
        panel.setDefaults(nullptr);
        int filled = 0;
        for (QComboBox* popup : view->findChildren<QComboBox*>()) {
            EXPECT_TRUE(popup->isHidden() || popup->count() > 0) << popup->objectName().toStdString();
            filled += popup->count() > 0;
        }
        EXPECT_EQ(filled, c.filledPopups);
        // No cover page mode and no sender mode known: the sender mode popup is enabled, the
        // field is not, and it still shows the sender name.
        panel.setSenderName(QStringLiteral("Kept"));
        panel.updateUI();
        EXPECT_TRUE(view->senderModePopup->isEnabled());
        EXPECT_FALSE(view->senderNameTextEdit->isEnabled());
        EXPECT_EQ(view->senderNameTextEdit->text(), QStringLiteral("Kept"));
        EXPECT_TRUE(panel.saveValuesAndReturnError(nullptr));
        EXPECT_EQ(callback->settings.value(kSenderKey), QStringLiteral("Kept"));
        const QVariantMap summary = *panel.summaryInfo();
        EXPECT_EQ(summary.value(QLatin1String(pf::kSummaryDisplayOrderKey)).toStringList(),
                  QStringList{"Sender Name"});
    }
}

} // namespace
} // namespace frame_test
