// Following a CUPS job until it ends (--wait of directfax-send): its state, CUPS's message and
// the state reasons, read over IPP from the current CUPS server, within a time limit. Long waits
// are told on the way; Ctrl+C (or SIGTERM) ends the wait, never the job.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

struct JobStatus {
    int state = 0;       // ipp_jstate_t; 0 before it is known
    QString message;     // job-printer-state-message
    QStringList reasons; // job-state-reasons
};

// The status in words for the user: "stopped: MESSAGE", or the reasons when there is no message.
// What the server sent is kept to one line of printable characters and a bounded length.
QString describeStatus(const JobStatus& status);

struct JobWaitResult {
    int exitStatus = 0; // a SendExit, or 128 + the signal that ended the wait
    bool ended = false; // the job reached an end state (completed, stopped, cancelled, aborted)
    QString text;       // how it went, for the user
};

// Waits up to `timeout` for `job` on the current CUPS server to be completed, stopped, cancelled
// or aborted. `say` gets a line for the user when the wait lasts beyond a moment, when the job's
// state changes after that, and now and then during a long wait.
JobWaitResult waitForJob(int job, std::chrono::seconds timeout,
                         const std::function<void(const QString&)>& say);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
