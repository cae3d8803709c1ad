#include "JobWatch.h"

#include "FaxSend.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <cups/cups.h>
#include <iterator>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

namespace {

using namespace std::chrono_literals;

constexpr auto kPollInterval = 500ms;
// Shorter waits pass without a word.
constexpr auto kQuietWait = 2s;
// A long wait is told this often while nothing changes.
constexpr auto kReminderInterval = 30s;
// How long one exchange with the server may stall before the stop signal and the time limit are
// looked at again.
constexpr double kExchangeSlice = 0.5;
// The longest message of the server shown.
constexpr qsizetype kMaxShownMessage = 300;

const char* const kRequestedAttributes[] = {"job-state", "job-state-reasons", "job-printer-state-message"};

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void noteStopSignal(int signal) {
    stopSignal = signal;
}

// SIGINT and SIGTERM end the wait instead of the program while it lives.
class StopSignals {
public:
    StopSignals() {
        stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = noteStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInt);
        sigaction(SIGTERM, &action, &previousTerm);
    }
    ~StopSignals() {
        sigaction(SIGINT, &previousInt, nullptr);
        sigaction(SIGTERM, &previousTerm, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
};

// Sleeps for `duration`, or less when a stop signal comes.
void sleepUnlessStopped(std::chrono::milliseconds duration) {
    timespec left{time_t(duration.count() / 1000), long(duration.count() % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR && !stopSignal) {
    }
}

// libcups asks this when an exchange stalls: go on unless the wait is over.
int keepWaiting(http_t*, void* deadline) {
    return !stopSignal && !static_cast<const QDeadlineTimer*>(deadline)->hasExpired();
}

bool isEndState(int state) {
    return state >= IPP_JSTATE_STOPPED;
}

// The job states in words, from IPP_JSTATE_PENDING to IPP_JSTATE_COMPLETED.
constexpr const char* kStateNames[] = {"pending",   "held",    "processing", "stopped",
                                       "cancelled", "aborted", "completed"};

QString stateName(int state) {
    const int index = state - IPP_JSTATE_PENDING;
    if (index < 0 || index >= int(std::size(kStateNames)))
        return QStringLiteral("in an unknown state");
    return QString::fromLatin1(kStateNames[index]);
}

// One line of printable characters, at most kMaxShownMessage of them.
QString printable(QString text) {
    for (QChar& c : text)
        if (!c.isPrint())
            c = QLatin1Char(' ');
    text = text.simplified();
    if (text.size() > kMaxShownMessage)
        text = text.left(kMaxShownMessage) + QStringLiteral("...");
    return text;
}

std::optional<JobStatus> askJob(http_t* http, int job) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/jobs/%d",
                     job);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(kRequestedAttributes)), nullptr, kRequestedAttributes);
    const std::unique_ptr<ipp_t, decltype(&ippDelete)> response(cupsDoRequest(http, request, "/"), ippDelete);
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return std::nullopt;
    JobStatus status;
    if (ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM))
        status.state = ippGetInteger(state, 0);
    if (ipp_attribute_t* message =
            ippFindAttribute(response.get(), "job-printer-state-message", IPP_TAG_TEXT))
        status.message = QString::fromUtf8(ippGetString(message, 0, nullptr));
    if (ipp_attribute_t* reasons = ippFindAttribute(response.get(), "job-state-reasons", IPP_TAG_KEYWORD))
        for (int i = 0; i < ippGetCount(reasons); ++i)
            status.reasons << QString::fromUtf8(ippGetString(reasons, i, nullptr));
    if (status.state == 0)
        return std::nullopt;
    return status;
}

} // namespace

QString describeStatus(const JobStatus& status) {
    const QString message = printable(status.message);
    if (!message.isEmpty())
        return QStringLiteral("%1: %2").arg(stateName(status.state), message);
    QStringList reasons;
    for (const QString& reason : status.reasons)
        if (reason != QLatin1String("none"))
            reasons << printable(reason);
    if (reasons.isEmpty())
        return stateName(status.state);
    return QStringLiteral("%1 (%2)").arg(stateName(status.state),
                                         printable(reasons.join(QStringLiteral(", "))));
}

JobWaitResult waitForJob(int job, std::chrono::seconds timeout,
                         const std::function<void(const QString&)>& say) {
    const StopSignals stopSignals;
    QDeadlineTimer deadline(timeout);
    QElapsedTimer waiting;
    waiting.start();
    const std::unique_ptr<http_t, decltype(&httpClose)> http(connectToServer(), httpClose);
    if (http)
        httpSetTimeout(http.get(), kExchangeSlice, keepWaiting, &deadline);

    JobStatus last;
    std::optional<qint64> toldAt; // seconds into the wait of the last line said
    while (true) {
        const std::optional<JobStatus> status = http ? askJob(http.get(), job) : std::nullopt;
        if (stopSignal)
            return {128 + stopSignal, false,
                    QStringLiteral("Stopped waiting; the job %1 goes on in the queue").arg(job)};
        if (!status && !deadline.hasExpired()) {
            const QString why = http ? printable(QString::fromUtf8(cupsLastErrorString()))
                                     : QStringLiteral("it cannot be reached");
            return {kExitRefused, false,
                    QStringLiteral("Cannot follow the job %1 on the CUPS server at %2: %3")
                        .arg(QString::number(job), currentServer(), why)};
        }
        if (status && isEndState(status->state)) {
            // A completed job needs no reasons (CUPS leaves the last ones of its processing).
            JobStatus end = *status;
            if (end.state == IPP_JSTATE_COMPLETED)
                end.reasons.clear();
            return {end.state == IPP_JSTATE_COMPLETED ? kExitSent : kExitJobFailed, true,
                    QStringLiteral("Job %1 %2").arg(job).arg(describeStatus(end))};
        }
        if (status) {
            const qint64 waited = waiting.elapsed() / 1000;
            const bool changed = status->state != last.state || status->message != last.message;
            last = *status;
            if (waited >= kQuietWait.count()) {
                // One pass of arg(): the server's words may hold "%1" themselves.
                const QString id = QString::number(job);
                const QString now = describeStatus(last);
                QString line;
                if (!toldAt)
                    line = QStringLiteral(
                               "Waiting for the job %1 to end (%2); Ctrl+C stops waiting, not the job")
                               .arg(id, now);
                else if (changed)
                    line = QStringLiteral("The job %1 is %2").arg(id, now);
                else if (waited - *toldAt >= kReminderInterval.count())
                    line = QStringLiteral("Still waiting for the job %1 (%2): %3 of %4 seconds")
                               .arg(id, now, QString::number(waited), QString::number(timeout.count()));
                if (!line.isEmpty()) {
                    say(line);
                    toldAt = waited;
                }
            }
        }
        if (deadline.hasExpired())
            return {kExitTimedOut, false,
                    QStringLiteral(
                        "The job %1 has not ended in time (--timeout %2); it is %3 and stays in the queue")
                        .arg(QString::number(job), QString::number(timeout.count()), describeStatus(last))};
        sleepUnlessStopped(std::min<std::chrono::milliseconds>(
            kPollInterval,
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline.remainingTimeAsDuration())));
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
