// One HTTP exchange with a device, bounded in time and in the size of the reply.
#pragma once

#include "AddressBookIf.h"
#include "DeviceEndpoint.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace abif {

// Most bytes of status line and headers taken in; a device that sends more is treated as broken.
inline constexpr size_t kMaxReplyHeaderBytes = 64 * 1024;

struct DeviceRequest {
    std::string method; // "GET", "POST" or "PUT"
    std::string path;
    std::string body; // sent as application/json when not empty
    std::chrono::milliseconds timeLimit{0};
    size_t maxReplyBody = 0;
};

struct DeviceReply {
    // kAbifSuccess when an HTTP reply arrived whole; otherwise kAbifErrDeviceUnreachable (no
    // connection, or no complete reply within the time limit), kAbifErrProtocol (a broken reply,
    // or one with more headers or body than allowed) or kAbifErrNoMemory.
    int32_t result = kAbifErrDeviceUnreachable;
    int status = 0;
    std::string body;
};

// Sends `request` to `endpoint` over plain HTTP/1.1 and waits at most the request's time limit,
// connection included; the connection is cut when the limit passes. No proxy, no redirects, no
// signals. Never throws.
// An exchange cancelled before or while it runs answers kAbifErrCancelled.
DeviceReply exchange(const DeviceEndpoint& endpoint, const DeviceRequest& request);

// Ends the exchanges in progress on every thread at once and refuses new ones until
// allowExchanges(). Safe from any thread.
void cancelExchanges();
void allowExchanges();

} // namespace abif
