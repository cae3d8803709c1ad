// A private CUPS scheduler: its server root, state, spool and logs in a private folder of the
// user who starts it, reachable only through a Unix domain socket in a folder that only this user
// may enter (no network listener, no file devices). The demo fax printer of the host runs on one,
// and so do the tests. The scheduler dies with the process that started it.
#pragma once

#include "RunFolder.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cups/cups.h>
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

    // The scheduler's socket: for cupsSetServer, CUPS_SERVER, lpstat -h and directfax-send --server.
    QString server() const;

    struct Queue {
        QString name;
        QString deviceUri;
        QString ppd;                                   // a PPD file; empty: a raw queue
        QList<QPair<QString, QString>> defaultOptions; // NAME-default attributes, as lpadmin -o
        QList<QPair<QString, QString>> attributes;     // printer attributes, as lpadmin -o NAME=VALUE
    };
    // Adds (or changes) `queue` on the scheduler `http` is connected to (CUPS_HTTP_DEFAULT: the
    // process's CUPS server); false with `error` set when the scheduler refuses it.
    static bool addQueueOn(http_t* http, const Queue& queue, QString* error);
    // Adds (or changes) a queue that accepts jobs and is enabled, through the scheduler's own
    // administration request; false with `error` set when the scheduler refuses it.
    bool addQueue(const Queue& queue, QString* error) const;

    QString folder() const { return dir.path(); }
    // The folder inside folder() that only this user may enter: the scheduler's socket, and those
    // of the programs it talks to.
    QString privateFolder() const { return dir.filePath(QStringLiteral("run")); }
    // The scheduler's certificate for this user's processes ("Authorization: Local ..."), which
    // lets a request through as its requesting user; empty before the scheduler made it.
    QByteArray localCertificate() const;
    // The end of the scheduler's error log, for failure messages.
    QString errorLogTail() const;
    // The scheduler's process id, -1 when it does not run.
    pid_t processId() const { return pid; }

    // Prefix of the private folders in the temporary folder.
    static constexpr const char* kFolderPrefix = "directfax-cupsd-";

private:
    bool makeFolders();
    bool writeConfiguration(QString* error);

    RunFolder dir;
    bool foldersMade = false;
    QString serverBin;
    QStringList privateValues;
    pid_t pid = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
