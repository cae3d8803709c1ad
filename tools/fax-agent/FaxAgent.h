// The fax agent of a desktop session: it keeps the session's fax inbox (a folder of the user's
// alone, where the fax printer's backend puts what any program printed to it), holds the inbox's
// lock for as long as it runs (so that the backend knows someone will answer), and opens the fax
// dialog (directfax-print on the user's fax queue) on each document, one at a time. A document
// goes once its dialog has closed, sent or cancelled; what a killed session left goes at the
// next start.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace com::velmora::cps::print::pde::tarncrest::directfax::agent {

class FaxAgent : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString inbox;             // the session's fax inbox
        QString queue;             // the fax queue the dialog opens on
        QString host;              // the directfax-print program
        QStringList hostArguments; // given to it before the queue and the document
    };

    explicit FaxAgent(Options agentOptions, QObject* parent = nullptr);
    ~FaxAgent() override;

    // Makes the inbox, takes its lock, clears what an earlier agent left and starts watching;
    // false with `error` set when the inbox is not the user's alone or another agent keeps it.
    bool start(QString* error);

signals:
    // A dialog closed on `document` (the path it had) with the host's exit code.
    void documentDone(const QString& document, int exitCode);

private:
    void scan();
    void openNext();
    // The document the host had open is done with: it goes, and the next one opens.
    void finishCurrent(int exitCode);

    Options options;
    int lockFd = -1;
    QFileSystemWatcher watcher;
    QStringList waiting;
    QProcess host;
    QString current;
};

// The inbox in the session folder $XDG_RUNTIME_DIR; empty without one.
QString defaultInbox();

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::agent
