#include "Bundle.h"
#include "BundleFixture.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTimeZone>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {
namespace {

using platform::Bundle;

QVariantMap basicInfo(const QString& identifier) {
    return {{QStringLiteral("CFBundleIdentifier"), identifier},
            {QStringLiteral("CFBundleExecutable"), QStringLiteral("DirectFax")},
            {QStringLiteral("CFBundleHelpBookName"), QStringLiteral("DirectFaxHelp")}};
}

// Sets the default locale for one test and puts the old one back.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) : old_(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(old_); }

private:
    QLocale old_;
};

TEST(Bundle, ReadsEveryInfoPlistType) {
    const QString id = uniqueBundleIdentifier();
    QVariantMap info = basicInfo(id);
    info.insert(QStringLiteral("VMPPDKeysSupported"),
                QVariantList{QStringLiteral("VMFaxImageQuality"), QStringLiteral("VMFaxSenderMode")});
    info.insert(QStringLiteral("Count"), 42);
    info.insert(QStringLiteral("Negative"), -7);
    info.insert(QStringLiteral("Ratio"), 0.5);
    info.insert(QStringLiteral("Enabled"), true);
    info.insert(QStringLiteral("Disabled"), false);
    info.insert(QStringLiteral("Nested"), QVariantMap{{QStringLiteral("Name"), QStringLiteral("F\u00e4x")}});
    info.insert(QStringLiteral("Blob"), QByteArray("\x01\x02", 2));
    const QDateTime when(QDate(2024, 5, 6), QTime(7, 8, 9), QTimeZone::utc());
    info.insert(QStringLiteral("When"), when);

    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "xml");
        if (binary)
            info.insert(QStringLiteral("CFBundleIdentifier"), uniqueBundleIdentifier());
        BundleFixture fixture(info, binary);
        auto bundle = Bundle::open(fixture.path());
        ASSERT_TRUE(bundle);
        EXPECT_EQ(bundle->infoDictionary(), info) << "round trip through libplist";
        const QVariant keys = bundle->objectForInfoDictionaryKey(QStringLiteral("VMPPDKeysSupported"));
        EXPECT_EQ(keys.typeId(), QMetaType::QVariantList);
        EXPECT_EQ(keys.toList().size(), 2);
        EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("Count")).toLongLong(), 42);
        EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("Negative")).toLongLong(), -7);
        EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("Enabled")).typeId(), QMetaType::Bool);
        EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("Ratio")).toDouble(), 0.5);
        EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("Nested"))
                      .toMap()
                      .value(QStringLiteral("Name")),
                  QStringLiteral("F\u00e4x"));
        EXPECT_EQ(bundle->objectForInfoDictionaryKey(QStringLiteral("When")).toDateTime(), when);
        EXPECT_FALSE(bundle->objectForInfoDictionaryKey(QStringLiteral("Absent")).isValid());
    }
}

TEST(Bundle, PathsFollowTheLayout) {
    const QString id = uniqueBundleIdentifier();
    BundleFixture fixture(basicInfo(id));
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundlePath(), fixture.path());
    EXPECT_EQ(bundle->resourcePath(), fixture.path() + QStringLiteral("/Contents/Resources"));
    EXPECT_EQ(bundle->executablePath(), fixture.path() + QStringLiteral("/Contents/Linux/DirectFax.so"));
    EXPECT_EQ(bundle->bundleIdentifier(), id);
}

TEST(Bundle, OpenFailsWithoutReadableInfoPlist) {
    QTemporaryDir dir;
    EXPECT_FALSE(Bundle::open(dir.path() + QStringLiteral("/Missing.plugin")));
    QDir().mkpath(dir.path() + QStringLiteral("/Broken.plugin/Contents"));
    QFile file(dir.path() + QStringLiteral("/Broken.plugin/Contents/Info.plist"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no property list");
    file.close();
    EXPECT_FALSE(Bundle::open(dir.path() + QStringLiteral("/Broken.plugin")));
    // A property list whose root is no dictionary is no information dictionary either.
    BundleFixture arrayRoot({});
    QFile info(arrayRoot.path() + QStringLiteral("/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>a</string></array></plist>");
    info.close();
    EXPECT_FALSE(Bundle::open(arrayRoot.path()));
    // Nested deeper than the reader takes.
    for (const QByteArray& deep : {nestedXmlPropertyList(50000), nestedBinaryPropertyList(50000)}) {
        ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
        info.write(deep);
        info.close();
        EXPECT_FALSE(Bundle::open(arrayRoot.path()));
    }
}

TEST(Bundle, RegistryFindsTheFirstBundleOfAnIdentifier) {
    const QString id = uniqueBundleIdentifier();
    EXPECT_FALSE(Bundle::bundleWithIdentifier(id));
    BundleFixture first(basicInfo(id));
    BundleFixture second(basicInfo(id));
    auto opened = Bundle::open(first.path());
    ASSERT_TRUE(opened);
    EXPECT_EQ(Bundle::bundleWithIdentifier(id), opened);
    EXPECT_EQ(Bundle::open(second.path()), opened);
    EXPECT_EQ(Bundle::bundleWithIdentifier(id)->bundlePath(), first.path());
}

TEST(Bundle, ConcurrentOpensAgreeOnOneBundle) {
    const QString id = uniqueBundleIdentifier();
    BundleFixture fixture(basicInfo(id));
    std::vector<std::shared_ptr<Bundle>> results(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = Bundle::open(fixture.path()); });
    for (auto& t : threads)
        t.join();
    for (const auto& bundle : results)
        EXPECT_EQ(bundle, Bundle::bundleWithIdentifier(id));
}

TEST(Bundle, BundleWithoutIdentifierIsNotRegistered) {
    BundleFixture fixture({{QStringLiteral("CFBundleExecutable"), QStringLiteral("X")}});
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    EXPECT_FALSE(Bundle::bundleWithIdentifier(QString()));
}

TEST(Bundle, PathForResource) {
    BundleFixture fixture(basicInfo(uniqueBundleIdentifier()));
    fixture.addResource(QStringLiteral("MainPanel.ui"));
    fixture.addResource(QStringLiteral("DirectFaxHelp/VelmoraDirectFaxHelp/set_check_fax_transmission.htm"));
    fixture.addResource(QStringLiteral("README"));
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    const QString res = fixture.resourcePath();
    EXPECT_EQ(bundle->pathForResource(QStringLiteral("MainPanel"), QStringLiteral("ui")),
              res + QStringLiteral("/MainPanel.ui"));
    EXPECT_EQ(bundle->pathForResource(QStringLiteral("MainPanel"), QStringLiteral(".ui")),
              res + QStringLiteral("/MainPanel.ui"));
    EXPECT_EQ(bundle->pathForResource(QStringLiteral("README"), QString()), res + QStringLiteral("/README"));
    EXPECT_EQ(bundle->pathForResource(QStringLiteral("set_check_fax_transmission"), QStringLiteral("htm"),
                                      QStringLiteral("DirectFaxHelp/VelmoraDirectFaxHelp")),
              res + QStringLiteral("/DirectFaxHelp/VelmoraDirectFaxHelp/set_check_fax_transmission.htm"));
    EXPECT_EQ(bundle->pathForResource(QStringLiteral("DirectFaxHelp"), QString()),
              res + QStringLiteral("/DirectFaxHelp"));
    EXPECT_TRUE(bundle->pathForResource(QStringLiteral("FaxSetting"), QStringLiteral("ui")).isEmpty());
    EXPECT_TRUE(
        bundle->pathForResource(QStringLiteral("MainPanel"), QStringLiteral("ui"), QStringLiteral("x"))
            .isEmpty());
    EXPECT_TRUE(bundle->pathForResource(QStringLiteral("Info"), QStringLiteral("plist"), QStringLiteral(".."))
                    .isEmpty());
}

struct LookupCase {
    const char* locale;
    const char* key;
    const char* value;
    const char* table;
    const char* expected;
};

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.locale << "/" << c.table << "/" << c.key;
}

class LocalizedLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LocalizedLookup, UsesTableAsContextAndFallsBack) {
    const LookupCase& c = GetParam();
    LocaleScope scope{QLocale(QString::fromLatin1(c.locale))};
    BundleFixture fixture(basicInfo(uniqueBundleIdentifier()));
    fixture.addTranslations();
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->localizedStringForKey(QString::fromUtf8(c.key), QString::fromUtf8(c.value),
                                            QString::fromUtf8(c.table)),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, LocalizedLookup,
    ::testing::Values(LookupCase{"de_DE", "Fax Settings", "", "", "Faxeinstellungen"},
                      LookupCase{"de_DE", "Fax Settings", "", "Localizable", "Faxeinstellungen"},
                      LookupCase{"de_DE", "Fax Settings", "", "Localizable2", "Fax-Optionen"},
                      LookupCase{"de_DE", "Cancel", "", "Localizable2", "Cancel"},
                      LookupCase{"de_DE", "Not translated", "", "", "Not translated"},
                      LookupCase{"de_DE", "Not translated", "Fallback", "", "Fallback"},
                      LookupCase{"de_DE", "Fax Settings", "", "NoSuchTable", "Fax Settings"},
                      LookupCase{"en_US", "DFAX_LONG_HELP", "", "", "Sends the document as a fax."},
                      LookupCase{"en_US", "Cancel", "", "", "Cancel"},
                      // No translation for the language at all: the key shows as itself.
                      LookupCase{"ja_JP", "Fax Settings", "", "", "Fax Settings"},
                      LookupCase{"ja_JP", "Fax Settings", "Value", "", "Value"}));

TEST(Bundle, LanguageWithoutTranslationReadsTheDevelopmentLanguageFile) {
    for (const char* locale : {"C", "ja_JP"}) {
        LocaleScope scope{QLocale(QString::fromLatin1(locale))};
        BundleFixture fixture(basicInfo(uniqueBundleIdentifier()));
        fixture.addTranslations();
        ASSERT_TRUE(QFile::copy(fixture.resourcePath() + QStringLiteral("/strings_en.qm"),
                                fixture.resourcePath() + QStringLiteral("/strings.qm")));
        auto bundle = Bundle::open(fixture.path());
        ASSERT_TRUE(bundle);
        EXPECT_EQ(bundle->localizedStringForKey(QStringLiteral("DFAX_LONG_HELP"), QString(), QString()),
                  QStringLiteral("Sends the document as a fax."))
            << locale;
    }
}

TEST(Bundle, LookupWithoutTranslationsGivesTheKey) {
    BundleFixture fixture(basicInfo(uniqueBundleIdentifier()));
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->localizedStringForKey(QStringLiteral("OK"), QString(), QString()),
              QStringLiteral("OK"));
}

TEST(Bundle, TranslationsAreLoadedOnceForTheBundle) {
    LocaleScope scope{QLocale(QStringLiteral("de_DE"))};
    BundleFixture fixture(basicInfo(uniqueBundleIdentifier()));
    fixture.addTranslations();
    auto bundle = Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->localizedStringForKey(QStringLiteral("Cancel"), QString(), QString()),
              QStringLiteral("Abbrechen"));
    // Later lookups keep the language of the first one, like the bundle's loaded tables.
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    std::vector<std::thread> threads;
    std::atomic<int> matches{0};
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            if (bundle->localizedStringForKey(QStringLiteral("Cancel"), QString(), QString()) ==
                QStringLiteral("Abbrechen"))
                ++matches;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(matches.load(), 4);
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
