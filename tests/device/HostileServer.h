// A plain socket server on loopback that answers every connection with one fixed reply, for
// replies no honest device sends; it counts the connections it took.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

// A reply: `head` once, then `unit` repeated to `repeatBytes` (forever when 0 and `endless`), then
// `tail`. Sent in slices, so the test process never holds a large reply.
struct Reply {
    std::string head;
    std::string unit;
    size_t repeatBytes = 0;
    std::string tail;
    bool endless = false;
};

// Answers every connection with one Reply, after reading the request's head.
class HostileServer {
public:
    explicit HostileServer(Reply reply) : reply_(std::move(reply)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~HostileServer() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    int port() const { return port_; }
    int requests() const { return requests_; }

private:
    bool readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 50) > 0;
    }
    void serve() {
        while (!stop_) {
            if (!readable(listener_))
                continue;
            int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            ++requests_;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos && readable(client)) {
                ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, size_t(n));
            }
            answer(client);
            ::close(client);
        }
    }
    bool send(int fd, const std::string& data) {
        for (size_t sent = 0; sent < data.size();) {
            ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0 || stop_)
                return false;
            sent += size_t(n);
        }
        return true;
    }
    void answer(int fd) {
        if (!send(fd, reply_.head))
            return;
        std::string slice;
        if (!reply_.unit.empty())
            while (slice.size() < 64 * 1024)
                slice += reply_.unit;
        for (size_t done = 0; reply_.endless || done < reply_.repeatBytes; done += slice.size()) {
            size_t take = reply_.endless ? slice.size() : std::min(slice.size(), reply_.repeatBytes - done);
            if (!send(fd, slice.substr(0, take)))
                return;
        }
        send(fd, reply_.tail);
    }

    Reply reply_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

// A reply sent as it is.
inline Reply fixed(std::string text) {
    return {std::move(text), {}, 0, {}, false};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
