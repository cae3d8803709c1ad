// directfax-print run as a program on its demo fax printer, for the tests of its lifetime: started
// offscreen with no plug-ins, it shows its dialog and waits; the test reads the demo printer's
// socket, private folder and processes, then ends it as it likes.
#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>

namespace host_process {

class HostProcess {
public:
    ~HostProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(90000);
        }
    }

    // Starts the host with its outbox in `outbox`; false with `why` set when the demo printer
    // cannot run here (the test skips) or did not come up.
    bool start(const QString& outbox, QString* why, bool* canRun) {
        process.setProcessEnvironment([] {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            return environment;
        }());
        process.start(QStringLiteral(DIRECTFAX_BINARY_DIR "/host/directfax-print"),
                      {"--plugins", noPlugins.path(), "--outbox", outbox});
        QDeadlineTimer deadline(90000);
        const QString marker = QStringLiteral("demo fax printer: queue DirectFax on ");
        // The fax agent starts last.
        const QString agentMarker = QStringLiteral("fax printer for every program");
        while (!errors.contains(agentMarker) && !deadline.hasExpired() &&
               process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(1000);
            errors += QString::fromUtf8(process.readAllStandardError());
        }
        *canRun = !errors.contains("The sample printer is used");
        *why = errors;
        const qsizetype at = errors.indexOf(marker);
        if (at < 0)
            return false;
        server = errors.mid(at + marker.size()).section(' ', 0, 0);
        folder = QFileInfo(server).path().section('/', 0, -2);
        QFile childList(QStringLiteral("/proc/%1/task/%1/children").arg(process.processId()));
        if (childList.open(QIODevice::ReadOnly))
            children = QString::fromLatin1(childList.readAll()).split(' ', Qt::SkipEmptyParts);
        return children.size() == 3;
    }
    // Sends `signal` and waits for the program to end.
    bool end(int signal) {
        ::kill(pid_t(process.processId()), signal);
        const bool ended = process.waitForFinished(90000);
        errors += QString::fromUtf8(process.readAllStandardError());
        return ended;
    }
    // The children that still run (an ended child the host no longer waits for is a zombie
    // until the system reaps it).
    QStringList running() const {
        QStringList alive;
        for (const QString& child : children) {
            QFile stat("/proc/" + child + "/stat");
            if (stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z "))
                alive << child;
        }
        return alive;
    }

    QProcess process;
    QTemporaryDir noPlugins;
    QString errors;       // what the program wrote on standard error
    QString server;       // the demo printer's scheduler socket
    QString folder;       // its private folder
    QStringList children; // the scheduler, the emulator and the fax agent
};

} // namespace host_process
