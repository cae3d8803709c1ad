#include "JobStatus.h"

#include <QObject>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

QString JobStatus::describe() const {
    const QString job =
        title.isEmpty() ? QObject::tr("Job %1").arg(id) : QObject::tr("Job %1 (\"%2\")").arg(id).arg(title);
    QString what;
    switch (state) {
    case IPP_JSTATE_HELD:
        what = QObject::tr("%1 is held and was not sent").arg(job);
        break;
    case IPP_JSTATE_STOPPED:
        what = QObject::tr("%1 was stopped and not sent").arg(job);
        break;
    default:
        what = QObject::tr("%1 had not reached the printer yet and was not sent").arg(job);
        break;
    }
    // The printer's reason, when it gave one, ends the line.
    return message.isEmpty() ? what + QLatin1Char('.') : what + QStringLiteral(": ") + message;
}

QList<JobStatus> jobStatuses(ipp_t* response) {
    QList<JobStatus> jobs;
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr; attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (!name) {
            continue;
        } else if (!std::strcmp(name, "job-id")) {
            jobs.append({ippGetInteger(attr, 0), {}, IPP_JSTATE_PENDING, {}});
        } else if (jobs.isEmpty()) {
            continue;
        } else if (!std::strcmp(name, "job-name")) {
            jobs.last().title = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (!std::strcmp(name, "job-state")) {
            jobs.last().state = ipp_jstate_t(ippGetInteger(attr, 0));
        } else if (!std::strcmp(name, "job-printer-state-message")) {
            jobs.last().message = QString::fromUtf8(ippGetString(attr, 0, nullptr)).simplified();
        }
    }
    return jobs;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
