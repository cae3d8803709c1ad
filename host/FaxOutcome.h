// What became of a fax job after the print dialog closed, told the way a desktop program tells
// the outcome of work it finished in the background: a desktop notification, and the same line on
// standard error. The job is followed on the CUPS server of the process (cupsSetServer) until the
// printer has taken it or it failed, for a bounded time.
#pragma once

#include "JobTicket.h"

#include <QList>
#include <QString>
#include <chrono>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

struct FaxOutcome {
    enum Kind {
        Handed,      // the printer has the fax: it sends it (at the delayed time, if one was set)
        NotSent,     // the job was stopped, cancelled or aborted, or held by a printer fault
        StillWaiting // the time to follow it ran out
    } kind = StillWaiting;
    QString reason; // NotSent: the printer's message, or what happened to the job

    // The notification's title and text, for a fax to `destinations` destinations.
    QString summary(int destinations) const;
    QString body() const;
    // Both on one line, for standard error.
    QString line(int destinations) const;
};

// The number of destinations of the fax record `ticket` carries; 0 when it carries none (it is no
// fax job).
int faxDestinationCount(const JobTicket& ticket);

// Follows job `job` until the printer has taken it or it failed, for at most `limit`.
// `waiting` is called once when that takes more than a moment; `keepGoing` (when given) ends the
// following early when it answers false.
FaxOutcome followFaxJob(int job, std::chrono::milliseconds limit, const std::function<void()>& waiting = {},
                        const std::function<bool()>& keepGoing = {});

// The outcome of a fax sent as several jobs (one per destination on a CUPS fax queue): handed to
// the printer when every job was; not sent when any was not, with the first such job's reason;
// else still waiting.
FaxOutcome combinedOutcome(const QList<FaxOutcome>& outcomes);

// Tells the user: the line on standard error, and a desktop notification when the desktop has a
// notification service.
void tellFaxOutcome(const FaxOutcome& outcome, int destinations);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
