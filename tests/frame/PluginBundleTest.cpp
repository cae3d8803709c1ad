// The assembled DirectFax bundle: its information keys, resources and translations, the module
// exporting one entry point, loading it through the plug-in loader, and its Fax Settings view.
#include "FrameTestSupport.h"

#include <Bundle.h>
#include <DirectFaxPdeInterface.h>
#include <DirectFaxPdeView.h>
#include <PluginLoader.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <cctype>
#include <cstring>
#include <map>

namespace frame_test {
namespace {

constexpr const char* kFaxKeywords[] = {"VMFaxImageQuality", "VMFaxTransmissionReport", "VMFaxCoverPageMode",
                                        "VMFaxSenderMode"};

class PluginBundleTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        bundle = directFaxBundle();
        ASSERT_TRUE(bundle) << DIRECTFAX_BUNDLE_DIR;
    }
    std::shared_ptr<pf::Bundle> bundle;
};

TEST_F(PluginBundleTest, InformationKeys) {
    EXPECT_EQ(bundle->bundleIdentifier(), QStringLiteral("com.velmora.cps.print.pde.tarncrest.DirectFax"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("CFBundleExecutable")).toString(),
              QStringLiteral("DirectFax"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("CFBundleHelpBookName")).toString(),
              QStringLiteral("DirectFaxHelp"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("AddressBookBundleIdentifier")).toString(),
              QStringLiteral("com.velmora.AddressBookEditor"));
    QStringList keywords;
    for (const char* keyword : kFaxKeywords)
        keywords.append(QLatin1String(keyword));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("VMPPDKeysSupported")).toStringList(),
              keywords);
    EXPECT_EQ(bundle->executablePath(), QStringLiteral(DIRECTFAX_BUNDLE_DIR "/Contents/Linux/DirectFax.so"));
    for (const char* name : {"MainPanel.ui", "strings_en.qm", "strings_de.qm", "strings.qm"})
        EXPECT_TRUE(QFile::exists(bundle->resourcePath() + QLatin1Char('/') + QLatin1String(name))) << name;
}

TEST_F(PluginBundleTest, ModuleExportsOnlyTheEntryPoint) {
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"),
                                    QStringLiteral("--format=posix"), bundle->executablePath()});
    ASSERT_TRUE(nm.waitForFinished(30000));
    ASSERT_EQ(nm.exitCode(), 0) << nm.readAllStandardError().toStdString();
    QStringList symbols;
    for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2 || fields[1].size() != 1)
            continue;
        // Lower-case types are local symbols (sanitizer builds list some), except the weak (v, w),
        // unique (u) and indirect (i) ones; the linker's markers (_edata, _end) are absolute (A).
        const char type = fields[1][0];
        const bool global = (std::isupper(static_cast<unsigned char>(type)) && type != 'A') ||
                            std::strchr("uvwi", type) != nullptr;
        if (global)
            symbols.append(QString::fromLatin1(fields[0]));
    }
    EXPECT_EQ(symbols.join(QLatin1Char(' ')).toStdString(), DIRECTFAX_PDE_ENTRY_POINT);
}

TEST_F(PluginBundleTest, LoaderMakesThePluginAndItsPanel) {
    QString error;
    const std::shared_ptr<pf::PdePlugin> plugin = pf::PluginLoader::loadPlugin(*bundle, &error);
    ASSERT_TRUE(plugin) << error.toStdString();
    EXPECT_TRUE(plugin->initWithBundle(bundle));
    const auto ppd = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
    auto panels = plugin->PDEPanelsForType(QLatin1String(pf::kPrinterModuleType),
                                           std::make_shared<FakeCallback>(ppd.get()));
    ASSERT_TRUE(panels && panels->size() == 1);
    pf::PdePanel& panel = *panels->front();
    EXPECT_EQ(panel.panelKind(), bundle->bundleIdentifier());
    QWidget* view = panel.panelView();
    ASSERT_NE(view, nullptr);
    // The module's classes are its own copies: compare by name.
    EXPECT_STREQ(view->metaObject()->className(), df::DirectFaxPdeView::staticMetaObject.className());
    auto* popup = view->findChild<QComboBox*>(QStringLiteral("imageQualityPopup"));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->count(), 2);
    EXPECT_EQ(panel.panelView(), view);
    panels.reset(); // the panel takes its view with it
    EXPECT_TRUE(plugin->PDEPanelsForType(QLatin1String(pf::kPageSetupDialogType), nullptr)->empty());
}

TEST_F(PluginBundleTest, LoaderReportsWhatWentWrong) {
    const struct {
        QString path;
        const char* expected;
    } cases[] = {
        {QStringLiteral(DIRECTFAX_BUNDLE_DIR "/Contents/Linux/Missing.so"), "no such file"},
        {QStringLiteral(PLATFORM_LIBRARY), "no entry point " DIRECTFAX_PDE_ENTRY_POINT},
        {QStringLiteral(DIRECTFAX_BUNDLE_DIR "/Contents/Info.plist"), "Info.plist"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_EQ(pf::PluginLoader::loadModule(c.path, &error), nullptr) << c.expected;
        EXPECT_TRUE(error.contains(QLatin1String(c.expected))) << error.toStdString();
    }
    QString error;
    EXPECT_EQ(pf::PluginLoader::loadPlugin(*fixtureBundle(), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

class FaxPanelTest : public PluginBundleTest {};

TEST_F(FaxPanelTest, PanelViewShowsThePpdsFaxOptions) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
    QPointer<QWidget> shown;
    {
        df::DirectFaxPdeInterface panel(std::make_shared<FakeCallback>(ppd.get()), bundle);
        EXPECT_EQ(panel.panelName(), QStringLiteral("Fax Settings")); // the PPD's group names it
        auto* view = qobject_cast<df::DirectFaxPdeView*>(panel.panelView());
        ASSERT_NE(view, nullptr);
        shown = view;
        EXPECT_EQ(view->localizedTableName(), QStringLiteral("Localizable2"));
        const struct {
            const char* popup;
            const char* title;
            QStringList choices;
        } options[] = {
            {"imageQualityPopup", "imageQualityTitle", {"A", "B"}},
            {"reportOptionPopup", "reportOptionTitle", {"Off", "Always", "OnError"}},
            {"coverPagePopup", "coverPageTitle", {"None", "Standard"}},
            {"senderModePopup", "senderModeTitle", {"UserName", "EnterName"}},
        };
        for (size_t i = 0; i < std::size(options); ++i) {
            auto* popup = view->findChild<QComboBox*>(QLatin1String(options[i].popup));
            ASSERT_NE(popup, nullptr) << options[i].popup;
            EXPECT_EQ(itemData(popup), options[i].choices) << options[i].popup;
            EXPECT_EQ(view->ppdKeywordForObject(popup), QLatin1String(kFaxKeywords[i]));
            // Option titles come from the PPD.
            auto* title = view->findChild<QLabel*>(QLatin1String(options[i].title));
            ASSERT_NE(title, nullptr);
            EXPECT_FALSE(title->text().endsWith(QLatin1Char(':'))) << title->text().toStdString();
        }
        auto* sender = view->findChild<QLineEdit*>(QStringLiteral("senderNameTextEdit"));
        ASSERT_NE(sender, nullptr);
        EXPECT_TRUE(sender->text().isEmpty());
        EXPECT_NE(view->findChild<QPushButton*>(QStringLiteral("addressBookButton")), nullptr);
        EXPECT_EQ(panel.panelView(), view);
    }
    EXPECT_TRUE(shown.isNull()) << "the panel owns its view";
}

TEST_F(FaxPanelTest, PopupsShowTheMarkedOrDefaultChoice) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
    ASSERT_TRUE(df::PpdMarkOption(ppd.get(), QStringLiteral("VMFaxImageQuality"), QStringLiteral("B")));
    ASSERT_TRUE(
        df::PpdMarkOption(ppd.get(), QStringLiteral("VMFaxTransmissionReport"), QStringLiteral("Always")));
    df::DirectFaxPdeInterface panel(std::make_shared<FakeCallback>(ppd.get()), bundle);
    QWidget* view = panel.panelView();
    ASSERT_NE(view, nullptr);
    const struct {
        const char* popup;
        const char* choice;
    } shown[] = {{"imageQualityPopup", "B"},
                 {"reportOptionPopup", "Always"},
                 {"coverPagePopup", "None"}, // unmarked: the default choice
                 {"senderModePopup", "UserName"}};
    for (const auto& s : shown) {
        auto* popup = view->findChild<QComboBox*>(QLatin1String(s.popup));
        ASSERT_NE(popup, nullptr) << s.popup;
        EXPECT_EQ(popup->currentData().toString(), QLatin1String(s.choice)) << s.popup;
    }
}

TEST_F(FaxPanelTest, ViewDeletedByTheHostIsNotDeletedTwice) {
    df::DirectFaxPdeInterface panel(std::make_shared<FakeCallback>(), bundle);
    delete panel.panelView();
}

TEST_F(FaxPanelTest, BundleWithoutMainPanelGivesNoView) {
    df::DirectFaxPdeInterface panel(std::make_shared<FakeCallback>(), fixtureBundle());
    EXPECT_EQ(panel.panelView(), nullptr);
    EXPECT_EQ(panel.panelView(), nullptr);
    df::DirectFaxPdeInterface bare(std::make_shared<FakeCallback>(), nullptr);
    EXPECT_EQ(bare.panelView(), nullptr);
}

TEST_F(FaxPanelTest, GermanPanelWithThePpdsTable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto german = copyOfDirectFaxBundle(dir, QStringLiteral("com.velmora.test.DirectFax.German"));
    ASSERT_TRUE(german);
    german->localizedStringForKey(QStringLiteral("Fax Settings"), QString(), QString()); // loads German
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    const auto indexed = openFixturePpd(QStringLiteral("fax_index_2.ppd"));
    df::DirectFaxPdeInterface panel(std::make_shared<FakeCallback>(indexed.get()), german);
    // The summary's sender-name title comes from the default table, the table Localizable2 lacking it.
    EXPECT_TRUE(panel.summaryInfo()->contains(QStringLiteral("Absendername")));
    QWidget* view = panel.panelView();
    ASSERT_NE(view, nullptr);
    // Keys that the table Localizable2 lacks come from the default table.
    EXPECT_EQ(view->findChild<QGroupBox*>(QStringLiteral("coverSettingGroup"))->title(),
              QStringLiteral("Deckblatteinstellungen"));
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("senderNameTitle"))->text(),
              QStringLiteral("Absendername"));
    EXPECT_EQ(view->findChild<QPushButton*>(QStringLiteral("defaultsButton"))->text(),
              QStringLiteral("Standardeinstellungen"));

    const auto plain = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    df::DirectFaxPdeInterface unindexed(std::make_shared<FakeCallback>(plain.get()), german);
    EXPECT_TRUE(unindexed.summaryInfo()->contains(QStringLiteral("Absendername")));
}

// context → source → translation of a translation source file.
using Messages = std::map<QString, std::map<QString, QString>>;

Messages readTranslations(const QString& path) {
    Messages messages;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    QString context, source;
    while (xml.readNext() != QXmlStreamReader::EndDocument && !xml.hasError()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation"))
            messages[context][source] = xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

// The texts of an interface file that the views translate: texts, titles and window titles of
// controls, tab labels and popup items; none marked as not to be translated.
QStringList translatedTextsOfInterfaceFile(const QString& path) {
    QStringList texts;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    bool translatable = false;
    while (xml.readNext() != QXmlStreamReader::EndDocument && !xml.hasError()) {
        if (xml.isEndElement() &&
            (xml.name() == QLatin1String("property") || xml.name() == QLatin1String("attribute")))
            translatable = false;
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.attributes().value(QLatin1String("name"));
        if (xml.name() == QLatin1String("property"))
            translatable = name == QLatin1String("text") || name == QLatin1String("title") ||
                           name == QLatin1String("windowTitle");
        else if (xml.name() == QLatin1String("attribute"))
            translatable = name == QLatin1String("title");
        else if (xml.name() == QLatin1String("string") && translatable &&
                 xml.attributes().value(QLatin1String("notr")) != QLatin1String("true")) {
            const QString text = xml.readElementText();
            if (!text.isEmpty())
                texts.append(text);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return texts;
}

TEST_F(PluginBundleTest, GermanTranslatesEveryKeyAndEveryTextOfTheInterfaceFiles) {
    const Messages english = readTranslations(QStringLiteral(DIRECTFAX_TRANSLATIONS_DIR "/strings_en.ts"));
    const Messages german = readTranslations(QStringLiteral(DIRECTFAX_TRANSLATIONS_DIR "/strings_de.ts"));
    ASSERT_TRUE(english.count(QStringLiteral("Localizable")));
    QTranslator compiled;
    ASSERT_TRUE(compiled.load(bundle->resourcePath() + QStringLiteral("/strings_de.qm")));
    for (const auto& [context, sources] : english) {
        for (const auto& [source, translation] : sources) {
            const std::string where = (context + QLatin1String(": ") + source).toStdString();
            ASSERT_TRUE(german.count(context) && german.at(context).count(source)) << where;
            EXPECT_FALSE(german.at(context).at(source).isEmpty()) << where;
            EXPECT_FALSE(translation.isEmpty()) << where;
            EXPECT_EQ(compiled.translate(context.toUtf8().constData(), source.toUtf8().constData()),
                      german.at(context).at(source))
                << where;
            // An indexed table only overrides keys the default table has.
            EXPECT_TRUE(sources == english.at(QStringLiteral("Localizable")) ||
                        english.at(QStringLiteral("Localizable")).count(source))
                << where;
        }
    }
    EXPECT_EQ(english.size(), german.size());

    // Every text the views translate in every interface file of the bundle.
    QStringList files;
    for (QDirIterator it(bundle->resourcePath(), {QStringLiteral("*.ui")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        files.append(it.next());
    EXPECT_TRUE(translatedTextsOfInterfaceFile(bundle->resourcePath() + QStringLiteral("/MainPanel.ui"))
                    .contains(QStringLiteral("Cover Page Settings")));
    for (const QString& file : files) {
        for (const QString& text : translatedTextsOfInterfaceFile(file))
            EXPECT_TRUE(german.at(QStringLiteral("Localizable")).count(text))
                << QFileInfo(file).fileName().toStdString() << ": " << text.toStdString();
    }
}

} // namespace
} // namespace frame_test
