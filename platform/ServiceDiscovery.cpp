#include "ServiceDiscovery.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <cstring>
#include <netinet/in.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

NetServiceDelegate::~NetServiceDelegate() = default;
NetServiceResolution::~NetServiceResolution() = default;

namespace {

// The handler of one resolution, shared between its owner and the results posted to the main
// thread. A posted result holds only a weak reference: once the owner is gone, it is dropped.
struct Delivery {
    NetServiceResultHandler handler;
    bool delivered = false;
};

// Posts a result to the main thread; it is handed over there unless the resolution ended.
void postResult(std::weak_ptr<Delivery> target, std::optional<std::vector<QByteArray>> addresses) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [target = std::move(target), addresses = std::move(addresses)]() mutable {
            // Keeps the handler alive while it runs, even when it ends the resolution.
            const std::shared_ptr<Delivery> delivery = target.lock();
            if (!delivery || delivery->delivered)
                return;
            delivery->delivered = true;
            delivery->handler(std::move(addresses));
        },
        Qt::QueuedConnection);
}

QByteArray socketAddress(const AvahiAddress& address, AvahiIfIndex interface) {
    if (address.proto == AVAHI_PROTO_INET) {
        sockaddr_in in{};
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = address.data.ipv4.address;
        return QByteArray(reinterpret_cast<const char*>(&in), sizeof in);
    }
    if (address.proto == AVAHI_PROTO_INET6) {
        sockaddr_in6 in6{};
        in6.sin6_family = AF_INET6;
        std::memcpy(in6.sin6_addr.s6_addr, address.data.ipv6.address, sizeof in6.sin6_addr.s6_addr);
        in6.sin6_scope_id = interface > 0 ? static_cast<uint32_t>(interface) : 0;
        return QByteArray(reinterpret_cast<const char*>(&in6), sizeof in6);
    }
    return {};
}

// Avahi through its client library. The library runs its own event thread; results cross to
// the main thread through postResult.
class AvahiResolution : public NetServiceResolution {
public:
    AvahiResolution(const QString& domain, const QString& type, const QString& name,
                    NetServiceResultHandler handler)
        : delivery(std::make_shared<Delivery>()) {
        delivery->handler = std::move(handler);
        poll = avahi_threaded_poll_new();
        int error = 0;
        if (poll)
            client = avahi_client_new(avahi_threaded_poll_get(poll), AvahiClientFlags(0), clientChanged, this,
                                      &error);
        if (client)
            resolver = avahi_service_resolver_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                  name.toUtf8().constData(), type.toUtf8().constData(),
                                                  domain.toUtf8().constData(), AVAHI_PROTO_UNSPEC,
                                                  AvahiLookupFlags(0), resolved, this);
        if (!resolver || avahi_threaded_poll_start(poll) < 0)
            postResult(delivery, std::nullopt);
    }

    ~AvahiResolution() override {
        // After the event thread has stopped no callback runs; results already posted find
        // their delivery gone.
        if (poll)
            avahi_threaded_poll_stop(poll);
        if (resolver)
            avahi_service_resolver_free(resolver);
        if (client)
            avahi_client_free(client);
        if (poll)
            avahi_threaded_poll_free(poll);
    }

private:
    static void clientChanged(AvahiClient*, AvahiClientState state, void* userdata) {
        if (state == AVAHI_CLIENT_FAILURE)
            postResult(static_cast<AvahiResolution*>(userdata)->delivery, std::nullopt);
    }

    static void resolved(AvahiServiceResolver*, AvahiIfIndex interface, AvahiProtocol,
                         AvahiResolverEvent event, const char*, const char*, const char*, const char*,
                         const AvahiAddress* address, uint16_t, AvahiStringList*, AvahiLookupResultFlags,
                         void* userdata) {
        auto* self = static_cast<AvahiResolution*>(userdata);
        if (event != AVAHI_RESOLVER_FOUND || !address) {
            postResult(self->delivery, std::nullopt);
            return;
        }
        std::vector<QByteArray> addresses;
        if (QByteArray bytes = socketAddress(*address, interface); !bytes.isEmpty())
            addresses.push_back(std::move(bytes));
        postResult(self->delivery, std::move(addresses));
    }

    std::shared_ptr<Delivery> delivery;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiServiceResolver* resolver = nullptr;
};

QMutex backendMutex;
NetServiceBackend installedBackend;

std::unique_ptr<NetServiceResolution> startResolution(const QString& domain, const QString& type,
                                                      const QString& name, NetServiceResultHandler handler) {
    NetServiceBackend backend;
    {
        QMutexLocker lock(&backendMutex);
        backend = installedBackend;
    }
    if (backend)
        return backend(domain, type, name, std::move(handler));
    return std::make_unique<AvahiResolution>(domain, type, name, std::move(handler));
}

} // namespace

void setNetServiceBackend(NetServiceBackend backend) {
    QMutexLocker lock(&backendMutex);
    installedBackend = std::move(backend);
}

NetService::NetService(const QString& domain, const QString& type, const QString& name)
    : theDomain(domain), theType(type), theName(name) {}

NetService::~NetService() {
    stop();
}

void NetService::resolveWithTimeout(double timeout) {
    if (resolution)
        return;
    theAddresses.clear();
    timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    QObject::connect(timer.get(), &QTimer::timeout,
                     [this] { finish(std::nullopt, NSNetServicesTimeoutError); });
    resolution = startResolution(theDomain, theType, theName,
                                 [this](std::optional<std::vector<QByteArray>> addresses) {
                                     finish(std::move(addresses), NSNetServicesNotFoundError);
                                 });
    timer->start(static_cast<int>(std::clamp(timeout, 0.0, 86400.0) * 1000.0));
}

void NetService::stop() {
    resolution.reset();
    timer.reset();
}

void NetService::finish(std::optional<std::vector<QByteArray>> addresses, int errorCode) {
    // The timer's own signal may be running: let it finish before it goes.
    if (timer) {
        timer->stop();
        timer.release()->deleteLater();
    }
    resolution.reset();
    NetServiceDelegate* delegate = theDelegate;
    if (!delegate)
        return;
    // The delegate may delete this service: nothing of it is touched afterwards.
    if (addresses) {
        theAddresses = std::move(*addresses);
        delegate->netServiceDidResolveAddress(this);
    } else {
        delegate->netService(this, QVariantMap{{NSNetServicesErrorCode, errorCode}});
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
