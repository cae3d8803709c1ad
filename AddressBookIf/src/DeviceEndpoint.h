// Where a device's address book is reached: host, port and the HTTP Host header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace abif {

struct DeviceEndpoint {
    std::string connectHost; // numeric address handed to the socket layer ("fe80::1%2")
    int port = 0;
    std::string hostHeader; // "192.0.2.7:8631", "[fe80::1%25en0]:8631", "localhost:60000"
    std::string display;    // for log lines: "[fe80::1%en0]:8631"
};

// The endpoint of a device of `kind` (kAbifDeviceUSB, kAbifDeviceNetwork) at `address`.
// A network device needs a numeric IPv4 or IPv6 address, optionally in brackets, an IPv6 one
// optionally followed by "%" and an interface name or index; host names are not looked up.
// The port comes from ABIF_DEVICE_PORT (network) or ABIF_USB_PORT (USB) when set to a number
// from 1 to 65535, otherwise from the defaults of the protocol.
// Answers kAbifSuccess or kAbifErrInvalidArgument.
int32_t makeDeviceEndpoint(int32_t kind, const char* address, DeviceEndpoint& endpoint);

// The value of a port variable: 1..65535, or 0 when unset or not a port number.
int portFromText(const char* text);

} // namespace abif
