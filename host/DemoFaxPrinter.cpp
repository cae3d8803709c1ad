#include "DemoFaxPrinter.h"

#include <PrintSettings.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cups/cups.h>
#include <dlfcn.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr const char* kRecordPrefix = "com.velmora.cps.print.printsettings.";
constexpr int kMaxDestinations = 30;
constexpr int kEmulatorStartMs = 10000;
constexpr int kEmulatorStopMs = 5000;
constexpr const char* kFilterName = "directfax-fax-filter";

// The folders of CUPS' own programs on Debian and on systems that keep them under libexec.
const QStringList kCupsServerBins{QStringLiteral("/usr/lib/cups"), QStringLiteral("/usr/libexec/cups")};

// The first of `candidates` (relative to the CUPS program folders) that exists.
QString findCupsProgram(const QStringList& candidates) {
    for (const QString& folder : kCupsServerBins) {
        for (const QString& candidate : candidates) {
            const QString path = folder + QLatin1Char('/') + candidate;
            if (QFile::exists(path))
                return path;
        }
    }
    return {};
}

// The file of the project's shared library, as this process loaded it.
QString platformLibraryFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&PMPrintSettingsGetValue), &info) == 0 || !info.dli_fname)
        return {};
    return QFile::decodeName(info.dli_fname);
}

// cupsd started by root runs its filters as "lp", who may not reach the folder the filter was
// built or installed in (a home folder, for one). So the filter and the project library it needs
// go into the server's own folder, and a small script starts the copy with that library.
bool installFilter(const QString& filter, const QString& bin) {
    const QString lib = bin + QStringLiteral("/lib");
    const QString platformLibrary = platformLibraryFile();
    if (platformLibrary.isEmpty() || !QDir().mkpath(lib) ||
        !QFile::copy(filter, lib + QLatin1Char('/') + QLatin1String(kFilterName)) ||
        !QFile::copy(platformLibrary, lib + QLatin1Char('/') + QFileInfo(platformLibrary).fileName()))
        return false;
    QFile script(bin + QStringLiteral("/filter/") + QLatin1String(kFilterName));
    const QByteArray quotedLib = "'" + QFile::encodeName(lib).replace("'", "'\\''") + "'";
    const QByteArray text =
        "#!/bin/sh\nLD_LIBRARY_PATH=" + quotedLib + " exec " + quotedLib + "/" + kFilterName + " \"$@\"\n";
    return script.open(QIODevice::WriteOnly) && script.write(text) == text.size() &&
           script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                 QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

// The port at the end of "... HOST:PORT".
int portOf(const QByteArray& line) {
    return line.mid(line.lastIndexOf(':') + 1).trimmed().toInt();
}

} // namespace

QStringList DemoFaxPrinter::privateJobOptions() {
    QStringList names;
    for (const char* name : {"DFaxPassword", "DFaxDelayedPrint", "DFaxDelayedTime", "DFaxDestinationNumber",
                             "DFaxCoverSenderName"})
        names << QLatin1String(kRecordPrefix) + QLatin1String(name);
    for (int n = 1; n <= kMaxDestinations; ++n) {
        names << QStringLiteral("%1DFaxDestinationName%2").arg(QLatin1String(kRecordPrefix)).arg(n)
              << QStringLiteral("%1DFaxDestinationPhoneNumber%2").arg(QLatin1String(kRecordPrefix)).arg(n);
    }
    return names;
}

QString DemoFaxPrinter::privateValuesConfiguration() {
    return PrivateCupsd::jobPrivacyConfiguration(privateJobOptions());
}

bool DemoFaxPrinter::start(const Setup& setup, QString* error) {
    stop();
    outboxFolder = setup.outbox;
    if (!QDir().mkpath(outboxFolder)) {
        *error = QObject::tr("Cannot make the outbox folder \"%1\".").arg(outboxFolder);
        return false;
    }
    cupsd.setPrivateValues(privateJobOptions());
    if (!makeServerBin(setup.filter, error) || !startEmulator(setup, error))
        return false;
    QString why;
    if (!cupsd.start(&why)) {
        stop();
        *error = QObject::tr("The private CUPS server of the demo fax printer did not start: %1").arg(why);
        return false;
    }
    if (!addQueue(setup.samplePpd, error)) {
        stop();
        return false;
    }
    return true;
}

bool DemoFaxPrinter::makeServerBin(const QString& filter, QString* error) {
    const QString bin = cupsd.folder() + QStringLiteral("/serverbin");
    const QString daemon = findCupsProgram({QStringLiteral("daemon")});
    // Debian's cups-daemon has no socket backend; the cups package keeps one aside.
    const QString socket =
        findCupsProgram({QStringLiteral("backend/socket"), QStringLiteral("backend-available/socket")});
    if (daemon.isEmpty() || socket.isEmpty()) {
        *error = QObject::tr("CUPS' socket backend is not installed (Debian package cups).");
        return false;
    }
    if (!QFile::exists(filter)) {
        *error = QObject::tr("The fax filter \"%1\" is missing.").arg(filter);
        return false;
    }
    const bool made =
        QDir().mkpath(bin + QStringLiteral("/backend")) && QDir().mkpath(bin + QStringLiteral("/filter")) &&
        QFile::link(daemon, bin + QStringLiteral("/daemon")) &&
        QFile::link(socket, bin + QStringLiteral("/backend/socket")) && installFilter(filter, bin);
    if (!made) {
        *error = QObject::tr("Cannot prepare the programs of the private CUPS server in \"%1\".").arg(bin);
        return false;
    }
    cupsd.setServerBin(bin);
    return true;
}

bool DemoFaxPrinter::startEmulator(const Setup& setup, QString* error) {
    QStringList arguments{QStringLiteral("--port"),       QStringLiteral("0"),
                          QStringLiteral("--print-port"), QStringLiteral("0"),
                          QStringLiteral("--outbox"),     outboxFolder};
    if (!setup.book.isEmpty())
        arguments << QStringLiteral("--book") << setup.book;
    if (!setup.password.isEmpty())
        arguments << QStringLiteral("--password") << setup.password;
    emulator.setStandardErrorFile(cupsd.folder() + QStringLiteral("/emulator.log"));
    emulator.start(setup.emulator, arguments);
    // It prints its print port, then its address-book port once it serves.
    QDeadlineTimer deadline(kEmulatorStartMs);
    while (addressBookPort == 0 && emulator.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        if (!emulator.canReadLine() && !emulator.waitForReadyRead(int(deadline.remainingTime())))
            continue;
        while (emulator.canReadLine()) {
            const QByteArray line = emulator.readLine();
            if (line.startsWith("print port on "))
                faxPort = portOf(line);
            else if (line.startsWith("listening on "))
                addressBookPort = portOf(line);
        }
    }
    if (addressBookPort <= 0 || faxPort <= 0) {
        stop();
        *error = QObject::tr("The printer emulator \"%1\" did not start.").arg(setup.emulator);
        return false;
    }
    return true;
}

bool DemoFaxPrinter::addQueue(const QString& samplePpd, QString* error) {
    // The queue's PPD is the sample's with our filter for the documents the host sends.
    QFile sample(samplePpd);
    if (!sample.open(QIODevice::ReadOnly)) {
        *error = QObject::tr("Cannot read the sample PPD \"%1\".").arg(samplePpd);
        return false;
    }
    QByteArray ppd = sample.readAll();
    for (const char* type : {"application/pdf", "application/postscript"})
        ppd += QByteArray("*cupsFilter2: \"") + type + " application/vnd.cups-raw 0 " + kFilterName + "\"\n";
    const QString queuePpd = cupsd.folder() + QStringLiteral("/DirectFaxQueue.ppd");
    QFile out(queuePpd);
    if (!out.open(QIODevice::WriteOnly) || out.write(ppd) != ppd.size()) {
        *error = QObject::tr("Cannot write the fax queue's PPD \"%1\".").arg(queuePpd);
        return false;
    }
    out.close();
    QString why;
    if (!cupsd.lpadmin({QStringLiteral("-p"), queue(), QStringLiteral("-v"),
                        QStringLiteral("socket://127.0.0.1:%1").arg(faxPort), QStringLiteral("-P"), queuePpd,
                        QStringLiteral("-E")},
                       &why)) {
        *error = QObject::tr("The fax queue could not be set up: %1").arg(why);
        return false;
    }
    return true;
}

bool DemoFaxPrinter::waitForJobs(std::chrono::milliseconds limit) {
    http_t* http = httpConnect2("127.0.0.1", cupsd.server().section(':', 1).toInt(), nullptr, AF_INET,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
    if (!http)
        return false;
    const QByteArray name = queue().toUtf8();
    QDeadlineTimer deadline(limit);
    bool idle = false;
    while (true) {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(http, &jobs, name.constData(), 0, CUPS_WHICHJOBS_ACTIVE);
        idle = true;
        // Held and stopped jobs wait for someone; only pending and printing ones are on their way.
        for (int i = 0; i < count; ++i)
            idle = idle && jobs[i].state != IPP_JSTATE_PENDING && jobs[i].state != IPP_JSTATE_PROCESSING;
        cupsFreeJobs(count, jobs);
        if (idle || deadline.hasExpired())
            break;
        QThread::msleep(100);
    }
    httpClose(http);
    return idle;
}

void DemoFaxPrinter::stop() {
    cupsd.stop();
    if (emulator.state() != QProcess::NotRunning) {
        emulator.terminate();
        if (!emulator.waitForFinished(kEmulatorStopMs)) {
            emulator.kill();
            emulator.waitForFinished(kEmulatorStopMs);
        }
    }
    addressBookPort = 0;
    faxPort = 0;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
