// A private CUPS scheduler for one test: its server root, state, spool and logs in a temporary
// folder, listening on a free loopback port, with a policy that asks nobody for a password.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <sys/types.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform::testing {

class PrivateCupsd {
public:
    PrivateCupsd();
    // Stops the scheduler if it still runs.
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

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
    // The end of the scheduler's error log, for failure messages.
    QString errorLogTail() const;

private:
    bool writeConfiguration(QString* error);

    QTemporaryDir dir;
    int port = 0;
    pid_t pid = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform::testing
