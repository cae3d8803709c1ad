// Runs directfax-test-probe as another local user ("nobody"), to try what that user could do to
// the servers and files of the user running the tests. Needs root (to switch users) and a probe
// that user may run; the tests skip with the reason otherwise.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <unistd.h>

namespace second_user {

// The probe, copied where the other user can run it: a build tree in root's home is closed to
// everyone else.
inline const QString& probeProgram() {
    static QTemporaryDir folder;
    static const QString copy = [] {
        const QString path = folder.filePath(QStringLiteral("directfax-test-probe"));
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                 QFile::ReadOther | QFile::ExeOther);
        QFile::copy(QStringLiteral(DIRECTFAX_TEST_PROBE), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        return path;
    }();
    return copy;
}

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
                  QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", probeProgram()} +
                      arguments);
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
        return QStringLiteral("the user nobody cannot run %1: %2").arg(probeProgram(), usage.output);
    return {};
}

// Empty when the other user may run `program`, else why not.
inline QString cannotRun(const QString& program) {
    QProcess test;
    test.start(QStringLiteral("setpriv"),
               {"--reuid=65534", "--regid=65534", "--clear-groups", "test", "-x", program});
    test.waitForFinished(10000);
    return test.exitCode() == 0
               ? QString()
               : QStringLiteral("the user nobody cannot reach %1 in this build tree").arg(program);
}

} // namespace second_user
