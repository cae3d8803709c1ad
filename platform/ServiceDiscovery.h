// Resolution of a discovered network service (name, type, domain) into socket addresses.
//
// NetService resolves one service with a time-out and tells its delegate, on the thread that
// started it (the Qt main thread), either that the addresses arrived or that it failed. The
// back end is Avahi (through the system D-Bus, DBUS_SYSTEM_BUS_ADDRESS when set); tests may
// install another one with setNetServiceBackend().
#pragma once

#include "PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class NetService;

// Error keys of the failure dictionary.
inline constexpr const char* NSNetServicesErrorCode = "NSNetServicesErrorCode";
inline constexpr int NSNetServicesNotFoundError = -72002;
inline constexpr int NSNetServicesTimeoutError = -72007;

class DIRECTFAX_PLATFORM_EXPORT NetServiceDelegate {
public:
    virtual ~NetServiceDelegate();
    // The service's addresses() are filled. The delegate may stop and delete the service here.
    virtual void netServiceDidResolveAddress(NetService* sender) = 0;
    // Resolution failed or timed out; `errorDict` holds NSNetServicesErrorCode. The delegate
    // may stop and delete the service here.
    virtual void netService(NetService* sender, const QVariantMap& errorDict) = 0;
};

// One resolution in progress in a back end. Destroying it cancels the resolution: its result
// handler is not called afterwards, not even when the result was already on its way.
class DIRECTFAX_PLATFORM_EXPORT NetServiceResolution {
public:
    virtual ~NetServiceResolution();
};

// What a back end delivers, once, on the main thread and never from inside the call that
// started the resolution: socket addresses (raw struct sockaddr
// bytes, in the back end's order), or nullopt when the service could not be resolved.
using NetServiceResultHandler = std::function<void(std::optional<std::vector<QByteArray>> addresses)>;
using NetServiceBackend = std::function<std::unique_ptr<NetServiceResolution>(
    const QString& domain, const QString& type, const QString& name, NetServiceResultHandler handler)>;

// Installs `backend` for the resolutions started from now on; an empty function restores Avahi.
DIRECTFAX_PLATFORM_EXPORT void setNetServiceBackend(NetServiceBackend backend);

class DIRECTFAX_PLATFORM_EXPORT NetService {
public:
    // A service of `type` ("_ipp._tcp.") named `name` in `domain` ("local.").
    NetService(const QString& domain, const QString& type, const QString& name);
    // Stops a resolution in progress; the delegate hears nothing more.
    ~NetService();
    NetService(const NetService&) = delete;
    NetService& operator=(const NetService&) = delete;

    void setDelegate(NetServiceDelegate* delegate) { theDelegate = delegate; }
    // Starts resolving; the delegate hears of the result within `timeout` seconds. Must be
    // called on the main thread, with a Qt application object. A second call while one runs
    // is ignored.
    void resolveWithTimeout(double timeout);
    // Ends a resolution in progress without telling the delegate.
    void stop();

    QString domain() const { return theDomain; }
    QString type() const { return theType; }
    QString name() const { return theName; }
    // The resolved addresses as raw struct sockaddr bytes; empty until resolved.
    const std::vector<QByteArray>& addresses() const { return theAddresses; }

private:
    void finish(std::optional<std::vector<QByteArray>> addresses, int errorCode);

    QString theDomain;
    QString theType;
    QString theName;
    NetServiceDelegate* theDelegate = nullptr;
    std::vector<QByteArray> theAddresses;
    std::unique_ptr<NetServiceResolution> resolution;
    std::unique_ptr<QTimer> timer;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
