// The fax job record: keys, value texts and order, and where a failed store ends it.
#include <FaxJobRecord.h>
#include <Utils.h>

#include <QLocale>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace pf = com::velmora::cps::print::pde::tarncrest::directfax::platform;

using Entries = QList<std::pair<QString, QString>>;

QString key(const char* baseName) {
    return QStringLiteral("com.velmora.cps.print.printsettings.") + QLatin1String(baseName);
}

QDateTime today(int hour, int minute) {
    return QDateTime(QDate::currentDate(), QTime(hour, minute));
}

// Every store in order; the store numbered `failAt` (from 0) fails.
Entries write(const df::FaxJobRecord& record, int failAt = -1) {
    Entries stored;
    df::WriteFaxJobRecord(record, [&](const QString& k, const QString& value) {
        stored.append({k, value});
        return stored.size() - 1 == failAt ? pf::kPMInvalidParameter : pf::noErr;
    });
    return stored;
}

TEST(FaxJobRecordTest, KeysValuesAndOrder) {
    // A user who prefers the 12-hour clock still gets the 24-hour time.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    df::FaxJobRecord evening;
    evening.password = QStringLiteral("");
    evening.delayedTime = today(21, 5);
    EXPECT_EQ(write(evening), Entries({{key("DFaxPassword"), ""},
                                       {key("DFaxDelayedPrint"), "0"},
                                       {key("DFaxDelayedTime"), "21:05"}}));

    df::FaxJobRecord morning;
    morning.delayedPrint = 1;
    morning.delayedTime = today(7, 0);
    morning.destinations = {{"Zed", "1"}, {"", "555-0100"}, {"Ann", "#*-:=9"}};
    EXPECT_EQ(write(morning), Entries({{key("DFaxPassword"), ""},
                                       {key("DFaxDelayedPrint"), "1"},
                                       {key("DFaxDelayedTime"), "07:00"},
                                       {key("DFaxDestinationNumber"), "3"},
                                       {key("DFaxDestinationName1"), "Zed"},
                                       {key("DFaxDestinationPhoneNumber1"), "1"},
                                       {key("DFaxDestinationName2"), ""},
                                       {key("DFaxDestinationPhoneNumber2"), "555-0100"},
                                       {key("DFaxDestinationName3"), "Ann"},
                                       {key("DFaxDestinationPhoneNumber3"), "#*-:=9"}}));

    // Numbers of two digits, without leading zeros.
    df::FaxJobRecord many;
    many.delayedTime = today(0, 0);
    for (int i = 1; i <= 12; ++i)
        many.destinations.append({QString::number(i), QString::number(100 + i)});
    const Entries stored = write(many);
    ASSERT_EQ(stored.size(), 3 + 1 + 2 * 12);
    EXPECT_EQ(stored[3], std::pair(key("DFaxDestinationNumber"), QStringLiteral("12")));
    EXPECT_EQ(stored.last(), std::pair(key("DFaxDestinationPhoneNumber12"), QStringLiteral("112")));
    QLocale::setDefault(saved);
}

TEST(FaxJobRecordTest, PasswordIsStoredScrambledInThePpdsEncoding) {
    df::FaxJobRecord record;
    record.password = QStringLiteral("0815");
    record.passwordEncoding = pf::kCFStringEncodingISOLatin1;
    record.delayedTime = today(12, 0);
    const Entries stored = write(record);
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(stored[0].first, key("DFaxPassword"));
    EXPECT_NE(stored[0].second, QStringLiteral("0815"));
    EXPECT_EQ(df::CreateDecryptedString(stored[0].second, pf::kCFStringEncodingISOLatin1),
              QStringLiteral("0815"));
}

TEST(FaxJobRecordTest, FailedStoreOfTheFirstThreeEndsTheRecordLaterFailuresDoNot) {
    df::FaxJobRecord record;
    record.delayedTime = today(9, 30);
    record.destinations = {{"a", "1"}, {"b", "2"}};
    for (int failAt = 0; failAt < 3; ++failAt)
        EXPECT_EQ(write(record, failAt).size(), failAt + 1) << failAt;
    // The count and the destinations are written whatever their stores answer.
    for (int failAt = 3; failAt < 8; ++failAt)
        EXPECT_EQ(write(record, failAt).size(), 8) << failAt;
}

} // namespace
