#include "DemoFaxPrinter.h"

#include "ParentDeath.h"

#include <PrintSettings.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cups/cups.h>
#include <dlfcn.h>
#include <iterator>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr const char* kRecordPrefix = "com.velmora.cps.print.printsettings.";
constexpr int kMaxDestinations = 30;
constexpr int kEmulatorStartMs = 10000;
constexpr int kEmulatorStopMs = 5000;
constexpr const char* kFilterName = "directfax-fax-filter";
// The queue's device URI has the scheme "socket", so the scheduler runs our backend by that name.
constexpr const char* kBackendName = "socket";
constexpr int kQueryMs = 5000;

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
    // CUPS takes whoever asks for a job to be the user the request names, unless the request
    // had to be authenticated: reading jobs needs a known user, so that only the owner passes as
    // the owner. Local programs are known through the scheduler's socket without a password.
    return PrivateCupsd::jobPrivacyConfiguration(privateJobOptions()) +
           QStringLiteral("<Limit Get-Jobs Get-Job-Attributes>\n"
                          "  AuthType Default\n"
                          "  Require valid-user\n"
                          "  Order deny,allow\n"
                          "</Limit>\n");
}

bool DemoFaxPrinter::start(const Setup& setup, QString* error) {
    stop();
    outboxFolder = setup.outbox;
    // The emulator makes the outbox itself, closed to other users.
    if (!QDir().mkpath(QFileInfo(outboxFolder).absolutePath())) {
        *error = QObject::tr("Cannot make the outbox folder \"%1\".").arg(outboxFolder);
        return false;
    }
    cupsd.setPrivateValues(privateJobOptions());
    if (!makeServerBin(setup, error) ||
        (handOverSetup && !installHandOver(cupsd.folder() + QStringLiteral("/serverbin"), error)) ||
        !startEmulator(setup, error))
        return false;
    QString why;
    if (!cupsd.start(&why)) {
        stop();
        *error = QObject::tr("The private CUPS server of the demo fax printer did not start: %1").arg(why);
        return false;
    }
    if (!addQueue(setup.samplePpd, error) || !addFaxOutQueue(error) ||
        (handOverSetup && !addFaxPrinter(error))) {
        stop();
        return false;
    }
    return true;
}

bool DemoFaxPrinter::makeServerBin(const Setup& setup, QString* error) {
    const QString bin = cupsd.folder() + QStringLiteral("/serverbin");
    const QString daemon = findCupsProgram({QStringLiteral("daemon")});
    if (daemon.isEmpty()) {
        *error = QObject::tr("CUPS' helper programs are not installed (Debian package cups-daemon).");
        return false;
    }
    for (const QString& program : {setup.filter, setup.backend}) {
        if (!QFile::exists(program)) {
            *error = QObject::tr("The program \"%1\" of the demo fax printer is missing.").arg(program);
            return false;
        }
    }
    // The backend is only for this user: a root scheduler runs a backend that no one else may
    // read or run as root, which lets it into the private folder of the printer's socket.
    const QString backend = bin + QStringLiteral("/backend/") + QLatin1String(kBackendName);
    const bool made =
        QDir().mkpath(bin + QStringLiteral("/backend")) && QDir().mkpath(bin + QStringLiteral("/filter")) &&
        QFile::link(daemon, bin + QStringLiteral("/daemon")) && QFile::copy(setup.backend, backend) &&
        QFile::setPermissions(backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
        installFilter(setup.filter, bin) && installFaxOutPrograms(bin, error);
    if (!made) {
        if (error->isEmpty())
            *error =
                QObject::tr("Cannot prepare the programs of the private CUPS server in \"%1\".").arg(bin);
        return false;
    }
    cupsd.setServerBin(bin);
    return true;
}

bool DemoFaxPrinter::startEmulator(const Setup& setup, QString* error) {
    QStringList arguments{QStringLiteral("--port"),         QStringLiteral("0"),
                          QStringLiteral("--print-socket"), printSocket(),
                          QStringLiteral("--outbox"),       outboxFolder,
                          QStringLiteral("--faxout-port"),  QStringLiteral("0")};
    if (!setup.book.isEmpty())
        arguments << QStringLiteral("--book") << setup.book;
    if (!setup.password.isEmpty())
        arguments << QStringLiteral("--password") << setup.password;
    emulator.setStandardErrorFile(cupsd.folder() + QStringLiteral("/logs/emulator.log"));
    const pid_t host = ::getpid();
    emulator.setChildProcessModifier([host] { dieWithParent(host, SIGTERM); });
    emulator.start(setup.emulator, arguments);
    // It prints its print socket, then its address-book port once it serves.
    QDeadlineTimer deadline(kEmulatorStartMs);
    while (addressBookPort == 0 && emulator.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        if (!emulator.canReadLine() && !emulator.waitForReadyRead(int(deadline.remainingTime())))
            continue;
        while (emulator.canReadLine()) {
            const QByteArray line = emulator.readLine();
            if (line.startsWith("faxout on "))
                faxOutServiceUri = QString::fromUtf8(line.mid(10).trimmed());
            else if (line.startsWith("listening on "))
                addressBookPort = portOf(line);
        }
    }
    if (addressBookPort <= 0) {
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
    return addQueueWithPpd(queue(), QLatin1String(kDeviceUri), QStringLiteral("DirectFaxQueue.ppd"), ppd,
                           error);
}

bool DemoFaxPrinter::addQueueWithPpd(const QString& name, const QString& uri, const QString& ppdName,
                                     const QByteArray& ppd, QString* error) {
    const QString path = cupsd.folder() + QLatin1Char('/') + ppdName;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(ppd) != ppd.size()) {
        *error = QObject::tr("Cannot write the fax queue's PPD \"%1\".").arg(path);
        return false;
    }
    out.close();
    QString why;
    if (!cupsd.addQueue({name, uri, path, {}, {}}, &why)) {
        *error = QObject::tr("The fax queue could not be set up: %1").arg(why);
        return false;
    }
    return true;
}

namespace {

// The queue's jobs that are not done, as the owner sees them (titles included).
QList<DemoFaxPrinter::QueuedJob> activeJobs(http_t* http, const QByteArray& queue) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 ("ipp://localhost/printers/" + queue).constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(kJobStatusAttributes)), nullptr, kJobStatusAttributes);
    ipp_t* response = cupsDoRequest(http, request, "/");
    QList<DemoFaxPrinter::QueuedJob> jobs = jobStatuses(response);
    ippDelete(response);
    return jobs;
}

} // namespace

QList<DemoFaxPrinter::QueuedJob> DemoFaxPrinter::waitForJobs(std::chrono::milliseconds limit,
                                                             std::function<void(qsizetype)> waiting) {
    const QByteArray socket = QFile::encodeName(server());
    http_t* http =
        httpConnect2(socket.constData(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1, kQueryMs, nullptr);
    if (!http)
        return {{0, {}, IPP_JSTATE_PENDING, QObject::tr("The demo fax printer's server does not answer.")}};
    const QByteArray name = queue().toUtf8();
    QDeadlineTimer deadline(limit);
    QList<QueuedJob> left;
    while (true) {
        left = activeJobs(http, name);
        // Held and stopped jobs wait for someone; only pending and printing ones are on their way.
        const qsizetype moving = std::ranges::count_if(left, &QueuedJob::onItsWay);
        if (moving == 0 || deadline.hasExpired())
            break;
        if (waiting) {
            waiting(moving);
            waiting = nullptr;
        }
        QThread::msleep(100);
    }
    httpClose(http);
    return left;
}

void DemoFaxPrinter::stop() {
    stopFaxAgent();
    cupsd.stop();
    if (emulator.state() != QProcess::NotRunning) {
        emulator.terminate();
        if (!emulator.waitForFinished(kEmulatorStopMs)) {
            emulator.kill();
            emulator.waitForFinished(kEmulatorStopMs);
        }
    }
    addressBookPort = 0;
    faxOutServiceUri.clear();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
