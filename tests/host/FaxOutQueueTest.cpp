// The demo printer's "Fax" queue: a CUPS queue on the emulator's IPP FaxOut service with a PPD
// from driverless-fax and CUPS's own ipp backend. Faxes go from the host's submitter (and from
// lp, which no one here wrote) through the private scheduler into the emulator's outbox.
#include "CupsSubmitter.h"
#include "DemoPrinterTest.h"
#include "FaxNumberRule.h"
#include "FaxOutSubmitter.h"
#include "HostDocument.h"
#include "HostPrinter.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>
#include <QTimeZone>
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <set>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace demo_printer_test;

namespace {

// A record to three destinations, sent at once or delayed to `time`.
Record threeDestinations(const QString& time = {}) {
    return {{"DFaxPassword", ""},
            {"DFaxDelayedPrint", time.isEmpty() ? "0" : "1"},
            {"DFaxDelayedTime", time.isEmpty() ? "10:00" : time},
            {"DFaxDestinationNumber", "3"},
            {"DFaxDestinationName1", "Ann"},
            {"DFaxDestinationPhoneNumber1", "0301234567"},
            {"DFaxDestinationName2", "Bob"},
            {"DFaxDestinationPhoneNumber2", "089-765432"},
            {"DFaxDestinationName3", ""},
            {"DFaxDestinationPhoneNumber3", "*31#040112233"}};
}

class FaxOutQueueTest : public DemoPrinterTest {
protected:
    JobTicket ticketFor(const Record& record, const QString& dialPrefix) {
        JobTicket ticket;
        ticket.queueName = printer.faxOutQueue();
        ticket.documentTitle = QStringLiteral("report.pdf");
        ticket.cupsFaxQueue = true;
        for (const auto& [key, value] : record)
            ticket.jobOptions.append({kPrefix + key, value});
        if (!dialPrefix.isNull())
            ticket.jobOptions.append({QLatin1String(kDialPrefixKey), dialPrefix});
        return ticket;
    }
    QList<int> send(const JobTicket& ticket, QString* error) {
        const auto plan = faxOutPlan(ticket, QDateTime::currentDateTime(), error);
        return plan ? submitFaxOut(ticket, HostDocument::sample(), *plan, error) : QList<int>();
    }
    // Waits until `count` jobs are in the outbox.
    bool waitForFiled(int count) {
        QDeadlineTimer deadline(kJobWait);
        while (filedJobs().size() < count && !deadline.hasExpired())
            QThread::msleep(100);
        return filedJobs().size() == count;
    }
    // The (destination URI -> pre-dial string) of every filed job.
    std::map<QString, QString> filedDestinations() {
        std::map<QString, QString> destinations;
        for (const QString& job : filedJobs())
            for (const auto& value : filedRecord(job)[QStringLiteral("destinations")].toArray())
                destinations[value[QStringLiteral("uri")].toString()] =
                    value[QStringLiteral("preDialString")].toString();
        return destinations;
    }
};

TEST(FaxOutHoldTime, TheLocalTimeBecomesTheNextSuchMomentInUtc) {
    const QTimeZone berlin("Europe/Berlin");
    const struct {
        QDateTime now;
        const char* time;
        const char* expected;
    } cases[] = {
        {QDateTime(QDate(2026, 12, 9), QTime(10, 0), berlin), "11:30", "10:30:00"}, // later today, UTC+1
        {QDateTime(QDate(2026, 12, 9), QTime(10, 0), berlin), "10:00", "09:00:00"}, // now: tomorrow
        {QDateTime(QDate(2026, 3, 28), QTime(23, 0), berlin), "12:00", "10:00:00"}, // tomorrow is summer time
        {QDateTime(QDate(2026, 3, 28), QTime(20, 0), berlin), "22:00", "21:00:00"}, // today is still winter
        {QDateTime(QDate(2026, 12, 9), QTime(10, 0), berlin), "25:00", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(holdUntilUtc(QString::fromLatin1(c.time), c.now), QString::fromLatin1(c.expected))
            << c.time << " at " << c.now.toString(Qt::ISODate).toStdString();
}

TEST(FaxOutPlan, TheDialogsRecordBecomesOneDestinationAJob) {
    JobTicket ticket;
    for (const auto& [key, value] : threeDestinations(QStringLiteral("23:59")))
        ticket.jobOptions.append({kPrefix + key, value});
    ticket.jobOptions.append({QLatin1String(kDialPrefixKey), QStringLiteral("0,")});
    QString error;
    const QDateTime now(QDate(2026, 12, 9), QTime(12, 0), QTimeZone::utc());
    const auto plan = faxOutPlan(ticket, now, &error);
    ASSERT_TRUE(plan) << error.toStdString();
    ASSERT_EQ(plan->destinations.size(), 3);
    EXPECT_EQ(plan->destinations[1].name, QStringLiteral("Bob"));
    EXPECT_EQ(plan->destinations[2].number, QStringLiteral("*31#040112233"));
    EXPECT_EQ(plan->dialPrefix, QStringLiteral("0,"));
    EXPECT_EQ(plan->holdUntil, QStringLiteral("23:59:00"));

    // A record that names more destinations than it holds is refused, as the fax filter refuses it.
    Record damaged = threeDestinations();
    damaged["DFaxDestinationNumber"] = QStringLiteral("4");
    ticket.jobOptions.clear();
    for (const auto& [key, value] : damaged)
        ticket.jobOptions.append({kPrefix + key, value});
    EXPECT_FALSE(faxOutPlan(ticket, now, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(FaxOutPlan, TheDialPrefixRule) {
    const QString twenty(20, QLatin1Char('9'));
    const struct {
        QString prefix;
        bool valid;
    } cases[] = {{"", true},     {"0", true},           {"9,,", true}, {"*31#", true},
                 {twenty, true}, {twenty + "9", false}, {"0a", false}, {"0 ", false},
                 {"+49", false}, {"0-", false}};
    for (const auto& c : cases)
        EXPECT_EQ(isValidDialPrefix(c.prefix.toStdU16String()), c.valid) << c.prefix.toStdString();
}

TEST_F(FaxOutQueueTest, TheQueueIsAFaxQueueMadeFromThePrintersAttributes) {
    QString error;
    const auto fax = HostPrinter::openQueue(printer.faxOutQueue(), &error);
    ASSERT_TRUE(fax) << error.toStdString();
    EXPECT_TRUE(isCupsFaxQueue(printer.faxOutQueue(), fax->ppd())) << "its PPD says *cupsIPPFaxOut: True";
    const auto maker = HostPrinter::openQueue(printer.queue(), &error);
    ASSERT_TRUE(maker) << error.toStdString();
    EXPECT_FALSE(isCupsFaxQueue(printer.queue(), maker->ppd()));
    // The scheduler's printer-type comes with the queue and is taken as given: the maker's queue
    // has no fax bit, and with one given it counts as a fax queue without the scheduler asked.
    EXPECT_GE(fax->printerType(), 0);
    EXPECT_GE(maker->printerType(), 0);
    EXPECT_FALSE(isCupsFaxQueue(printer.queue(), maker->ppd(), maker->printerType()));
    EXPECT_TRUE(isCupsFaxQueue(printer.queue(), maker->ppd(), maker->printerType() | CUPS_PRINTER_FAX));
    EXPECT_TRUE(printer.faxOutUri().endsWith(QLatin1String("/ipp/faxout")));
}

TEST_F(FaxOutQueueTest, LpWithAPhoneNumberLandsInTheOutboxWithItsTelUri) {
    QString format;
    QString error;
    QTemporaryFile pdf;
    ASSERT_TRUE(pdf.open());
    pdf.write(CupsSubmitter::printableData(HostDocument::sample(), &format, &error));
    pdf.close();
    QProcess lp;
    lp.start(QStringLiteral("lp"),
             {QStringLiteral("-h"), printer.server(), QStringLiteral("-d"), printer.faxOutQueue(),
              QStringLiteral("-o"), QStringLiteral("phone=0301234567"), pdf.fileName()});
    ASSERT_TRUE(lp.waitForFinished(10000));
    ASSERT_EQ(lp.exitCode(), 0) << lp.readAllStandardError().toStdString();
    ASSERT_TRUE(waitForFiled(1)) << printer.scheduler().errorLogTail().toStdString();
    const auto destinations = filedDestinations();
    ASSERT_EQ(destinations.size(), 1u);
    EXPECT_EQ(destinations.begin()->first, QStringLiteral("tel:0301234567"));
    EXPECT_EQ(destinations.begin()->second, QString());
}

TEST_F(FaxOutQueueTest, EachDestinationGoesAsAJobWithItsNumberAndTheDialPrefix) {
    QString error;
    const QList<int> jobs = send(ticketFor(threeDestinations(), QStringLiteral("0")), &error);
    ASSERT_EQ(jobs.size(), 3) << error.toStdString();
    ASSERT_TRUE(waitForFiled(3)) << printer.scheduler().errorLogTail().toStdString();
    const std::map<QString, QString> expected{{QStringLiteral("tel:0301234567"), QStringLiteral("0")},
                                              {QStringLiteral("tel:089-765432"), QStringLiteral("0")},
                                              {QStringLiteral("tel:*31#040112233"), QStringLiteral("0")}};
    EXPECT_EQ(filedDestinations(), expected);
    // The queue shows whom each job goes to.
    std::set<QString> names;
    for (int job : jobs)
        names.insert(valueOf(jobAttributes(job, cupsUser(), true), QStringLiteral("job-name")));
    EXPECT_EQ(names, (std::set<QString>{QStringLiteral("report.pdf \u2192 Ann (0301234567)"),
                                        QStringLiteral("report.pdf \u2192 Bob (089-765432)"),
                                        QStringLiteral("report.pdf \u2192 *31#040112233")}));
}

TEST_F(FaxOutQueueTest, ADelayedSendHoldsEveryJobUntilItsTimeInUtc) {
    QString error;
    const QString in90Minutes =
        QDateTime::currentDateTime().addSecs(90 * 60).toString(QStringLiteral("HH:mm"));
    const QList<int> jobs = send(ticketFor(threeDestinations(in90Minutes), {}), &error);
    ASSERT_EQ(jobs.size(), 3) << error.toStdString();
    const QString expected =
        QDateTime::currentDateTimeUtc().addSecs(90 * 60).toString(QStringLiteral("HH:mm:00"));
    for (int job : jobs) {
        const Attributes attributes = jobAttributes(job, cupsUser(), true);
        EXPECT_EQ(valueOf(attributes, QStringLiteral("job-state")), QStringLiteral("pending-held")) << job;
        EXPECT_EQ(valueOf(attributes, QStringLiteral("job-hold-until")), expected) << job;
    }
    QThread::msleep(500);
    EXPECT_TRUE(filedJobs().isEmpty());
}

TEST_F(FaxOutQueueTest, OneRefusedJobCancelsTheOthersAndNothingIsSent) {
    // A quota of one job lets CUPS take the first fax and refuse the second.
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    const QByteArray uri = "ipp://localhost/printers/" + printer.faxOutQueue().toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "job-quota-period", 3600);
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "job-k-limit", 1);
    ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/admin/"));
    ASSERT_LE(cupsLastError(), IPP_STATUS_OK_CONFLICTING) << cupsLastErrorString();

    QString error;
    EXPECT_TRUE(send(ticketFor(threeDestinations(), {}), &error).isEmpty());
    EXPECT_TRUE(error.contains(QLatin1String("Bob"))) << error.toStdString();
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.faxOutQueue().toUtf8().constData(), 0,
                                   CUPS_WHICHJOBS_ALL);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(jobs[0].state, IPP_JSTATE_CANCELED);
    cupsFreeJobs(count, jobs);
    QThread::msleep(500);
    EXPECT_TRUE(filedJobs().isEmpty());
}

} // namespace
