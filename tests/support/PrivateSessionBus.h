// A D-Bus session bus of the test's own (dbus-daemon --session), made the process's session bus
// before anything opens one; stopped by its PID when the object goes.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

class PrivateSessionBus {
public:
    PrivateSessionBus() {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                      QStringLiteral("--print-address")});
        if (daemon.waitForStarted() && daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    ~PrivateSessionBus() {
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();
            daemon.waitForFinished();
        }
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool isRunning() const { return !address.isEmpty(); }
    QString address;

private:
    QProcess daemon;
};
