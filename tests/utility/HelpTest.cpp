#include "Bundle.h"
#include "BundleFixture.h"
#include "HelpViewer.h"
#include "PpdTestSupport.h"
#include "UtilityFunctions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {
namespace {

using platform::Bundle;
using platform::HelpViewer;

const QString kHelpSource = QStringLiteral(DIRECTFAX_SOURCE_DIR "/DirectFaxPDE/Resources/DirectFaxHelp");
const QString kHelpFolder = QStringLiteral("VelmoraDirectFaxHelp");
const QString kTransmissionPage = QStringLiteral("set_check_fax_transmission.htm");

void copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    const QDir source(from);
    for (const QFileInfo& entry : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir())
            copyTree(entry.filePath(), target);
        else
            QFile::copy(entry.filePath(), target);
    }
}

// Records the pages shown instead of opening a browser.
class Help : public ::testing::Test {
protected:
    void SetUp() override {
        HelpViewer::setUrlHandler([this](const QUrl& url) {
            shown.push_back(url);
            return true;
        });
    }
    void TearDown() override { HelpViewer::setUrlHandler({}); }

    // A bundle with the plug-in's own help book.
    std::shared_ptr<Bundle> helpBundle(BundleFixture& fixture) {
        copyTree(kHelpSource, fixture.resourcePath() + QStringLiteral("/DirectFaxHelp"));
        return Bundle::open(fixture.path());
    }
    static QVariantMap info(const QVariant& bookName = QStringLiteral("DirectFaxHelp")) {
        QVariantMap map{{QStringLiteral("CFBundleIdentifier"), uniqueBundleIdentifier()}};
        if (bookName.isValid())
            map.insert(QStringLiteral("CFBundleHelpBookName"), bookName);
        return map;
    }

    std::vector<QUrl> shown;
};

struct UrlCase {
    const char* page;
    const char* anchor;
    const char* expected; // relative to the book's URL; null: no URL
};

void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << c.page << "#" << (c.anchor ? c.anchor : "");
}

class HelpPageUrl : public ::testing::TestWithParam<UrlCase> {};

TEST_P(HelpPageUrl, ComposesFileUrls) {
    const UrlCase& c = GetParam();
    const QString book = QStringLiteral("/opt/plugins/Direct Fax.plugin/Contents/Resources/DirectFaxHelp");
    const QUrl url = HelpViewer::pageUrl(book, QString::fromUtf8(c.page),
                                         c.anchor ? QString::fromUtf8(c.anchor) : QString());
    if (!c.expected) {
        EXPECT_FALSE(url.isValid()) << url.toString().toStdString();
        return;
    }
    EXPECT_EQ(url.toString(QUrl::FullyEncoded).toStdString(),
              "file:///opt/plugins/Direct%20Fax.plugin/Contents/Resources/DirectFaxHelp/" +
                  std::string(c.expected));
    EXPECT_TRUE(url.isLocalFile());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HelpPageUrl,
    ::testing::Values(UrlCase{"fax.htm", nullptr, "fax.htm"}, UrlCase{"fax.htm", "", "fax.htm"},
                      UrlCase{"fax.htm", "options", "fax.htm#options"},
                      UrlCase{"VelmoraDirectFaxHelp/set_check_fax_transmission.htm", "password",
                              "VelmoraDirectFaxHelp/set_check_fax_transmission.htm#password"},
                      UrlCase{"./VelmoraDirectFaxHelp//set_check_fax_transmission.htm", nullptr,
                              "VelmoraDirectFaxHelp/set_check_fax_transmission.htm"},
                      UrlCase{"a b.htm", "x y", "a%20b.htm#x%20y"},
                      UrlCase{"../Info.plist", nullptr, nullptr},
                      UrlCase{"VelmoraDirectFaxHelp/../../../Info.plist", nullptr, nullptr},
                      UrlCase{"", nullptr, nullptr}));

TEST_F(Help, GotoHelpPageOpensTheBookRootPage) {
    BundleFixture fixture(info());
    auto bundle = helpBundle(fixture);
    ASSERT_TRUE(bundle);
    GotoHelpPage(bundle, QStringLiteral("fax.htm"));
    GotoHelpPage(bundle, QStringLiteral("fax.htm"), QStringLiteral("options"));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].toLocalFile(), fixture.resourcePath() + QStringLiteral("/DirectFaxHelp/fax.htm"));
    EXPECT_EQ(shown[1].fragment(), QStringLiteral("options"));
}

TEST_F(Help, GotoHelpPage2UsesTheDefaultFolderForAnEmptyKeyword) {
    BundleFixture fixture(info());
    auto bundle = helpBundle(fixture);
    ASSERT_TRUE(bundle);
    PpdFilePtr ppd = openFixture("fax.ppd");
    ASSERT_TRUE(ppd);
    GotoHelpPage2_106(ppd.get(), "", bundle, kHelpFolder, kTransmissionPage);
    GotoHelpPage2_106(nullptr, "VMHelpFolder", bundle, kHelpFolder, kTransmissionPage,
                      QStringLiteral("password"));
    ASSERT_EQ(shown.size(), 2u);
    const QString expected =
        fixture.resourcePath() +
        QStringLiteral("/DirectFaxHelp/VelmoraDirectFaxHelp/set_check_fax_transmission.htm");
    EXPECT_EQ(shown[0].toLocalFile(), expected);
    EXPECT_EQ(shown[1].toLocalFile(), expected);
    EXPECT_EQ(shown[1].fragment(), QStringLiteral("password"));
}

TEST_F(Help, GotoHelpPage2TakesTheFolderFromThePpd) {
    BundleFixture fixture(info());
    fixture.addResource(QStringLiteral("DirectFaxHelp/first/page.htm"));
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    PpdFilePtr ppd = openFixture("fax.ppd");
    ASSERT_TRUE(ppd);
    // "VMHelpFolder" finds "VMHelpFolderAlternate" (value "first"), which comes first.
    GotoHelpPage2_106(ppd.get(), "VMHelpFolder", bundle, kHelpFolder, QStringLiteral("page.htm"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].toLocalFile(),
              fixture.resourcePath() + QStringLiteral("/DirectFaxHelp/first/page.htm"));
}

TEST_F(Help, NothingIsShownWithoutBundleBookOrPage) {
    BundleFixture noBook(info(QVariant()));
    BundleFixture numberBook(info(42));
    BundleFixture book(info());
    auto withBook = helpBundle(book);
    ASSERT_TRUE(withBook);
    GotoHelpPage(nullptr, QStringLiteral("fax.htm"));
    GotoHelpPage(helpBundle(noBook), QStringLiteral("fax.htm"));
    GotoHelpPage(helpBundle(numberBook), QStringLiteral("fax.htm"));
    GotoHelpPage(withBook, QStringLiteral("missing.htm"));
    GotoHelpPage(withBook, QStringLiteral("../../Info.plist"));
    GotoHelpPage2_106(nullptr, "", nullptr, kHelpFolder, kTransmissionPage);
    GotoHelpPage2_106(nullptr, "", withBook, kHelpFolder, QString());
    GotoHelpPage2_106(nullptr, "", helpBundle(noBook), kHelpFolder, kTransmissionPage);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Help, ThePluginsHelpPagesExistAndLinkEachOther) {
    QFile root(kHelpSource + QStringLiteral("/fax.htm"));
    QFile transmission(kHelpSource + QLatin1Char('/') + kHelpFolder + QLatin1Char('/') + kTransmissionPage);
    ASSERT_TRUE(root.open(QIODevice::ReadOnly));
    ASSERT_TRUE(transmission.open(QIODevice::ReadOnly));
    EXPECT_TRUE(root.readAll().contains("href=\"VelmoraDirectFaxHelp/set_check_fax_transmission.htm\""));
    const QByteArray page = transmission.readAll();
    EXPECT_TRUE(page.contains("href=\"../fax.htm\""));
    for (const char* anchor : {"destinations", "address_book", "delayed_send", "password"})
        EXPECT_TRUE(page.contains(QByteArray("id=\"") + anchor + '"')) << anchor;
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
