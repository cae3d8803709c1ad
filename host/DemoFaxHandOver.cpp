// The demo fax printer's fax printer for every program: its backend in the scheduler's program
// folder with the configuration that moves the session folders into the scheduler's folder, the
// queue, and the fax agent that answers it.
#include "DemoFaxPrinter.h"
#include "FaxInbox.h"
#include "FaxPrinter.h"
#include "ParentDeath.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// The backend's name in the scheduler's backend folder: the scheme of the fax printer's URI.
constexpr const char* kHandOverName = "directfax-handover";
constexpr int kAgentStopMs = 5000;
constexpr int kAgentStartMs = 10000;

bool writePrivateFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

bool makeFolder(const QString& path, mode_t mode) {
    const QByteArray name = QFile::encodeName(path);
    return (::mkdir(name.constData(), mode) == 0 || errno == EEXIST) && ::chmod(name.constData(), mode) == 0;
}

} // namespace

QString DemoFaxPrinter::faxPrinter() const {
    return QLatin1String(FaxPrinter::kDefaultName);
}

QString DemoFaxPrinter::sessionsRoot() const {
    return cupsd.folder() + QStringLiteral("/sessions");
}

QString DemoFaxPrinter::faxInbox() const {
    return QStringLiteral("%1/%2/%3")
        .arg(sessionsRoot())
        .arg(::geteuid())
        .arg(QLatin1String(faxinbox::kInboxName));
}

bool DemoFaxPrinter::installHandOver(const QString& bin, QString* error) {
    const HandOver& handOver = *handOverSetup;
    const QString backend = bin + QStringLiteral("/backend/") + QLatin1String(kHandOverName);
    // A root scheduler runs a backend that only its owner may run as root: it becomes the job's
    // owner itself. The session folders: everyone may pass through to their own, as in /run/user.
    const QByteArray configuration = "sessions-root " + QFile::encodeName(sessionsRoot()) +
                                     "\nsession-wait " + QByteArray::number(handOver.sessionWaitSeconds) +
                                     "\nmax-bytes " + QByteArray::number(handOver.maxBytes) + "\nread-time " +
                                     QByteArray::number(handOver.readSeconds) + "\n";
    const bool made =
        QFile::copy(handOver.backend, backend) &&
        QFile::setPermissions(backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
        writePrivateFile(bin + QLatin1Char('/') + QLatin1String(faxinbox::kHandOverConfiguration),
                         configuration) &&
        makeFolder(sessionsRoot(), ::geteuid() == 0 ? 0711 : 0700) &&
        makeFolder(QFileInfo(faxInbox()).path(), 0700);
    if (!made)
        *error = QObject::tr("Cannot prepare the fax printer's backend \"%1\".").arg(handOver.backend);
    return made;
}

bool DemoFaxPrinter::addFaxPrinter(QString* error) {
    QString why;
    if (!cupsd.addQueue(FaxPrinter::queue(faxPrinter(), handOverSetup->ppd), &why)) {
        *error = QObject::tr("The fax printer could not be set up: %1").arg(why);
        return false;
    }
    return true;
}

bool DemoFaxPrinter::startFaxAgent(const QString& agent, const QString& host,
                                   const QStringList& hostArguments, QString* error) {
    stopFaxAgent();
    QStringList arguments{QStringLiteral("--inbox"), faxInbox(), QStringLiteral("--queue"), queue(),
                          QStringLiteral("--host"),  host};
    for (const QString& argument : hostArguments)
        arguments << QStringLiteral("--host-argument") << argument;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), server());
    faxAgent.setProcessEnvironment(environment);
    faxAgent.setProcessChannelMode(QProcess::ForwardedChannels);
    const pid_t self = ::getpid();
    faxAgent.setChildProcessModifier([self] { dieWithParent(self, SIGTERM); });
    faxAgent.start(agent, arguments);
    // It is ready once it holds the inbox's lock.
    const QDeadlineTimer deadline(kAgentStartMs);
    bool ready = faxAgent.waitForStarted();
    while (ready && !faxinbox::agentRuns(AT_FDCWD, QFile::encodeName(faxInbox() + QLatin1Char('/') +
                                                                     QLatin1String(faxinbox::kAgentLockName))
                                                       .constData())) {
        ready =
            !deadline.hasExpired() && faxAgent.state() == QProcess::Running && !faxAgent.waitForFinished(20);
    }
    if (!ready) {
        stopFaxAgent();
        *error = QObject::tr("The fax agent \"%1\" did not start.").arg(agent);
    }
    return ready;
}

void DemoFaxPrinter::stopFaxAgent() {
    if (faxAgent.state() == QProcess::NotRunning)
        return;
    faxAgent.terminate();
    if (!faxAgent.waitForFinished(kAgentStopMs)) {
        faxAgent.kill();
        faxAgent.waitForFinished(kAgentStopMs);
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
