// What the CUPS server says of a job: its number, title, state and the printer's message for it,
// read from the answer to an IPP request about one job or about a queue's jobs.
#pragma once

#include <QList>
#include <QString>
#include <cups/ipp.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

struct JobStatus {
    int id = 0;
    QString title;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    QString message; // the printer's state message for the job

    // Pending or printing: on its way to the printer.
    bool onItsWay() const { return state == IPP_JSTATE_PENDING || state == IPP_JSTATE_PROCESSING; }
    // One line for the user, for a job that has not reached the printer: the job, its title and
    // what became of it.
    QString describe() const;
};

// The attributes a JobStatus is read from, for "requested-attributes".
inline constexpr const char* kJobStatusAttributes[] = {"job-id", "job-name", "job-state",
                                                       "job-printer-state-message"};

// The jobs `response` holds, in its order (each begins with its "job-id").
QList<JobStatus> jobStatuses(ipp_t* response);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
