#include "SystemInfo.h"
#include "UtilityFunctions.h"
#include "UtilityService.h"

#include <QByteArray>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {
namespace {

using platform::SystemInfo;

// Puts the system's own sources and empty caches back after every test.
class SystemHelpers : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        SystemInfo::setKernelReleaseSource({});
        SystemInfo::setHomeDirectorySource({});
        resetOSMinorVersionForTesting();
        UtilityService::resetSandboxedForTesting();
    }
};

struct ReleaseCase {
    const char* release; // null: the release cannot be read
    int expected;
};

void PrintTo(const ReleaseCase& c, std::ostream* os) {
    *os << (c.release ? c.release : "(unreadable)");
}

class KernelRelease : public SystemHelpers, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(KernelRelease, MapsTheMajorVersion) {
    const ReleaseCase c = GetParam();
    SystemInfo::setKernelReleaseSource([c]() -> std::optional<QString> {
        if (!c.release)
            return std::nullopt;
        return QString::fromLatin1(c.release);
    });
    EXPECT_EQ(getOSMinorVersion(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, KernelRelease,
    ::testing::Values(ReleaseCase{"10.8.0", 6}, ReleaseCase{"11.4.2", 7}, ReleaseCase{"6.1.0-18-amd64", 2},
                      // Longer than the 16 bytes a release used to have.
                      ReleaseCase{"5.15.0-1051-azure-fips", 1}, ReleaseCase{"4", 0}, ReleaseCase{"abc", -1},
                      ReleaseCase{"", -1}, ReleaseCase{"0.9", -1}, ReleaseCase{"-10.8", -1},
                      ReleaseCase{"99999999999999999999", -1}, ReleaseCase{nullptr, -1}));

TEST_F(SystemHelpers, VersionIsRetriedUntilReadThenKept) {
    std::atomic<int> reads{0};
    SystemInfo::setKernelReleaseSource([&reads]() -> std::optional<QString> {
        const int n = ++reads;
        if (n == 1)
            return QStringLiteral("abc");
        if (n == 2)
            return std::nullopt;
        return n == 3 ? QStringLiteral("10.8.0") : QStringLiteral("11.0.0");
    });
    EXPECT_EQ(getOSMinorVersion(), -1);
    EXPECT_EQ(getOSMinorVersion(), -1);
    EXPECT_EQ(getOSMinorVersion(), 6);
    EXPECT_EQ(getOSMinorVersion(), 6);
    EXPECT_EQ(reads.load(), 3);
}

TEST_F(SystemHelpers, VersionFromManyThreadsAgrees) {
    SystemInfo::setKernelReleaseSource([] { return std::optional<QString>(QStringLiteral("12.0.0")); });
    std::vector<std::thread> threads;
    std::atomic<int> agreed{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            if (getOSMinorVersion() == 8)
                ++agreed;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(agreed.load(), 8);
}

TEST_F(SystemHelpers, RealKernelReleaseIsReadable) {
    const std::optional<QString> release = SystemInfo::kernelRelease();
    ASSERT_TRUE(release);
    EXPECT_FALSE(release->isEmpty());
    EXPECT_GE(getOSMinorVersion(), 0);
}

struct HomeCase {
    const char* home; // null: no home directory
    int expected;
};

void PrintTo(const HomeCase& c, std::ostream* os) {
    *os << (c.home ? c.home : "(none)");
}

class Sandbox : public SystemHelpers, public ::testing::WithParamInterface<HomeCase> {};

TEST_P(Sandbox, LooksForContainersInTheHomePath) {
    const HomeCase c = GetParam();
    std::atomic<int> asked{0};
    SystemInfo::setHomeDirectorySource([c, &asked]() -> std::optional<QString> {
        ++asked;
        if (!c.home)
            return std::nullopt;
        return QString::fromUtf8(c.home);
    });
    EXPECT_EQ(UtilityService::isSandboxed(), c.expected);
    EXPECT_EQ(UtilityService::isSandboxed(), c.expected);
    EXPECT_EQ(asked.load(), 1) << "the answer is kept";
}

INSTANTIATE_TEST_SUITE_P(Homes, Sandbox,
                         ::testing::Values(HomeCase{"/home/ann/Library/Containers/com.velmora.app/Data", 1},
                                           HomeCase{"/Containers", 1}, HomeCase{"/home/ann/MyContainersX", 1},
                                           HomeCase{"/home/ann/containers", 0}, HomeCase{"/home/ann", 0},
                                           HomeCase{"", 0}, HomeCase{nullptr, 0}));

TEST_F(SystemHelpers, SandboxAnswerNeverChangesAfterwards) {
    QString home = QStringLiteral("/home/ann");
    SystemInfo::setHomeDirectorySource([&home] { return std::optional<QString>(home); });
    EXPECT_EQ(UtilityService::isSandboxed(), 0);
    home = QStringLiteral("/home/ann/Library/Containers/x");
    EXPECT_EQ(UtilityService::isSandboxed(), 0);
}

TEST_F(SystemHelpers, HomeDirectoryFromEnvironmentElsePasswordDatabase) {
    const bool wasSet = qEnvironmentVariableIsSet("HOME");
    const QByteArray saved = qgetenv("HOME");
    qputenv("HOME", "/tmp/some home");
    EXPECT_EQ(SystemInfo::homeDirectory(), QStringLiteral("/tmp/some home"));
    qputenv("HOME", "");
    const std::optional<QString> fromDatabase = SystemInfo::homeDirectory();
    qunsetenv("HOME");
    EXPECT_EQ(SystemInfo::homeDirectory(), fromDatabase);
    if (wasSet)
        qputenv("HOME", saved);
    ASSERT_TRUE(fromDatabase);
    EXPECT_TRUE(fromDatabase->startsWith(QLatin1Char('/')));
}

// A UTF-16LE field of `bytes` bytes holding `text`, the rest zero.
QByteArray field(const std::u16string& text, int bytes, bool terminate = true) {
    QByteArray data(bytes, '\0');
    for (size_t i = 0; i < text.size() && 2 * i + 1 < static_cast<size_t>(bytes); ++i) {
        data[2 * i] = static_cast<char>(text[i] & 0xFF);
        data[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    if (!terminate)
        for (int i = 2 * static_cast<int>(text.size()); i < bytes; ++i)
            data[i] = 'z';
    return data;
}

struct Utf16Case {
    const char* name;
    QByteArray data;
    int32_t length;
    int expectedLength;
    std::optional<QString> expectedText;
};

void PrintTo(const Utf16Case& c, std::ostream* os) {
    *os << c.name;
}

class Utf16Field : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16Field, LengthAndText) {
    const Utf16Case& c = GetParam();
    EXPECT_EQ(unicharLength(c.data.constData(), c.length), c.expectedLength);
    EXPECT_EQ(UtilityService::stringFromUnicodeBuf(c.data.constData(), c.length), c.expectedText);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Utf16Field,
    ::testing::Values(
        Utf16Case{"three_letters", field(u"Ann", 66), 66, 3, QStringLiteral("Ann")},
        Utf16Case{"empty", field(u"", 66), 66, 0, std::nullopt},
        Utf16Case{"no_zero_unit", field(std::u16string(33, u'A'), 66, false), 66, -1, std::nullopt},
        Utf16Case{"full_but_last", field(std::u16string(32, u'A'), 66), 66, 32,
                  QString(32, QLatin1Char('A'))},
        // An odd size ignores its last byte: 5 bytes are two units.
        Utf16Case{"odd_size_ignores_last_byte", field(u"AB", 6), 5, -1, std::nullopt},
        Utf16Case{"odd_size_sees_two_units", field(u"A", 6), 5, 1, QStringLiteral("A")},
        Utf16Case{"one_byte", field(u"", 2), 1, -1, std::nullopt},
        Utf16Case{"zero_size", field(u"A", 4), 0, -1, std::nullopt},
        Utf16Case{"negative_size", field(u"A", 4), -2, -1, std::nullopt},
        Utf16Case{"non_latin", field(u"M\u00fcller \u5c71\u7530", 66), 66, 9,
                  QStringLiteral("M\u00fcller \u5c71\u7530")},
        Utf16Case{"surrogate_pair", field(u"\U0001F4E0 Fax", 20), 20, 6, QStringLiteral("\U0001F4E0 Fax")},
        // A unit with a zero high byte is no terminator.
        Utf16Case{"zero_high_byte", field(u"\u0100\u0001", 8), 8, 2, QString::fromUtf16(u"\u0100\u0001")},
        // Units with high or low bits alone, four at a time and one after, are no terminators.
        Utf16Case{"lone_bits", field(u"\u8000\u0100\uffff\u0001\u8080", 14), 14, 5,
                  QString::fromUtf16(u"\u8000\u0100\uffff\u0001\u8080")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf16Field, NullBuffer) {
    EXPECT_EQ(unicharLength(nullptr, 66), -1);
    EXPECT_EQ(UtilityService::stringFromUnicodeBuf(nullptr, 66), std::nullopt);
}

TEST(Utf16Field, UnalignedBuffer) {
    QByteArray data = QByteArray(1, 'x') + field(u"Bob", 66);
    EXPECT_EQ(unicharLength(data.constData() + 1, 66), 3);
    EXPECT_EQ(UtilityService::stringFromUnicodeBuf(data.constData() + 1, 66), QStringLiteral("Bob"));
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
