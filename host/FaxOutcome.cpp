#include "FaxOutcome.h"

#include "DesktopNotification.h"
#include "JobStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <cups/cups.h>
#include <iterator>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr const char* kDestinationCountKey = "com.velmora.cps.print.printsettings.DFaxDestinationNumber";
constexpr int kPollMs = 250;
constexpr qint64 kMomentMs = 1000;

// The job as the server sees it; nullopt when the server does not answer about it.
std::optional<JobStatus> askForJob(int job) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(job);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(kJobStatusAttributes)), nullptr, kJobStatusAttributes);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    const QList<JobStatus> jobs = jobStatuses(response);
    ippDelete(response);
    return jobs.isEmpty() ? std::nullopt : std::optional(jobs.first());
}

// The outcome a job's state tells, or nullopt while the job is on its way.
std::optional<FaxOutcome> outcomeOf(const JobStatus& job) {
    auto notSent = [&](const QString& otherwise) {
        return FaxOutcome{FaxOutcome::NotSent, job.message.isEmpty() ? otherwise : job.message};
    };
    switch (job.state) {
    case IPP_JSTATE_COMPLETED:
        return FaxOutcome{FaxOutcome::Handed, {}};
    case IPP_JSTATE_STOPPED:
        return notSent(QObject::tr("the printer stopped the job"));
    case IPP_JSTATE_CANCELED:
        return notSent(QObject::tr("the job was cancelled"));
    case IPP_JSTATE_ABORTED:
        return notSent(QObject::tr("the printer gave up on the job"));
    case IPP_JSTATE_HELD:
        // Held by a printer fault (with its reason), not by someone's choice.
        if (!job.message.isEmpty())
            return notSent({});
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

QString FaxOutcome::summary(int destinations) const {
    switch (kind) {
    case Handed:
        return destinations == 1
                   ? QObject::tr("Fax to 1 destination handed to the printer")
                   : QObject::tr("Fax to %1 destinations handed to the printer").arg(destinations);
    case NotSent:
        return QObject::tr("The fax was not sent");
    case StillWaiting:
        break;
    }
    return QObject::tr("The fax has not reached the printer yet");
}

QString FaxOutcome::body() const {
    return kind == NotSent ? reason : QString();
}

QString FaxOutcome::line(int destinations) const {
    const QString text = body();
    return text.isEmpty() ? summary(destinations) : summary(destinations) + QStringLiteral(": ") + text;
}

int faxDestinationCount(const JobTicket& ticket) {
    for (const auto& [key, value] : ticket.jobOptions)
        if (key == QLatin1String(kDestinationCountKey))
            return value.toInt();
    return 0;
}

FaxOutcome followFaxJob(int job, std::chrono::milliseconds limit, const std::function<void()>& waiting,
                        const std::function<bool()>& keepGoing) {
    QElapsedTimer timer;
    timer.start();
    bool told = false;
    while (true) {
        const std::optional<JobStatus> state = askForJob(job);
        if (!state)
            return {FaxOutcome::StillWaiting, {}};
        if (const std::optional<FaxOutcome> outcome = outcomeOf(*state))
            return *outcome;
        if (timer.elapsed() >= limit.count() || (keepGoing && !keepGoing()))
            return {FaxOutcome::StillWaiting, {}};
        if (!told && timer.elapsed() >= kMomentMs && waiting) {
            waiting();
            told = true;
        }
        // Events go on (a signal to stop the program is one) while the printer works.
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
        QThread::msleep(kPollMs);
    }
}

FaxOutcome combinedOutcome(const QList<FaxOutcome>& outcomes) {
    for (const FaxOutcome& outcome : outcomes)
        if (outcome.kind == FaxOutcome::NotSent)
            return outcome;
    for (const FaxOutcome& outcome : outcomes)
        if (outcome.kind == FaxOutcome::StillWaiting)
            return outcome;
    return {outcomes.isEmpty() ? FaxOutcome::StillWaiting : FaxOutcome::Handed, {}};
}

void tellFaxOutcome(const FaxOutcome& outcome, int destinations) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(outcome.line(destinations)));
    showDesktopNotification(outcome.summary(destinations), outcome.body(),
                            outcome.kind == FaxOutcome::Handed ? NotificationKind::Information
                                                               : NotificationKind::Failure);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
