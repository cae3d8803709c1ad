// The fax printer of the demo, started and stopped by the print dialog host: the device
// emulator (its address book for the browser, and a raw print port that files the fax jobs it
// receives in an outbox) and a private CUPS scheduler with one fax queue on the sample PPD, whose
// filter is the fax driver's stand-in and whose device URI is the emulator's print port.
#pragma once

#include "PrivateCupsd.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DemoFaxPrinter {
public:
    // Name of the fax queue on the private scheduler.
    static constexpr const char* kQueueName = "DirectFax";

    struct Setup {
        QString emulator;  // the directfax-device-emulator program
        QString filter;    // the directfax-fax-filter program
        QString samplePpd; // host/samples/DirectFaxSample.ppd
        QString outbox;    // folder the printer files received fax jobs in
        QString book;      // address book of the printer; empty: none
        QString password;  // the printer's fax password; empty: none
    };

    // The print-settings keys of the fax job record and of the cover page's sender name, as job
    // options: their values are private to the job's owner on the scheduler.
    static QStringList privateJobOptions();
    // The cupsd.conf lines that keep those values private on a system CUPS server.
    static QString privateValuesConfiguration();

    DemoFaxPrinter() = default;
    ~DemoFaxPrinter() { stop(); }
    DemoFaxPrinter(const DemoFaxPrinter&) = delete;
    DemoFaxPrinter& operator=(const DemoFaxPrinter&) = delete;

    // Starts the emulator, the scheduler and the queue; false with `error` set (and nothing
    // left running) when any of them cannot.
    bool start(const Setup& setup, QString* error);
    // Waits up to `limit` for the queue's pending and printing jobs; false when some are left.
    bool waitForJobs(std::chrono::milliseconds limit);
    // Stops the scheduler and the emulator, each by its PID.
    void stop();

    // "127.0.0.1:PORT" of the scheduler.
    QString server() const { return cupsd.server(); }
    QString queue() const { return QString::fromLatin1(kQueueName); }
    QString outbox() const { return outboxFolder; }
    // The emulator's address-book port and its raw print port.
    int devicePort() const { return addressBookPort; }
    int printPort() const { return faxPort; }
    PrivateCupsd& scheduler() { return cupsd; }

private:
    bool startEmulator(const Setup& setup, QString* error);
    bool makeServerBin(const QString& filter, QString* error);
    bool addQueue(const QString& samplePpd, QString* error);

    PrivateCupsd cupsd;
    QProcess emulator;
    QString outboxFolder;
    int addressBookPort = 0;
    int faxPort = 0;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
