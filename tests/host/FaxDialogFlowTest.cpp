// The fax flow as a user goes through it: the print dialog with the DirectFax bundle on the demo
// fax printer's queue, the fax-job dialog answered through the modal seam, Print pressed, and the
// job followed through the scheduler, the fax filter and the printer into its outbox.
#include "CupsSubmitter.h"
#include "DemoPrinterTest.h"
#include "FaxOutSubmitter.h"
#include "HostPrinter.h"
#include "ModalRun.h"
#include "PluginHost.h"
#include "PrintDialog.h"
#include "Utils.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <map>
#include <optional>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace demo_printer_test;

namespace {

void type(QWidget* window, const char* field, const QString& text) {
    auto* edit = window->findChild<QLineEdit*>(QLatin1String(field));
    ASSERT_NE(edit, nullptr) << field;
    QTest::keyClicks(edit, text);
}

void click(QWidget* window, const char* button) {
    auto* found = window->findChild<QPushButton*>(QLatin1String(button));
    ASSERT_NE(found, nullptr) << button;
    found->click();
}

// Two destinations typed and added, password 1234, sending at 21:05, then Send.
void sendTwoDestinationsLater(QWidget* window) {
    type(window, "addressNameTextField", "Ann");
    type(window, "addressPhoneNumberTextField", "0301234567");
    click(window, "addAddressButton");
    type(window, "addressNameTextField", "Zoe Weber");
    type(window, "addressPhoneNumberTextField", "*31#0897654321");
    click(window, "addAddressButton");
    type(window, "passwordTextField", "1234");
    window->findChild<QCheckBox*>("delayedSendCheckbox")->click();
    auto* time = window->findChild<QDateTimeEdit*>("delayedTimeEdit");
    ASSERT_NE(time, nullptr);
    time->setSelectedSection(QDateTimeEdit::HourSection);
    QTest::keyClicks(time, "21:05");
    click(window, "startButton");
}

struct Outcome {
    bool printed = false;
    std::vector<int> jobs; // submitted to the scheduler
    QStringList modalRuns; // titles of the windows run modally
    QStringList alerts;    // what the print dialog told the user
};

class FaxDialogFlowTest : public DemoPrinterTest {
protected:
    void SetUp() override {
        DemoPrinterTest::SetUp();
        if (IsSkipped())
            return;
        QString error;
        ASSERT_TRUE(plugins.loadBundle(kBin + "/plugins/DirectFax.plugin", &error)) << error.toStdString();
    }

    // Opens the print dialog on the fax queue as the host does, types the cover page's sender
    // name, presses Print for `destination` with the fax-job dialog answered by `answer` (none:
    // no dialog may come), and waits until the scheduler has handed on what it was given.
    Outcome print(PMDestinationType destination, std::optional<ScriptedModalDriver::Step> answer,
                  const QString& dialPrefix = {}) {
        const QString queue = dialPrefix.isNull() ? printer.queue() : printer.faxOutQueue();
        Outcome outcome;
        {
            PrintDialog dialog(plugins, HostDocument::sample(), {queue}, &HostPrinter::openQueue);
            dialog.setAlert([&](const QString& message) { outcome.alerts << message; });
            dialog.setJobPresenter([&](const JobTicket& ticket) {
                if (!CupsSubmitter::makesJob(ticket))
                    return;
                QString error;
                if (ticket.cupsFaxQueue) {
                    const auto plan = faxOutPlan(ticket, QDateTime::currentDateTime(), &error);
                    for (int job :
                         plan ? submitFaxOut(ticket, HostDocument::sample(), *plan, &error) : QList<int>())
                        outcome.jobs.push_back(job);
                    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
                    return;
                }
                outcome.jobs.push_back(CupsSubmitter::submit(ticket, HostDocument::sample(), &error));
                EXPECT_GT(outcome.jobs.back(), 0) << error.toStdString();
            });
            if (!dialog.selectPrinter(queue)) {
                ADD_FAILURE() << outcome.alerts.join('\n').toStdString();
                return outcome;
            }
            QWidget* panel = dialog.tabs()->widget(0);
            // The panel finds the printer's address in the queue's device URI.
            if (queue == printer.queue()) {
                EXPECT_EQ(dialog.currentPrinter()->printer()->deviceURI, DemoFaxPrinter::kDeviceUri);
            }
            // The dial prefix is offered on a CUPS fax queue only.
            auto* prefix = panel->findChild<QLineEdit*>("dialPrefixTextField");
            EXPECT_TRUE(prefix && prefix->isVisibleTo(panel) == !dialPrefix.isNull());
            if (prefix && !dialPrefix.isNull())
                QTest::keyClicks(prefix, dialPrefix);
            if (auto* sender = panel->findChild<QLineEdit*>("senderNameTextEdit"))
                QTest::keyClicks(sender, "Velmora Sales");
            else
                ADD_FAILURE() << "The Fax Settings panel is not the first tab";
            dialog.setDestination(destination);

            ScriptedModalDriver driver;
            // A step that leaves the dialog open (a failed check) cancels it rather than hang.
            if (answer)
                driver.queueModalStep([&answer](QWidget* window) {
                    (*answer)(window);
                    if (window->isVisible())
                        ModalRun::abortModal();
                });
            outcome.printed = dialog.print();
            outcome.modalRuns = driver.modalRuns();
            EXPECT_EQ(driver.unscriptedModalRuns(), 0);
            EXPECT_EQ(driver.unscriptedAlerts(), 0);
            dialog.close();
        }
        EXPECT_TRUE(settle()) << printer.scheduler().errorLogTail().toStdString();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
        return outcome;
    }

    PluginHost plugins;
};

// Three destinations typed and added on a CUPS fax queue, where there is no password to give and
// no device address book to open, then Send.
void sendThreeDestinationsWithoutPassword(QWidget* window) {
    EXPECT_FALSE(window->findChild<QLineEdit*>("passwordTextField")->isVisibleTo(window));
    EXPECT_FALSE(window->findChild<QPushButton*>("lookUpDeviceDataButton")->isEnabled());
    for (const auto& [name, number] :
         {std::pair{"Ann", "0301234567"}, std::pair{"Bob", "089765432"}, std::pair{"Cem", "*31#040112233"}}) {
        type(window, "addressNameTextField", name);
        type(window, "addressPhoneNumberTextField", number);
        click(window, "addAddressButton");
    }
    click(window, "startButton");
}

} // namespace

TEST_F(FaxDialogFlowTest, OnACupsFaxQueueEachDestinationArrivesAsAJobWithTheDialPrefix) {
    const Outcome outcome =
        print(kPMDestinationPrinter, sendThreeDestinationsWithoutPassword, QStringLiteral("0"));
    EXPECT_TRUE(outcome.printed) << outcome.alerts.join('\n').toStdString();
    ASSERT_EQ(outcome.jobs.size(), 3u);
    QDeadlineTimer deadline(kJobWait);
    while (filedJobs().size() < 3 && !deadline.hasExpired())
        QThread::msleep(100);
    std::map<QString, QString> filed;
    for (const QString& job : filedJobs())
        for (const auto& value : filedRecord(job)["destinations"].toArray())
            filed[value[QLatin1String("uri")].toString()] = value[QLatin1String("preDialString")].toString();
    EXPECT_EQ(filed, (std::map<QString, QString>{
                         {"tel:0301234567", "0"}, {"tel:089765432", "0"}, {"tel:*31#040112233", "0"}}))
        << printer.scheduler().errorLogTail().toStdString();
}

TEST_F(FaxDialogFlowTest, AStartedFaxJobReachesTheOutboxWithItsRecord) {
    const Outcome outcome = print(kPMDestinationPrinter, sendTwoDestinationsLater);
    EXPECT_TRUE(outcome.printed) << outcome.alerts.join('\n').toStdString();
    EXPECT_EQ(outcome.modalRuns, QStringList{"Fax Transmission"});
    ASSERT_EQ(outcome.jobs.size(), 1u);

    // The scheduler holds the record as the job's options, for its owner.
    const Attributes job = jobAttributes(outcome.jobs[0], cupsUser(), true);
    EXPECT_EQ(valueOf(job, "job-state"), "completed") << printer.scheduler().errorLogTail().toStdString();
    const auto option = [&](const char* base) { return valueOf(job, kPrefix + base); };
    EXPECT_EQ(option("DFaxDestinationNumber"), "2");
    EXPECT_EQ(option("DFaxDestinationName1"), "Zoe Weber"); // arranged: names descending
    EXPECT_EQ(option("DFaxDestinationPhoneNumber1"), "*31#0897654321");
    EXPECT_EQ(option("DFaxDestinationName2"), "Ann");
    EXPECT_EQ(option("DFaxDestinationPhoneNumber2"), "0301234567");
    EXPECT_EQ(option("DFaxDelayedPrint"), "1");
    EXPECT_EQ(option("DFaxDelayedTime"), "21:05");
    EXPECT_EQ(option("DFaxCoverSenderName"), "Velmora Sales");
    const QString password = option("DFaxPassword");
    EXPECT_NE(password, "1234");
    EXPECT_EQ(CreateDecryptedString(password, kCFStringEncodingUTF8), "1234");

    // The printer filed it with the password unscrambled, and its pages.
    ASSERT_EQ(filedJobs().size(), 1) << printer.scheduler().errorLogTail().toStdString();
    const QJsonObject record = filedRecord(filedJobs().first());
    EXPECT_EQ(record["job"].toInt(), outcome.jobs[0]);
    EXPECT_EQ(record["password"].toString(), "1234");
    EXPECT_EQ(record["delayedTime"].toString(), "21:05");
    const QJsonArray destinations = record["destinations"].toArray();
    ASSERT_EQ(destinations.size(), 2);
    EXPECT_EQ(destinations[0]["name"].toString(), "Zoe Weber");
    EXPECT_EQ(destinations[1]["phoneNumber"].toString(), "0301234567");
    EXPECT_GT(QFileInfo(filedPath(filedJobs().first(), "pages.tiff")).size(), 0);
}

TEST_F(FaxDialogFlowTest, NoJobWithoutAStartedFaxDialog) {
    struct Row {
        const char* what;
        PMDestinationType destination;
        std::optional<ScriptedModalDriver::Step> answer;
        bool printed;
        QStringList modalRuns;
    };
    const Row rows[] = {
        {"cancelled",
         kPMDestinationPrinter,
         [](QWidget* window) { click(window, "stopButton"); },
         false,
         {"Fax Transmission"}},
        {"closed",
         kPMDestinationPrinter,
         [](QWidget* window) { window->close(); },
         false,
         {"Fax Transmission"}},
        {"pdf", kPMDestinationFile, std::nullopt, true, {}},
        {"preview", kPMDestinationPreview, std::nullopt, true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Outcome outcome = print(row.destination, row.answer);
        EXPECT_EQ(outcome.printed, row.printed) << outcome.alerts.join('\n').toStdString();
        EXPECT_EQ(outcome.modalRuns, row.modalRuns);
        // The user closed the fax-job dialog: no message blames the panel for it.
        EXPECT_TRUE(outcome.alerts.isEmpty()) << outcome.alerts.join('\n').toStdString();
        EXPECT_TRUE(outcome.jobs.empty());
        EXPECT_EQ(schedulerJobCount(), 0);
        EXPECT_TRUE(filedJobs().isEmpty());
    }
}
