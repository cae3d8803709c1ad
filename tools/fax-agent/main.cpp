// directfax-fax-agent: the fax agent of a desktop session (FaxAgent.h), started with the session
// by its autostart entry.
#include "FaxAgent.h"
#include "FaxQueueChoice.h"
#include "TerminationSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::agent;

namespace {

// directfax-print next to the agent, else on the PATH.
QString defaultHost() {
    const QString next =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("directfax-print"));
    return QFileInfo(next).isExecutable() ? next : QStringLiteral("directfax-print");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("directfax-fax-agent"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DIRECTFAX_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens the fax dialog on what any program prints to the fax printer (the queue whose "
                       "device is directfax-handover:/), in this desktop session."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption inbox(
        QStringLiteral("inbox"),
        QStringLiteral("the session's fax inbox (default: $XDG_RUNTIME_DIR/directfax-inbox)"),
        QStringLiteral("DIR"), defaultInbox());
    const QCommandLineOption queue(
        QStringLiteral("queue"),
        QStringLiteral("fax queue for this run (default: the one set with --set-queue, "
                       "else the first of the maker's fax queues)"),
        QStringLiteral("QUEUE"));
    const QCommandLineOption setQueue(QStringLiteral("set-queue"),
                                      QStringLiteral("keep QUEUE as the fax queue of the dialog, and exit"),
                                      QStringLiteral("QUEUE"));
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("the directfax-print program"),
                                  QStringLiteral("PROGRAM"), defaultHost());
    const QCommandLineOption hostArgument(
        QStringLiteral("host-argument"),
        QStringLiteral("one more argument for directfax-print; may be repeated"), QStringLiteral("ARGUMENT"));
    parser.addOptions({inbox, queue, setQueue, host, hostArgument});
    parser.process(app);

    if (parser.isSet(setQueue)) {
        if (!saveFaxQueue(parser.value(setQueue))) {
            std::fputs("directfax-fax-agent: cannot keep the fax queue\n", stderr);
            return 1;
        }
        return 0;
    }
    FaxAgent agent({parser.value(inbox), parser.isSet(queue) ? parser.value(queue) : chosenFaxQueue(),
                    parser.value(host), parser.values(hostArgument)});
    QString error;
    if (!agent.start(&error)) {
        std::fprintf(stderr, "directfax-fax-agent: %s\n", qPrintable(error));
        return 1;
    }
    // A signal ends the agent as logging out does: the open dialog goes with it.
    const com::velmora::cps::print::pde::tarncrest::directfax::platform::TerminationSignals termination;
    std::fprintf(stderr, "directfax-fax-agent: watching %s\n", qPrintable(parser.value(inbox)));
    return app.exec();
}
