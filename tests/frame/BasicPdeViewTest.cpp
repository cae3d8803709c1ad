// The localizing view on a loaded interface file: which controls are translated, which are left
// alone, and the binding of PPD popups to PPD keywords.
#include "FrameTestSupport.h"

#include <BasicPdeView.h>
#include <Bundle.h>
#include <UiLoader.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>

namespace frame_test {
namespace {

using df::BasicPdeView;

class BasicPdeViewTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        pf::UiLoader loader;
        loader.registerWidgetClass<BasicPdeView>();
        loader.registerWidgetClass<FixtureComboBox>();
        QString error;
        root.reset(loader.loadFile(QStringLiteral(FRAME_FIXTURE_BUNDLE "/Contents/Resources/FrameFixture.ui"),
                                   nullptr, &error));
        ASSERT_TRUE(root) << error.toStdString();
        view = qobject_cast<BasicPdeView*>(root.get());
        ASSERT_NE(view, nullptr) << root->metaObject()->className();
        auto* table = child<QTableView>("table");
        model = new QStandardItemModel(0, 2, table);
        model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Fax Number")});
        table->setModel(model);
        bundle = fixtureBundle();
        ASSERT_TRUE(bundle);
    }

    void TearDown() override {
        root.reset();
        WidgetTest::TearDown();
    }

    template <class T> T* child(const char* name) {
        T* found = view->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) {
        QWidget* widget = child<QWidget>(name);
        if (auto* label = qobject_cast<QLabel*>(widget))
            return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            return edit->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return button->text();
        return {};
    }

    std::unique_ptr<QWidget> root;
    BasicPdeView* view = nullptr;
    QStandardItemModel* model = nullptr;
    std::shared_ptr<pf::Bundle> bundle;
};

TEST_F(BasicPdeViewTest, LoaderMakesTheCustomClassesOfTheFile) {
    EXPECT_NE(qobject_cast<FixtureComboBox*>(child<QComboBox>("subclassPopup")), nullptr);
    EXPECT_EQ(child<QComboBox>("plainPopup")->metaObject(), &QComboBox::staticMetaObject);
}

TEST_F(BasicPdeViewTest, LocalizesEveryKindOfControlInPlace) {
    view->setBundle(bundle);
    view->localizeAllControls();

    const struct {
        const char* name;
        const char* expected;
    } texts[] = {
        {"titleLabel", "Bildqualität:"},
        {"senderLabel", "Absendername:"},
        {"readOnlyEdit", "Nur lesen"},
        {"okButton", "Gut"},
        {"rememberBox", "Merken"},
        {"choiceRadio", "Auswahl"},
        {"tabLabel", "Abbrechen"},
        {"innerLabel", "Innere Beschriftung"},
        {"unknownLabel", "No Such Key"},
        {"onlyDefaultLabel", "Nur Standard"},
        {"overriddenLabel", "Faxeinstellungen"},
        // What the user types is never translated, even inside a box that is.
        {"senderEdit", "Sender Name:"},
    };
    for (const auto& t : texts)
        EXPECT_EQ(text(t.name), QString::fromUtf8(t.expected)) << t.name;
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fixture-Fenster"));
    EXPECT_EQ(child<QGroupBox>("senderGroup")->title(), QStringLiteral("Absender"));
    EXPECT_EQ(child<QTabWidget>("tabs")->tabText(0), QStringLiteral("Allgemein"));
    EXPECT_EQ(items(child<QComboBox>("plainPopup")),
              (QStringList{QStringLiteral("Niedrig"), QStringLiteral("Hoch")}));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name (übersetzt)"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Faxnummer"));
    // A popup subclass is a general view: it has no title, and its items stay as laid out.
    EXPECT_EQ(items(child<QComboBox>("subclassPopup")),
              (QStringList{QStringLiteral("Low"), QStringLiteral("High")}));
}

TEST_F(BasicPdeViewTest, ThePpdsTableComesFirstAndTheDefaultTableFillsIn) {
    const auto jp = openFixturePpd(QStringLiteral("fax_index_jp.ppd"));
    view->setBundle(bundle);
    view->setPPD(jp.get());
    EXPECT_EQ(view->localizedTableName(), QStringLiteral("LocalizableJP"));
    view->localizeAllControls();
    EXPECT_EQ(text("overriddenLabel"), QStringLiteral("ファクス設定"));
    EXPECT_EQ(text("onlyDefaultLabel"), QStringLiteral("Nur Standard"));
    EXPECT_EQ(text("sameTextLabel"), QStringLiteral("Andere Übersetzung"));
    EXPECT_EQ(text("unknownLabel"), QStringLiteral("No Such Key"));

    // A PPD without the attribute keeps the table.
    const auto plain = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    view->setPPD(plain.get());
    EXPECT_EQ(view->localizedTableName(), QStringLiteral("LocalizableJP"));
}

TEST_F(BasicPdeViewTest, WithoutBundleTextsStayAsLaidOut) {
    view->localizeAllControls();
    EXPECT_EQ(text("titleLabel"), QStringLiteral("Image Quality:"));
    EXPECT_EQ(child<QGroupBox>("senderGroup")->title(), QStringLiteral("Sender"));
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fixture Window"));
}

TEST_F(BasicPdeViewTest, PpdPopupShowsChoiceTextsInPpdOrderAndCarriesTheKeywords) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    view->setBundle(bundle);
    view->setPPD(ppd.get());
    auto* popup = child<QComboBox>("ppdPopup");
    int changes = 0;
    QObject::connect(popup, &QComboBox::currentIndexChanged, popup, [&changes] { ++changes; });
    view->localizePPDControl(popup, "VMFaxImageQuality");
    EXPECT_EQ(items(popup), (QStringList{QStringLiteral("Standard"), QStringLiteral("Fine")}));
    EXPECT_EQ(itemData(popup), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(changes, 0) << "filling a popup is no change of the user's";
    EXPECT_EQ(view->ppdKeywordForObject(popup), QStringLiteral("VMFaxImageQuality"));

    view->setValueForPPDKeyword(QStringLiteral("Fine"), QStringLiteral("VMFaxImageQuality"));
    EXPECT_EQ(popup->currentIndex(), 1);
    view->setValueForPPDKeyword(QStringLiteral("Nothing like it"), QStringLiteral("VMFaxImageQuality"));
    EXPECT_EQ(popup->currentIndex(), -1);
    view->setEnabledForPPDKeyword(false, QStringLiteral("VMFaxImageQuality"));
    EXPECT_FALSE(popup->isEnabled());
    view->setEnabledForPPDKeyword(true, QStringLiteral("VMFaxImageQuality"));
    EXPECT_TRUE(popup->isEnabled());

    // The option's title goes to a label; the label is not bound.
    auto* title = child<QLabel>("ppdTitle");
    view->localizePPDControl(title, "VMFaxTransmissionReport");
    EXPECT_EQ(title->text(), QStringLiteral("Transmission Report"));
    EXPECT_FALSE(view->ppdKeywordForObject(title).has_value());
}

TEST_F(BasicPdeViewTest, OnlyExactPopupsAreBound) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    view->setBundle(bundle);
    view->setPPD(ppd.get());
    auto* subclass = child<QComboBox>("subclassPopup");
    view->localizePPDControl(subclass, "VMFaxImageQuality");
    EXPECT_EQ(items(subclass), (QStringList{QStringLiteral("Low"), QStringLiteral("High")}));
    EXPECT_FALSE(view->ppdKeywordForObject(subclass).has_value());
    EXPECT_FALSE(view->ppdKeywordForObject(child<QComboBox>("plainPopup")).has_value());
    EXPECT_FALSE(view->ppdKeywordForObject(nullptr).has_value());
    auto* button = child<QPushButton>("okButton");
    view->localizePPDControl(button, "VMFaxImageQuality");
    EXPECT_EQ(button->text(), QStringLiteral("OK"));
}

TEST_F(BasicPdeViewTest, ASecondSetPpdDropsTheBindings) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    view->setBundle(bundle);
    view->setPPD(ppd.get());
    auto* popup = child<QComboBox>("ppdPopup");
    view->localizePPDControl(popup, "VMFaxSenderMode");
    view->setPPD(ppd.get());
    EXPECT_FALSE(view->ppdKeywordForObject(popup).has_value());
    view->setEnabledForPPDKeyword(false, QStringLiteral("VMFaxSenderMode"));
    EXPECT_TRUE(popup->isEnabled());
    view->setValueForPPDKeyword(QStringLiteral("Enter Name"), QStringLiteral("VMFaxSenderMode"));
    EXPECT_EQ(popup->currentIndex(), 0);
    // Bound again, it answers again.
    view->localizePPDControl(popup, "VMFaxSenderMode");
    view->setEnabledForPPDKeyword(false, QStringLiteral("VMFaxSenderMode"));
    EXPECT_FALSE(popup->isEnabled());
}

TEST_F(BasicPdeViewTest, WithoutPpdNothingIsBoundOrFilled) {
    view->setBundle(bundle);
    auto* popup = child<QComboBox>("ppdPopup");
    view->localizePPDControl(popup, "VMFaxImageQuality");
    view->localizePPDControl(child<QLabel>("ppdTitle"), "VMFaxImageQuality");
    EXPECT_EQ(items(popup), QStringList{QStringLiteral("Laid Out")});
    EXPECT_EQ(text("ppdTitle"), QStringLiteral("Quality"));
    EXPECT_FALSE(view->ppdKeywordForObject(popup).has_value());
    view->setEnabledForPPDKeyword(false, QStringLiteral("VMFaxImageQuality"));
    EXPECT_TRUE(popup->isEnabled());
}

TEST_F(BasicPdeViewTest, PpdPopupEdgeCases) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_latin1_texts.ppd"));
    view->setPPD(ppd.get());
    auto* popup = child<QComboBox>("ppdPopup");

    // Texts arrive as UTF-8 whatever the PPD's own encoding.
    view->localizePPDControl(popup, "VMFaxImageQuality");
    EXPECT_EQ(items(popup), (QStringList{QStringLiteral("Standard"), QStringLiteral("Fein (Qualität)")}));

    // One item per title: the later choice of a repeated title wins and moves to the end.
    view->localizePPDControl(popup, "VMDuplicateTexts");
    EXPECT_EQ(items(popup), (QStringList{QStringLiteral("Other"), QStringLiteral("Same")}));
    EXPECT_EQ(itemData(popup), (QStringList{QStringLiteral("Y"), QStringLiteral("Z")}));

    // An option the PPD lacks: bound, and empty.
    view->localizePPDControl(popup, "VMNoSuchOption");
    EXPECT_EQ(popup->count(), 0);
    view->setEnabledForPPDKeyword(false, QStringLiteral("VMNoSuchOption"));
    EXPECT_FALSE(popup->isEnabled());
}

TEST_F(BasicPdeViewTest, BindingDiesWithThePopup) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    view->setPPD(ppd.get());
    auto* popup = child<QComboBox>("ppdPopup");
    view->localizePPDControl(popup, "VMFaxImageQuality");
    delete popup;
    view->setEnabledForPPDKeyword(false, QStringLiteral("VMFaxImageQuality"));
    view->setValueForPPDKeyword(QStringLiteral("Fine"), QStringLiteral("VMFaxImageQuality"));
}

class UiLoaderTest : public WidgetTest {};

TEST_F(UiLoaderTest, UnknownClassOrMissingFileFailsTheLoad) {
    pf::UiLoader loader;
    loader.registerWidgetClass<BasicPdeView>();
    QString error;
    EXPECT_EQ(loader.loadFile(QStringLiteral(FRAME_FIXTURE_BUNDLE "/Contents/Resources/UnknownClass.ui"),
                              nullptr, &error),
              nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("NoSuchView"))) << error.toStdString();

    error.clear();
    EXPECT_EQ(loader.loadFile(QStringLiteral(FRAME_FIXTURE_BUNDLE "/Contents/Resources/Missing.ui"), nullptr,
                              &error),
              nullptr);
    EXPECT_FALSE(error.isEmpty());

    // Without the registration the root class is unknown too.
    pf::UiLoader plain;
    plain.registerWidgetClass<FixtureComboBox>();
    error.clear();
    EXPECT_EQ(plain.loadInterfaceFile(*fixtureBundle(), QStringLiteral("FrameFixture"), nullptr, &error),
              nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("BasicPdeView"))) << error.toStdString();
    error.clear();
    EXPECT_EQ(plain.loadInterfaceFile(*fixtureBundle(), QStringLiteral("NoSuchFile"), nullptr, &error),
              nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("NoSuchFile"))) << error.toStdString();
}

TEST_F(UiLoaderTest, ShortClassNameDropsTheNamespace) {
    EXPECT_EQ(pf::UiLoader::shortClassName(BasicPdeView::staticMetaObject), QStringLiteral("BasicPdeView"));
    EXPECT_EQ(pf::UiLoader::shortClassName(QComboBox::staticMetaObject), QStringLiteral("QComboBox"));
}

} // namespace
} // namespace frame_test
