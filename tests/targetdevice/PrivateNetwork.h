// Shell scripts run in a private network, mount and PID namespace (`unshare`), with only a
// loopback interface. Stopping the first process ends every process of the namespace.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

class PrivateNetwork {
public:
    PrivateNetwork() = default;
    ~PrivateNetwork();
    PrivateNetwork(const PrivateNetwork&) = delete;
    PrivateNetwork& operator=(const PrivateNetwork&) = delete;

    // Whether this process may make such namespaces; the reason when not.
    static bool permitted(QString* reason);
    // Runs `script` there to its end; its exit status (-1 when it could not start) and output.
    static int run(const QString& script, QString* output);

    // Starts `script` there in the background; false with `error` set when it cannot start.
    bool start(const QString& script, QString* error);
    // Ends the namespace and every process in it, and waits for that.
    void stop();
    // Whether the first process has ended (it is then reaped).
    bool hasExited();

private:
    pid_t pid = -1;
};

// An Avahi daemon of its own, limited to the loopback interface of a private network, with
// its own system bus (a socket in a temporary folder) and the services given published.
class PrivateAvahi {
public:
    struct Service {
        QString name;
        QString type;
        int port;
    };

    // Starts the bus, the daemon and one publisher per service, and waits until every service
    // is published; false with `error` set when that fails.
    bool start(const std::vector<Service>& services, QString* error);
    void stop() { network.stop(); }
    // The address of its system bus, for DBUS_SYSTEM_BUS_ADDRESS.
    QString busAddress() const;

private:
    QTemporaryDir dir;
    PrivateNetwork network;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
