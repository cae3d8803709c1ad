#include "Bundle.h"
#include "BundleFixture.h"
#include "HelpViewer.h"
#include "PropertyList.h"
#include "UtilityFunctions.h"
#include "UtilityService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtGlobal>
#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {
namespace {

using platform::HelpViewer;
using platform::PlistPtr;

QStringList logged;

void recordMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    logged.append(message);
}

QVariantMap book(const QString& url) {
    return {{QStringLiteral("url"), url}, {QStringLiteral("name"), QStringLiteral("Help")}};
}

// A registration file in a private configuration folder.
class HelpRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        path = config.path() + QStringLiteral("/velmora/help.plist");
        ASSERT_EQ(HelpViewer::registrationFilePath(), path);
        QDir().mkpath(QFileInfo(path).path());
        logged.clear();
        previousHandler = qInstallMessageHandler(recordMessage);
    }
    void TearDown() override {
        qInstallMessageHandler(previousHandler);
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    void write(const QVariantMap& content, bool binary) {
        PlistPtr root = platform::VariantToPropertyList(content);
        ASSERT_TRUE(root);
        writeNode(root.get(), binary);
    }
    void writeNode(void* node, bool binary) { writeBytes(propertyListBytes(node, binary)); }
    void writeBytes(const QByteArray& data) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
    }
    QByteArray bytes() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QVariantMap content() const {
        PlistPtr root = platform::ReadPropertyListFile(path);
        return root ? platform::PropertyListToVariant(root.get()).toMap() : QVariantMap();
    }

    QTemporaryDir config;
    QByteArray savedConfig;
    QString path;
    QtMessageHandler previousHandler = nullptr;
};

const QString kStale =
    QStringLiteral("file:///opt/DirectFax.plugin/Contents/Resources/English.lproj/DirectFaxHelp/");
const QString kFresh = QStringLiteral("file:///opt/DirectFax.plugin/Contents/Resources/DirectFaxHelp/");

QVariantMap registrations(const QString& urlOfOurs) {
    return {{QStringLiteral("RegisteredBooks"),
             QVariantMap{{QStringLiteral("com.velmora.DirectFax"), QVariantList{book(urlOfOurs)}},
                         {QStringLiteral("com.other.Help"), QVariantList{book(kStale)}}}},
            {QStringLiteral("RegistrationOrder"),
             QStringList{QStringLiteral("com.other.Help"), QStringLiteral("com.velmora.DirectFax"),
                         QStringLiteral("com.velmora.DirectFax")}},
            {QStringLiteral("Other"), 7}};
}

TEST_F(HelpRegistration, StaleRegistrationIsRemovedFromBothKeys) {
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "xml");
        write(registrations(kStale), binary);
        UtilityService::removeHelpCacheForBundleID(QStringLiteral("com.velmora.DirectFax"));
        EXPECT_TRUE(bytes().startsWith("<?xml")) << "written back as XML";
        const QVariantMap after = content();
        const QVariantMap books = after.value(QStringLiteral("RegisteredBooks")).toMap();
        EXPECT_FALSE(books.contains(QStringLiteral("com.velmora.DirectFax")));
        EXPECT_TRUE(books.contains(QStringLiteral("com.other.Help")));
        // Only the first matching entry of the order goes.
        EXPECT_EQ(after.value(QStringLiteral("RegistrationOrder")).toStringList(),
                  (QStringList{QStringLiteral("com.other.Help"), QStringLiteral("com.velmora.DirectFax")}));
        EXPECT_EQ(after.value(QStringLiteral("Other")).toInt(), 7);
        EXPECT_TRUE(logged.isEmpty());
    }
}

struct UntouchedCase {
    const char* name;
    QByteArray data;
    const char* identifier;
};

void PrintTo(const UntouchedCase& c, std::ostream* os) {
    *os << c.name;
}

QByteArray xmlOf(const QVariantMap& map) {
    PlistPtr root = platform::VariantToPropertyList(map);
    return platform::PropertyListToXml(root.get()).value();
}

class HelpRegistrationUntouched : public HelpRegistration,
                                  public ::testing::WithParamInterface<UntouchedCase> {};

TEST_P(HelpRegistrationUntouched, LeavesTheFileAlone) {
    const UntouchedCase& c = GetParam();
    writeBytes(c.data);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    UtilityService::removeHelpCacheForBundleID(c.identifier ? QString::fromLatin1(c.identifier) : QString());
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_EQ(bytes(), c.data);
    EXPECT_EQ(after.st_ino, before.st_ino) << "not even rewritten";
}

INSTANTIATE_TEST_SUITE_P(
    Files, HelpRegistrationUntouched,
    ::testing::Values(
        UntouchedCase{"url_without_lproj", xmlOf(registrations(kFresh)), "com.velmora.DirectFax"},
        UntouchedCase{"other_identifier", xmlOf(registrations(kStale)), "com.velmora.Other"},
        UntouchedCase{"case_differs", xmlOf(registrations(kStale)), "com.velmora.directfax"},
        UntouchedCase{"null_identifier", xmlOf(registrations(kStale)), nullptr},
        UntouchedCase{"not_a_property_list", QByteArray("<html>no plist</html>"), "com.velmora.DirectFax"},
        UntouchedCase{"empty_file", QByteArray(), "com.velmora.DirectFax"},
        UntouchedCase{"root_is_an_array", xmlOf({}).replace("<dict/>", "<array/>"), "com.velmora.DirectFax"},
        UntouchedCase{"no_registered_books", xmlOf({{QStringLiteral("RegistrationOrder"), QStringList{}}}),
                      "com.velmora.DirectFax"},
        // Nested far deeper than libplist's recursion survives.
        UntouchedCase{"nested_xml", nestedXmlPropertyList(60000), "com.velmora.DirectFax"},
        UntouchedCase{"nested_binary", nestedBinaryPropertyList(150000), "com.velmora.DirectFax"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LimitCase {
    const char* name;
    QByteArray data;
    bool read;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

class PropertyListLimits : public HelpRegistration, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(PropertyListLimits, DeepOrExplodingListsAreRefusedWithALogLine) {
    const LimitCase& c = GetParam();
    writeBytes(c.data);
    EXPECT_EQ(platform::ReadPropertyListFile(path) != nullptr, c.read);
    if (c.read) {
        EXPECT_TRUE(logged.isEmpty()) << logged.join(u'\n').toStdString();
    } else {
        ASSERT_EQ(logged.size(), 1);
        EXPECT_TRUE(logged.first().contains(path)) << logged.first().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PropertyListLimits,
    ::testing::Values(LimitCase{"xml_64_levels", nestedXmlPropertyList(64), true},
                      LimitCase{"xml_65_levels", nestedXmlPropertyList(65), false},
                      LimitCase{"binary_64_levels", nestedBinaryPropertyList(64), true},
                      LimitCase{"binary_65_levels", nestedBinaryPropertyList(65), false},
                      // Shallow, but 2^40 nodes once every shared array is copied out.
                      LimitCase{"binary_shared_arrays", nestedBinaryPropertyList(40, 2), false},
                      LimitCase{"binary_cycle", nestedBinaryPropertyList(3, 1, true), false},
                      // libplist stops the process on a string with a zero character, in either form.
                      LimitCase{"binary_zero_in_string",
                                [] {
                                    QByteArray data = nestedBinaryPropertyList(1);
                                    data[data.indexOf("\x51x") + 1] = '\0';
                                    return data;
                                }(),
                                false},
                      LimitCase{"xml_zero_in_string",
                                [] {
                                    QByteArray data = nestedXmlPropertyList(1);
                                    data[data.indexOf("<string>x") + 8] = '\0';
                                    return data;
                                }(),
                                false},
                      LimitCase{"xml_entities",
                                "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaa\">]>"
                                "<plist version=\"1.0\"><string>&a;</string></plist>",
                                false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HelpRegistration, MissingFileIsNotCreated) {
    UtilityService::removeHelpCacheForBundleID(QStringLiteral("com.velmora.DirectFax"));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(HelpRegistration, RegistrationWithoutUrlIsRemoved) {
    QVariantMap map = registrations(kFresh);
    QVariantMap books = map.value(QStringLiteral("RegisteredBooks")).toMap();
    books.insert(QStringLiteral("com.velmora.DirectFax"),
                 QVariantList{QVariantMap{{QStringLiteral("name"), 1}}});
    map.insert(QStringLiteral("RegisteredBooks"), books);
    write(map, false);
    UtilityService::removeHelpCacheForBundleID(QStringLiteral("com.velmora.DirectFax"));
    EXPECT_FALSE(content()
                     .value(QStringLiteral("RegisteredBooks"))
                     .toMap()
                     .contains(QStringLiteral("com.velmora.DirectFax")));
}

TEST_F(HelpRegistration, FileIsReplacedNotOverwritten) {
    write(registrations(kStale), false);
    const QByteArray original = bytes();
    const QString link = path + QStringLiteral(".old");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    UtilityService::removeHelpCacheForBundleID(QStringLiteral("com.velmora.DirectFax"));
    // A rename puts a new file in place; the old one, still reachable by the link, is intact.
    QFile old(link);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), original);
    EXPECT_NE(bytes(), original);
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 2) << "no temporary file left";
}

TEST_F(HelpRegistration, IllegalPropertyListIsLoggedAndStillWritten) {
    PlistPtr root = platform::VariantToPropertyList(registrations(kStale));
    plist_dict_set_item(root.get(), "Archived", plist_new_uid(3)); // no XML form of its own
    writeNode(root.get(), true);
    UtilityService::removeHelpCacheForBundleID(QStringLiteral("com.velmora.DirectFax"));
    EXPECT_EQ(logged, QStringList{QStringLiteral("Illegal Property List.")});
    EXPECT_TRUE(bytes().startsWith("<?xml"));
    EXPECT_FALSE(content()
                     .value(QStringLiteral("RegisteredBooks"))
                     .toMap()
                     .contains(QStringLiteral("com.velmora.DirectFax")));
}

TEST_F(HelpRegistration, RegisterHelpBookAddsThenRefreshes) {
    BundleFixture fixture({{QStringLiteral("CFBundleIdentifier"), uniqueBundleIdentifier()},
                           {QStringLiteral("CFBundleHelpBookName"), QStringLiteral("DirectFaxHelp")}});
    fixture.addResource(QStringLiteral("DirectFaxHelp/fax.htm"));
    auto bundle = platform::Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    const QString id = bundle->bundleIdentifier();
    const QString url =
        QUrl::fromLocalFile(fixture.resourcePath() + QStringLiteral("/DirectFaxHelp")).toString();

    // A stale registration of the bundle, and one of another bundle to keep.
    QVariantMap stale{
        {QStringLiteral("RegisteredBooks"),
         QVariantMap{{id, QVariantList{book(kStale)}},
                     {QStringLiteral("com.other.Help"), QVariantList{book(kFresh)}}}},
        {QStringLiteral("RegistrationOrder"), QStringList{id, QStringLiteral("com.other.Help")}}};
    write(stale, true);
    RegisterHelpBook(bundle);
    QVariantMap after = content();
    QVariantMap books = after.value(QStringLiteral("RegisteredBooks")).toMap();
    EXPECT_EQ(books.value(id).toList().value(0).toMap().value(QStringLiteral("url")).toString(), url);
    EXPECT_TRUE(books.contains(QStringLiteral("com.other.Help")));
    EXPECT_EQ(after.value(QStringLiteral("RegistrationOrder")).toStringList(),
              (QStringList{id, QStringLiteral("com.other.Help")}));

    // Registering again changes nothing.
    const QByteArray once = bytes();
    RegisterHelpBook(bundle);
    EXPECT_EQ(bytes(), once);

    // The repair leaves a registration that points at the unlocalized book alone.
    UtilityService::removeHelpCacheForBundleID(id);
    EXPECT_EQ(bytes(), once);
}

TEST_F(HelpRegistration, RegisterHelpBookCreatesTheFile) {
    QDir(QFileInfo(path).path()).removeRecursively();
    BundleFixture fixture({{QStringLiteral("CFBundleIdentifier"), uniqueBundleIdentifier()},
                           {QStringLiteral("CFBundleHelpBookName"), QStringLiteral("DirectFaxHelp")}});
    fixture.addResource(QStringLiteral("DirectFaxHelp/fax.htm"));
    auto bundle = platform::Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    RegisterHelpBook(bundle);
    const QVariantMap after = content();
    EXPECT_EQ(after.value(QStringLiteral("RegistrationOrder")).toStringList(),
              QStringList{bundle->bundleIdentifier()});
    EXPECT_TRUE(bytes().startsWith("<?xml"));
}

TEST_F(HelpRegistration, RegisterHelpBookLeavesAnUnreadableFileAlone) {
    BundleFixture fixture({{QStringLiteral("CFBundleIdentifier"), uniqueBundleIdentifier()},
                           {QStringLiteral("CFBundleHelpBookName"), QStringLiteral("DirectFaxHelp")}});
    fixture.addResource(QStringLiteral("DirectFaxHelp/fax.htm"));
    auto bundle = platform::Bundle::open(fixture.path());
    ASSERT_TRUE(bundle);
    // Nested far deeper than libplist's recursion survives, too.
    for (const QByteArray& unreadable : {nestedXmlPropertyList(60000), QByteArray("garbage")}) {
        writeBytes(unreadable);
        RegisterHelpBook(bundle);
        EXPECT_EQ(bytes(), unreadable);
    }
    // No book, no registration.
    RegisterHelpBook(nullptr);
    EXPECT_EQ(bytes(), QByteArray("garbage"));
}

TEST_F(HelpRegistration, ConfigFolderFallsBackToHome) {
    qputenv("XDG_CONFIG_HOME", "relative/path");
    EXPECT_TRUE(HelpViewer::registrationFilePath().endsWith(QStringLiteral("/.config/velmora/help.plist")));
    EXPECT_FALSE(HelpViewer::registrationFilePath().contains(QStringLiteral("relative")));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(HelpViewer::registrationFilePath().endsWith(QStringLiteral("/.config/velmora/help.plist")));
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
