// A private CUPS scheduler: its server root, state, spool and logs in a temporary folder,
// listening on a free loopback port, with a policy that asks nobody for a password. The demo
// fax printer of the host runs on one, and so do the tests.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <sys/types.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class PrivateCupsd {
public:
    PrivateCupsd();
    // Stops the scheduler if it still runs.
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    // Before start: the folder of cupsd's programs (backends, filters, daemon helpers) instead of
    // the system's.
    void setServerBin(const QString& folder) { serverBin = folder; }
    // Before start: job attributes whose values only the job's owner and the system group may
    // read (JobPrivateValues, next to CUPS' default ones). Without any, every value is public.
    void setPrivateValues(const QStringList& names) { privateValues = names; }

    // The policy lines (cupsd.conf) that keep the values of the job attributes `names` private
    // to the job's owner and the system group, next to CUPS' default private values; with no
    // names, lines that make every value public.
    static QString jobPrivacyConfiguration(const QStringList& names);

    // Starts cupsd and waits until it accepts connections; false with `error` set when it
    // cannot run here (no cupsd, or it exits or does not answer).
    bool start(QString* error);
    // SIGTERM to the scheduler, then waits for it.
    void stop();

    // "127.0.0.1:PORT", for cupsSetServer, CUPS_SERVER and lpadmin -h.
    QString server() const;
    // Runs lpadmin against this scheduler with `arguments` after "-h SERVER"; false with
    // `error` set (its output) when it fails.
    bool lpadmin(const QStringList& arguments, QString* error) const;
    QString folder() const { return dir.path(); }
    // The scheduler's certificate for this user's processes ("Authorization: Local ..."), which
    // lets a request through as its requesting user; empty before the scheduler made it.
    QByteArray localCertificate() const;
    // The end of the scheduler's error log, for failure messages.
    QString errorLogTail() const;

private:
    bool writeConfiguration(QString* error);

    QTemporaryDir dir;
    QString serverBin;
    QStringList privateValues;
    int port = 0;
    pid_t pid = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
