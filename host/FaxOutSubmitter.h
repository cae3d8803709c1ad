// Fax jobs on a CUPS fax queue of any printer: a queue whose PPD says "*cupsFax: True" or
// "*cupsIPPFaxOut: True" (cups-filters' driverless-fax makes such queues for IPP FaxOut
// printers), or whose printer-type has CUPS' fax bit. Such a queue takes one number a job, as
// the job option "phone", and a dial prefix as "faxPrefix"; CUPS's ipp backend makes them the
// job's destination-uris and pre-dial-string. So the fax-job dialog's destinations go as one job
// each, all accepted or none: every job is created held (indefinitely, or until the delayed-send
// time), and only once CUPS has taken all of them are the ones to go at once released.
#pragma once

#include "JobTicket.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostDocument;

// Print-settings key of the dial prefix of the Fax Settings panel (an outside line).
inline constexpr const char* kDialPrefixKey = "com.velmora.cps.print.printsettings.DFaxDialPrefix";

struct FaxOutPlan {
    struct Destination {
        QString name;
        QString number;
    };
    QList<Destination> destinations;
    QString dialPrefix;
    QString holdUntil; // "HH:MM:SS" in UTC for a delayed send; empty: at once
};

// True when `queue` (with its PPD `ppd`, may be null) is a CUPS fax queue as above. The queue's
// printer-type is asked from the scheduler unless `knownPrinterType` (not negative) gives it.
bool isCupsFaxQueue(const QString& queue, ppd_file_t* ppd, int knownPrinterType = -1);

// The job-hold-until value (UTC, "HH:MM:SS") for the time of day `localTime` ("HH:mm") in the
// time zone of `now`: the next such moment after `now`, today while it is still to come, else
// tomorrow (with tomorrow's offset from UTC).
QString holdUntilUtc(const QString& localTime, const QDateTime& now);

// The plan of the fax record among the ticket's print settings; nullopt with `error` set when the
// record is missing or damaged.
std::optional<FaxOutPlan> faxOutPlan(const JobTicket& ticket, const QDateTime& now, QString* error);

// The name of the job to `destination`, which the queue shows: the document and to whom it goes.
QString faxOutJobName(const QString& title, const FaxOutPlan::Destination& destination);

// Sends `document` once per destination of `plan` to the ticket's queue. Answers the job ids, or
// none with `error` set, after cancelling the jobs already created, when CUPS refuses one.
QList<int> submitFaxOut(const JobTicket& ticket, const HostDocument& document, const FaxOutPlan& plan,
                        QString* error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
