#include "PrivateNetwork.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

namespace {

QStringList unshareArguments(const QString& script) {
    return {QStringLiteral("--net"),        QStringLiteral("--mount"),
            QStringLiteral("--pid"),        QStringLiteral("--fork"),
            QStringLiteral("--kill-child"), QStringLiteral("sh"),
            QStringLiteral("-ec"),          QStringLiteral("ip link set lo up\n") + script};
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

PrivateNetwork::~PrivateNetwork() {
    stop();
}

bool PrivateNetwork::permitted(QString* reason) {
    QString output;
    if (run(QStringLiteral("true"), &output) == 0)
        return true;
    *reason = QStringLiteral("no private network namespace here: ") + output.trimmed();
    return false;
}

int PrivateNetwork::run(const QString& script, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("unshare"), unshareArguments(script));
    const bool finished = process.waitForFinished(60000);
    *output = QString::fromLocal8Bit(process.readAll());
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool PrivateNetwork::start(const QString& script, QString* error) {
    stop();
    QList<QByteArray> arguments{QByteArrayLiteral("unshare")};
    for (const QString& argument : unshareArguments(script))
        arguments << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid, "unshare", nullptr, nullptr, argv.data(), environ) != 0) {
        pid = -1;
        *error = QStringLiteral("cannot start unshare");
        return false;
    }
    return true;
}

bool PrivateNetwork::hasExited() {
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid)
        pid = -1;
    return pid <= 0;
}

void PrivateNetwork::stop() {
    if (pid <= 0)
        return;
    // unshare ignores SIGTERM while it waits; its death kills the namespace's first process,
    // and with it every process of the namespace.
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

bool PrivateAvahi::start(const std::vector<Service>& services, QString* error) {
    const QString folder = dir.path();
    const QByteArray busConfig =
        QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)")
            .arg(folder)
            .toUtf8();
    const QByteArray avahiConfig = "[server]\nallow-interfaces=lo\nuse-ipv4=yes\nuse-ipv6=yes\n"
                                   "[wide-area]\nenable-wide-area=no\n"
                                   "[publish]\npublish-hinfo=no\npublish-workstation=no\n";
    if (!dir.isValid() || !writeFile(folder + QStringLiteral("/bus.conf"), busConfig) ||
        !writeFile(folder + QStringLiteral("/avahi.conf"), avahiConfig)) {
        *error = QStringLiteral("cannot write the configuration");
        return false;
    }
    QString script =
        QStringLiteral(
            "cd '%1'\n"
            "mount -t tmpfs tmpfs /run\n"
            "dbus-daemon --config-file=bus.conf --nofork --nopidfile 2>bus.log &\n"
            "until [ -S bus ]; do sleep 0.02; done\n"
            "export DBUS_SYSTEM_BUS_ADDRESS=unix:path=%1/bus\n"
            "avahi-daemon --no-drop-root --no-chroot --no-rlimits -f avahi.conf >avahi.log 2>&1 &\n"
            "until avahi-daemon -c; do sleep 0.05; done\n")
            .arg(folder);
    for (std::size_t i = 0; i < services.size(); ++i) {
        // Each argument in single quotes; the names of the tests hold no quote of their own.
        script += QStringLiteral("avahi-publish -s '%1' '%2' %3 >publish%4.log 2>&1 &\n"
                                 "until grep -q Established publish%4.log; do sleep 0.05; done\n")
                      .arg(services[i].name, services[i].type)
                      .arg(services[i].port)
                      .arg(i);
    }
    script += QStringLiteral("touch ready\nwait\n");
    if (!network.start(script, error))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        if (QFile::exists(folder + QStringLiteral("/ready")))
            return true;
        if (network.hasExited())
            break;
        QThread::msleep(20);
    }
    QFile log(folder + QStringLiteral("/avahi.log"));
    log.open(QIODevice::ReadOnly);
    *error = QStringLiteral("Avahi did not come up: ") + QString::fromLocal8Bit(log.readAll());
    network.stop();
    return false;
}

QString PrivateAvahi::busAddress() const {
    return QStringLiteral("unix:path=") + dir.path() + QStringLiteral("/bus");
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
