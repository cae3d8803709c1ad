// The printer's network address from its device URI: the target-device part of the Fax
// Settings panel.
//
// The panel keeps one TargetDeviceResolver as a field declared after `printerAddress` (so the
// resolver goes first when the panel is torn down, and a pending service resolution ends
// before the field it writes), and forwards its own method:
//
//     void DirectFaxPdeInterface::resolveTargetDevice() {
//         targetDeviceResolver.resolveTargetDevice(
//             pdePluginCallbackObject ? pdePluginCallbackObject->PMPrinter() : nullptr,
//             [this](const QString& address) { printerAddress = address; });
//     }
//
// For "usb", "lpd", "ipp" and "socket" URIs the address is set (or not) before the call
// returns; for "dnssd" and "mdns" URIs it arrives later through the Qt main thread's event
// loop, at most once, and never after stop() or the resolver's destruction.
#pragma once

#include <ServiceDiscovery.h>

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class Printer;
}

// Turns the zero-terminated host name `hostName` into address text in `resolvedAddress`
// (`size` bytes). A numeric IPv4 or IPv6 address is copied as it is (when it fits with its
// terminator); a name is resolved with getaddrinfo and its first IPv4 or IPv6 result
// written, a link-local IPv6 one followed by "%" and its interface name. Answers 1 when the
// name does not resolve ("CopyResolvedIPAddress - getaddrinfo failed." on standard error),
// else 0, also when no address could be written (the buffer is then left as it was).
int CopyResolvedIPAddress(const char* hostName, char* resolvedAddress, std::size_t size);

class TargetDeviceResolver : public platform::NetServiceDelegate {
public:
    // Receives the printer's address: empty for a USB printer, else the address text.
    using AddressSetter = std::function<void(const QString& printerAddress)>;

    TargetDeviceResolver() = default;
    // Stops a pending service resolution: the setter is not called afterwards.
    ~TargetDeviceResolver() override;
    TargetDeviceResolver(const TargetDeviceResolver&) = delete;
    TargetDeviceResolver& operator=(const TargetDeviceResolver&) = delete;

    // Resolves the device URI of `printer` (none: nothing happens) and hands the address to
    // `setPrinterAddress`, at once or later on the main thread. A resolution still pending
    // from an earlier call is stopped first. Leaves the setter uncalled when there is no
    // address: an unhandled scheme, a name that does not resolve, a failed or timed-out
    // service resolution.
    void resolveTargetDevice(platform::Printer* printer, AddressSetter setPrinterAddress);
    // The same for a device URI given as text.
    void resolveTargetDevice(const QString& deviceURI, AddressSetter setPrinterAddress);
    // Ends a pending service resolution without result.
    void stop();
    // Whether a service resolution is pending.
    bool isResolving() const { return service != nullptr; }

    // The service resolution's callbacks.
    void netServiceDidResolveAddress(platform::NetService* sender) override;
    void netService(platform::NetService* sender, const QVariantMap& errorDict) override;

private:
    void resolveService(const QString& host);
    void resolveHostName(const QString& host);

    AddressSetter setter;
    std::unique_ptr<platform::NetService> service;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
