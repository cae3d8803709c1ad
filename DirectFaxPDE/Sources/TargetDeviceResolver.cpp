#include "TargetDeviceResolver.h"

#include <PrintSettings.h>

#include <QDebug>
#include <QRegularExpression>
#include <QUrl>

#include <arpa/inet.h>
#include <array>
#include <cstdio>
#include <cstring>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr std::size_t kHostNameBufferSize = 4096;
constexpr std::size_t kResolvedAddressBufferSize = 4096;
constexpr std::size_t kServiceIPv4BufferSize = 16;
constexpr std::size_t kServiceIPv6BufferSize = 46;
constexpr double kServiceResolveTimeout = 5.0;

struct DeviceUri {
    QString scheme;
    QString host;
};

// The scheme and the host of a URI ("scheme://[userinfo@]host[:port]/..."); the host of an
// IPv6 literal without its brackets, its zone ("%25en0") as the resolver spells it ("%en0").
DeviceUri splitDeviceUri(const QString& uri) {
    DeviceUri parts;
    const qsizetype colon = uri.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return parts;
    parts.scheme = uri.left(colon);
    if (uri.mid(colon + 1, 2) != QStringLiteral("//"))
        return parts;
    QString authority = uri.mid(colon + 3);
    const qsizetype end = authority.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    if (end >= 0)
        authority.truncate(end);
    authority = authority.mid(authority.lastIndexOf(QLatin1Char('@')) + 1);
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close > 0)
            parts.host = authority.mid(1, close - 1).replace(QStringLiteral("%25"), QStringLiteral("%"));
    } else {
        parts.host = authority.left(authority.indexOf(QLatin1Char(':')));
    }
    return parts;
}

bool isLinkLocal(const in6_addr& address) {
    return address.s6_addr[0] == 0xFE && (address.s6_addr[1] & 0xC0) == 0x80;
}

// The text of an IPv6 address into `out` (`size` bytes); a link-local address followed by "%"
// and the name of its interface when that is known and fits. False when the address text
// itself does not fit.
bool IPv6AddressText(const sockaddr_in6& address, char* out, std::size_t size) {
    if (!inet_ntop(AF_INET6, &address.sin6_addr, out, static_cast<socklen_t>(size)))
        return false;
    std::array<char, IF_NAMESIZE> interfaceName{};
    if (isLinkLocal(address.sin6_addr) && if_indextoname(address.sin6_scope_id, interfaceName.data()) &&
        std::strlen(out) + 1 + std::strlen(interfaceName.data()) + 1 <= size) {
        std::array<char, kServiceIPv6BufferSize + IF_NAMESIZE> scoped{};
        std::snprintf(scoped.data(), scoped.size(), "%s%%%s", out, interfaceName.data());
        std::snprintf(out, size, "%s", scoped.data());
    }
    return true;
}

} // namespace

int CopyResolvedIPAddress(const char* hostName, char* resolvedAddress, std::size_t size) {
    if (!hostName || !resolvedAddress || size == 0)
        return 1;
    std::array<unsigned char, sizeof(in6_addr)> numeric{};
    if (inet_pton(AF_INET, hostName, numeric.data()) == 1 ||
        inet_pton(AF_INET6, hostName, numeric.data()) == 1) {
        // Cut short, the text would name another address: then nothing is written.
        if (std::strlen(hostName) < size)
            std::memcpy(resolvedAddress, hostName, std::strlen(hostName) + 1);
        return 0;
    }
    addrinfo* results = nullptr;
    if (getaddrinfo(hostName, nullptr, nullptr, &results) != 0) {
        std::fputs("CopyResolvedIPAddress - getaddrinfo failed.\n", stderr);
        return 1;
    }
    for (const addrinfo* entry = results; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET6) {
            if (IPv6AddressText(*reinterpret_cast<const sockaddr_in6*>(entry->ai_addr), resolvedAddress,
                                size))
                break;
            continue;
        }
        if (entry->ai_family == AF_INET &&
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr,
                      resolvedAddress, static_cast<socklen_t>(size)))
            break;
        std::fputs("CopyResolvedIPAddress - inet_ntop-IPv4 error.\n", stderr);
    }
    freeaddrinfo(results);
    return 0;
}

TargetDeviceResolver::~TargetDeviceResolver() {
    stop();
}

void TargetDeviceResolver::stop() {
    service.reset();
}

void TargetDeviceResolver::resolveTargetDevice(platform::Printer* printer, AddressSetter setPrinterAddress) {
    QString deviceURI;
    if (printer && platform::PMPrinterCopyDeviceURI(printer, &deviceURI) == platform::noErr)
        resolveTargetDevice(deviceURI, std::move(setPrinterAddress));
}

void TargetDeviceResolver::resolveTargetDevice(const QString& deviceURI, AddressSetter setPrinterAddress) {
    stop();
    if (deviceURI.isEmpty())
        return;
    setter = std::move(setPrinterAddress);
    const DeviceUri uri = splitDeviceUri(deviceURI);
    const auto schemeIs = [&uri](const char* name) {
        return uri.scheme.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (schemeIs("mdns") || schemeIs("dnssd"))
        resolveService(uri.host);
    else if (schemeIs("lpd") || schemeIs("ipp") || schemeIs("socket"))
        resolveHostName(uri.host);
    else if (schemeIs("usb"))
        setter(QString(""));
}

void TargetDeviceResolver::resolveService(const QString& host) {
    const QString serviceText = QUrl::fromPercentEncoding(host.toUtf8());
    if (serviceText.isEmpty())
        return;
    const QString beforeTcp = serviceText.left(serviceText.indexOf(QStringLiteral("._tcp")));
    const qsizetype lastDot = beforeTcp.lastIndexOf(QLatin1Char('.'));
    if (lastDot < 0)
        return;
    const QString name = beforeTcp.left(lastDot);
    const QString type = beforeTcp.mid(lastDot + 1) + QStringLiteral("._tcp.");
    service = std::make_unique<platform::NetService>(QStringLiteral("local."), type, name);
    service->setDelegate(this);
    service->resolveWithTimeout(kServiceResolveTimeout);
}

void TargetDeviceResolver::resolveHostName(const QString& host) {
    const QByteArray hostText = host.toUtf8();
    // A longer text is no host name; cut short it could name another machine.
    if (hostText.isEmpty() || static_cast<std::size_t>(hostText.size()) >= kHostNameBufferSize)
        return;
    std::array<char, kHostNameBufferSize> hostName{};
    std::memcpy(hostName.data(), hostText.constData(), static_cast<std::size_t>(hostText.size()));
    std::array<char, kResolvedAddressBufferSize> resolvedAddress{};
    if (CopyResolvedIPAddress(hostName.data(), resolvedAddress.data(), resolvedAddress.size()) != 0)
        return;
    // A name without a usable address is no USB printer: the address stays unavailable.
    if (resolvedAddress[0] == '\0')
        return;
    setter(QString::fromLatin1(resolvedAddress.data()));
}

void TargetDeviceResolver::netServiceDidResolveAddress(platform::NetService* sender) {
    if (sender != service.get())
        return;
    std::array<char, kServiceIPv6BufferSize> text{};
    bool converted = false;
    for (const QByteArray& address : sender->addresses()) {
        sa_family_t family = AF_UNSPEC;
        if (static_cast<std::size_t>(address.size()) >= sizeof family)
            std::memcpy(&family, address.constData(), sizeof family);
        if (family == AF_INET && static_cast<std::size_t>(address.size()) >= sizeof(sockaddr_in)) {
            sockaddr_in in{};
            std::memcpy(&in, address.constData(), sizeof in);
            converted = inet_ntop(AF_INET, &in.sin_addr, text.data(), kServiceIPv4BufferSize) != nullptr;
            break;
        }
        if (family == AF_INET6 && static_cast<std::size_t>(address.size()) >= sizeof(sockaddr_in6)) {
            sockaddr_in6 in6{};
            std::memcpy(&in6, address.constData(), sizeof in6);
            converted = IPv6AddressText(in6, text.data(), text.size());
            break;
        }
    }
    // Ends the resolution before the address goes out, so nothing of it outlives this call.
    const std::unique_ptr<platform::NetService> finished = std::move(service);
    finished->stop();
    if (converted)
        setter(QString::fromLatin1(text.data()));
}

void TargetDeviceResolver::netService(platform::NetService* sender, const QVariantMap&) {
    if (sender != service.get())
        return;
    qWarning().noquote() << "Failed to resolve the Bonjour service" << sender->name();
    service.reset();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
