// After Print the host follows the fax job and tells how it went: a notification to the desktop's
// notification service (here a stand-in on a session bus of the test's own) and one line.
#include "FaxOutcome.h"
#include "CupsSubmitter.h"
#include "DemoPrinterTest.h"
#include "DesktopNotification.h"
#include "HostDocument.h"
#include "PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QVariantMap>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace demo_printer_test;

// The desktop's notification service, as the session bus sees it: it keeps what it was asked to
// show.
class StandInNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString application, icon, summary, body;
        int urgency = -1;
    };
    QList<Shown> shown;

public slots:
    uint Notify(const QString& application, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        shown.append({application, icon, summary, body, hints.value("urgency", -1).toInt()});
        return uint(shown.size());
    }
};

namespace {

class FaxOutcomeTest : public DemoPrinterTest {
protected:
    static void SetUpTestSuite() {
        bus = new PrivateSessionBus; // before anything opens the session bus
        DemoPrinterTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        delete bus;
        bus = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(bus->isRunning()) << "no private session bus (dbus-daemon)";
        DemoPrinterTest::SetUp();
        service = QDBusConnection::connectToBus(bus->address, "notification-service");
        ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &notifications,
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
    }
    void TearDown() override {
        service.unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus("notification-service");
        DemoPrinterTest::TearDown();
    }

    // Prints the built-in text with a fax record to two destinations, delayed to `time`.
    int print(const QString& time) {
        Record record = recordTo("0301");
        record["DFaxDelayedPrint"] = "1";
        record["DFaxDelayedTime"] = time;
        record["DFaxDestinationNumber"] = "2";
        record["DFaxDestinationName2"] = "Bo";
        record["DFaxDestinationPhoneNumber2"] = "0302";
        QString error;
        const int job = submitRecord(printer.queue(), record, &error);
        EXPECT_GT(job, 0) << error.toStdString();
        return job;
    }

    static inline PrivateSessionBus* bus = nullptr;
    QDBusConnection service{QString()};
    StandInNotifications notifications;
};

} // namespace

// A fax sent as one job per destination is told once, as its worst job went.
TEST(FaxOutcomeOfJobs, TheWorstJobTellsTheFax) {
    const FaxOutcome handed{FaxOutcome::Handed, {}};
    const FaxOutcome waiting{FaxOutcome::StillWaiting, {}};
    const FaxOutcome refused{FaxOutcome::NotSent, QStringLiteral("busy line")};
    const struct {
        QList<FaxOutcome> jobs;
        FaxOutcome::Kind kind;
        QString reason;
    } cases[] = {
        {{handed, handed, handed}, FaxOutcome::Handed, {}},
        {{handed, waiting, handed}, FaxOutcome::StillWaiting, {}},
        {{waiting, refused, handed}, FaxOutcome::NotSent, QStringLiteral("busy line")},
        {{}, FaxOutcome::StillWaiting, {}},
    };
    for (const auto& c : cases) {
        const FaxOutcome outcome = combinedOutcome(c.jobs);
        EXPECT_EQ(outcome.kind, c.kind) << c.jobs.size();
        EXPECT_EQ(outcome.reason, c.reason);
    }
    EXPECT_EQ(combinedOutcome({handed, handed, handed}).summary(3),
              QStringLiteral("Fax to 3 destinations handed to the printer"));
}

TEST_F(FaxOutcomeTest, TheUserLearnsWhetherTheFaxReachedThePrinter) {
    struct Row {
        const char* time;
        FaxOutcome::Kind kind;
        const char* line;
        int urgency;
    };
    const Row rows[] = {
        {"21:05", FaxOutcome::Handed, "Fax to 2 destinations handed to the printer", 1},
        {"24:00", FaxOutcome::NotSent,
         "The fax was not sent: The delayed-send time \"24:00\" of the fax job is not a time of day (HH:mm).",
         2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        const FaxOutcome outcome = followFaxJob(print(row.time), kJobWait);
        EXPECT_EQ(outcome.kind, row.kind);
        EXPECT_EQ(outcome.line(2), row.line);
        notifications.shown.clear();
        tellFaxOutcome(outcome, 2);
        ASSERT_EQ(notifications.shown.size(), 1);
        const auto& shown = notifications.shown.first();
        EXPECT_EQ(shown.summary + (shown.body.isEmpty() ? "" : ": " + shown.body), row.line);
        EXPECT_EQ(shown.urgency, row.urgency);
        EXPECT_EQ(shown.application, QGuiApplication::applicationDisplayName());
    }
    JobTicket ticket;
    ticket.jobOptions = {{kPrefix + "DFaxDestinationNumber", "2"}};
    EXPECT_EQ(faxDestinationCount(ticket), 2);
    // One destination is said as one.
    const FaxOutcome handed{FaxOutcome::Handed, {}};
    EXPECT_EQ(handed.line(1), "Fax to 1 destination handed to the printer");
    // Without a notification service the line is all there is.
    service.unregisterService("org.freedesktop.Notifications");
    EXPECT_FALSE(showDesktopNotification("summary", {}, NotificationKind::Information));
}

#include "FaxOutcomeTest.moc"
