// Validation of device addresses and the choice of the port.
#include "DeviceEndpoint.h"

#include "AddressBookIf.h"
#include "DeviceProtocol.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <charconv>
#include <cstdlib>

namespace abif {

namespace {

bool isAllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The interface index of an IPv6 zone ("en0" or "2"); 0 when there is no such interface.
unsigned zoneIndex(const std::string& zone) {
    if (isAllDigits(zone)) {
        unsigned index = 0;
        auto [end, ec] = std::from_chars(zone.data(), zone.data() + zone.size(), index);
        return ec == std::errc() && end == zone.data() + zone.size() ? index : 0;
    }
    return if_nametoindex(zone.c_str());
}

int portFor(int32_t kind) {
    const char* variable = kind == kAbifDeviceUSB ? "ABIF_USB_PORT" : "ABIF_DEVICE_PORT";
    int port = portFromText(std::getenv(variable));
    if (port != 0)
        return port;
    return kind == kAbifDeviceUSB ? kUsbPort : kDefaultNetworkPort;
}

// RFC 3986 percent-encoding of everything but the unreserved characters.
std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out.push_back(c);
        } else {
            out += {'%', kHex[u >> 4], kHex[u & 0xF]};
        }
    }
    return out;
}

} // namespace

int portFromText(const char* text) {
    if (!text || !isAllDigits(text))
        return 0;
    std::string_view digits(text);
    int port = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (ec != std::errc() || end != digits.data() + digits.size() || port < 1 || port > 65535)
        return 0;
    return port;
}

int32_t makeDeviceEndpoint(int32_t kind, const char* address, DeviceEndpoint& endpoint) {
    if (kind == kAbifDeviceUSB) {
        // IPP over USB: the link is served on the local host; the address is not used.
        endpoint.port = portFor(kind);
        endpoint.connectHost = "127.0.0.1";
        endpoint.hostHeader = "localhost:" + std::to_string(endpoint.port);
        endpoint.display = endpoint.hostHeader;
        return kAbifSuccess;
    }
    if (kind != kAbifDeviceNetwork || !address)
        return kAbifErrInvalidArgument;

    std::string text(address);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    if (text.empty() || text.size() > 255)
        return kAbifErrInvalidArgument;
    int port = portFor(kind);
    std::string suffix = ":" + std::to_string(port);

    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        endpoint = {text, port, text + suffix, text + suffix};
        return kAbifSuccess;
    }

    std::string host = text;
    std::string zone;
    if (auto percent = text.find('%'); percent != std::string::npos) {
        host = text.substr(0, percent);
        zone = text.substr(percent + 1);
        if (zone.empty())
            return kAbifErrInvalidArgument;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) != 1)
        return kAbifErrInvalidArgument;
    if (zone.empty()) {
        endpoint = {host, port, "[" + host + "]" + suffix, "[" + host + "]" + suffix};
        return kAbifSuccess;
    }
    unsigned index = zoneIndex(zone);
    if (index == 0)
        return kAbifErrInvalidArgument;
    // The socket layer gets the zone as an index; the Host header carries it URL-encoded.
    endpoint = {host + "%" + std::to_string(index), port,
                "[" + host + "%25" + percentEncoded(zone) + "]" + suffix, "[" + text + "]" + suffix};
    return kAbifSuccess;
}

} // namespace abif
