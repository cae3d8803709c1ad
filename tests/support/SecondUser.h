// Runs directfax-test-probe as another local user ("nobody"), to try what that user could do to
// the servers and files of the user running the tests. Needs root (to switch users) and a probe
// that user may run; the tests skip with the reason otherwise.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <unistd.h>

namespace second_user {

inline const QString kProbe = QStringLiteral(DIRECTFAX_TEST_PROBE);

struct Outcome {
    int exitCode = -1; // 0: got through, 3: kept out
    QString output;
    bool gotThrough() const { return exitCode == 0; }
    bool keptOut() const { return exitCode == 3; }
};

inline Outcome probe(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("setpriv"),
                  QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", kProbe} + arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

// Empty when the probe can run as the other user here, else why not.
inline QString unavailable() {
    if (::geteuid() != 0)
        return QStringLiteral("switching to another user needs root");
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        return QStringLiteral("setpriv is not installed (Debian package util-linux)");
    const Outcome usage = probe({});
    if (usage.exitCode != 2)
        return QStringLiteral("the user nobody cannot run %1: %2").arg(kProbe, usage.output);
    return {};
}

} // namespace second_user
