// The fax printer of the demo, started and stopped by the print dialog host: the device
// emulator (its address book for the browser, and a print socket that files the fax jobs it
// receives in an outbox) and a private CUPS scheduler with one fax queue on the sample PPD, whose
// filter is the fax driver's stand-in and whose backend hands the jobs to the emulator's print
// socket. Both servers are reachable by this user only, through sockets in the scheduler's private
// folder, and both die with the process that started them. The queue's device URI names the
// printer's address, 127.0.0.1, where the emulator serves its address book. A second queue,
// "Fax", goes to the emulator's IPP FaxOut service on 127.0.0.1 through CUPS's own ipp backend.
#pragma once

#include "JobStatus.h"
#include "PrivateCupsd.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DemoFaxPrinter {
public:
    // Name of the fax queue on the private scheduler.
    static constexpr const char* kQueueName = "DirectFax";
    // Name of the queue on the emulator's IPP FaxOut service.
    static constexpr const char* kFaxOutQueueName = "Fax";

    struct Setup {
        QString emulator;  // the directfax-device-emulator program
        QString filter;    // the directfax-fax-filter program
        QString backend;   // the directfax-backend program
        QString samplePpd; // host/samples/DirectFaxSample.ppd
        QString outbox;    // folder the printer files received fax jobs in
        QString book;      // address book of the printer; empty: none
        QString password;  // the printer's fax password; empty: none
    };

    // The print-settings keys of the fax job record and of the cover page's sender name, as job
    // options: their values are private to the job's owner on the scheduler.
    static QStringList privateJobOptions();
    // The cupsd.conf lines (for its default policy) that keep those values private on a system
    // CUPS server: the values are private, and reading jobs needs an authenticated user.
    static QString privateValuesConfiguration();

    DemoFaxPrinter() = default;
    ~DemoFaxPrinter() { stop(); }
    DemoFaxPrinter(const DemoFaxPrinter&) = delete;
    DemoFaxPrinter& operator=(const DemoFaxPrinter&) = delete;

    // Starts the emulator, the scheduler and the queue; false with `error` set (and nothing
    // left running) when any of them cannot.
    bool start(const Setup& setup, QString* error);
    // A job the queue holds that has not reached the printer.
    using QueuedJob = JobStatus;
    // Waits up to `limit` until none of the queue's jobs is pending or printing, whoever sent
    // them; answers the jobs that are left (pending or printing when the time ran out, held or
    // stopped), none when every job reached the printer. `waiting` is told once, with the number
    // of jobs on their way, when there is something to wait for.
    QList<QueuedJob> waitForJobs(std::chrono::milliseconds limit,
                                 std::function<void(qsizetype)> waiting = {});
    // Stops the fax agent, the scheduler and the emulator, each by its PID.
    void stop();

    // The fax printer for every program (FaxPrinter.h) next to the fax queue: its backend hands
    // what is printed to it into this user's fax inbox, in a stand-in of the session folders
    // (/run/user) inside the scheduler's folder.
    struct HandOver {
        QString backend; // the directfax-handover program
        QString ppd;     // host/samples/DirectFaxFaxPrinter.ppd
        int sessionWaitSeconds = 60;
        qint64 maxBytes = 512LL * 1024 * 1024;
        int readSeconds = 300;
    };
    // Before start: offer the fax printer as well.
    void offerFaxPrinter(const HandOver& handOver) { handOverSetup = handOver; }
    QString faxPrinter() const;
    // The stand-in of /run/user, and this user's fax inbox in it.
    QString sessionsRoot() const;
    QString faxInbox() const;
    // After start: runs the fax agent `agent` on this user's inbox, opening the dialog of `host`
    // (with `hostArguments`) on the fax queue of this scheduler; it stops with the printer.
    bool startFaxAgent(const QString& agent, const QString& host, const QStringList& hostArguments,
                       QString* error);

    // The scheduler's socket (for cupsSetServer and --server).
    QString server() const { return cupsd.server(); }
    QString queue() const { return QString::fromLatin1(kQueueName); }
    QString faxOutQueue() const { return QString::fromLatin1(kFaxOutQueueName); }
    // The emulator's FaxOut service, the device URI of the "Fax" queue.
    QString faxOutUri() const { return faxOutServiceUri; }
    QString outbox() const { return outboxFolder; }
    // The emulator's address-book port, and its print socket: in the scheduler's private folder,
    // next to the scheduler's program folder, where the backend finds it.
    int devicePort() const { return addressBookPort; }
    QString printSocket() const { return cupsd.privateFolder() + QStringLiteral("/print.sock"); }
    // The device URI of the queue.
    static constexpr const char* kDeviceUri = "socket://127.0.0.1";
    PrivateCupsd& scheduler() { return cupsd; }

private:
    bool startEmulator(const Setup& setup, QString* error);
    bool makeServerBin(const Setup& setup, QString* error);
    bool addQueue(const QString& samplePpd, QString* error);
    bool installHandOver(const QString& bin, QString* error);
    bool addFaxPrinter(QString* error);
    void stopFaxAgent();
    // The "Fax" queue (DemoFaxOutQueue.cpp): CUPS's ipp backend and filters into the scheduler's
    // program folder, and the queue with its PPD made from the printer's attributes.
    bool installFaxOutPrograms(const QString& bin, QString* error);
    bool addFaxOutQueue(QString* error);
    // Writes `ppd` as `ppdName` in the scheduler's folder and adds the queue `name` on `uri` with it.
    bool addQueueWithPpd(const QString& name, const QString& uri, const QString& ppdName,
                         const QByteArray& ppd, QString* error);

    PrivateCupsd cupsd;
    QProcess emulator;
    QString outboxFolder;
    int addressBookPort = 0;
    std::optional<HandOver> handOverSetup;
    QProcess faxAgent;
    QString faxOutServiceUri;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
