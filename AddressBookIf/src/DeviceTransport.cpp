// HTTP exchanges with a device over cpp-httplib, watched by a deadline.
#include "DeviceTransport.h"

#include "AddressBookIf.h"

#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace abif {

namespace {

// Cuts the client's connection once the deadline passes, until the exchange is over. The socket
// layer's own time-outs bound each wait; this bounds the whole exchange, so a device that sends
// its reply a byte at a time cannot hold the caller either.
class Watchdog {
public:
    Watchdog(httplib::Client& client, std::chrono::steady_clock::time_point deadline)
        : client_(client), deadline_(deadline), thread_([this] { run(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool fired() const {
        std::lock_guard lock(mutex_);
        return fired_;
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, deadline_, [this] { return done_; }))
            return;
        fired_ = true;
        // A connection still being set up has no socket to cut yet: keep trying until it is over.
        while (!done_) {
            client_.stop();
            wake_.wait_for(lock, std::chrono::milliseconds(10), [this] { return done_; });
        }
    }

    httplib::Client& client_;
    std::chrono::steady_clock::time_point deadline_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool fired_ = false;
    std::thread thread_; // last: starts once the rest is set up
};

DeviceReply run(const DeviceEndpoint& endpoint, const DeviceRequest& request) {
    DeviceReply reply;
    httplib::Client client(endpoint.connectHost, endpoint.port);
    auto limit = std::chrono::duration_cast<std::chrono::microseconds>(request.timeLimit);
    client.set_connection_timeout(limit);
    client.set_read_timeout(limit);
    client.set_write_timeout(limit);
    client.set_keep_alive(false);
    client.set_follow_location(false);
    client.set_tcp_nodelay(true);

    httplib::Request req;
    req.method = request.method;
    req.path = request.path;
    req.headers.emplace("Host", endpoint.hostHeader);
    req.headers.emplace("Accept", "application/json");
    if (!request.body.empty()) {
        req.body = request.body;
        req.headers.emplace("Content-Type", "application/json");
    }

    bool replyStarted = false;
    bool oversized = false;
    req.response_handler = [&](const httplib::Response& response) {
        replyStarted = true;
        if (response.has_header("Content-Length") &&
            response.get_header_value<uint64_t>("Content-Length") > request.maxReplyBody) {
            oversized = true;
            return false;
        }
        return true;
    };
    req.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
        if (length > request.maxReplyBody - reply.body.size()) {
            oversized = true;
            return false;
        }
        reply.body.append(data, length);
        return true;
    };

    httplib::Response res;
    httplib::Error error = httplib::Error::Success;
    bool ok;
    bool timedOut;
    {
        Watchdog watchdog(client, std::chrono::steady_clock::now() + request.timeLimit);
        ok = client.send(req, res, error);
        timedOut = watchdog.fired();
    }
    if (oversized) {
        reply.result = kAbifErrProtocol;
    } else if (ok) {
        reply.result = kAbifSuccess;
        reply.status = res.status;
    } else if (timedOut || !replyStarted) {
        reply.result = kAbifErrDeviceUnreachable;
    } else {
        reply.result = kAbifErrProtocol; // the reply broke off
    }
    if (reply.result != kAbifSuccess)
        reply.body.clear();
    return reply;
}

} // namespace

DeviceReply exchange(const DeviceEndpoint& endpoint, const DeviceRequest& request) {
    try {
        return run(endpoint, request);
    } catch (const std::bad_alloc&) {
        return {kAbifErrNoMemory, 0, {}};
    } catch (...) {
        return {kAbifErrProtocol, 0, {}};
    }
}

} // namespace abif
