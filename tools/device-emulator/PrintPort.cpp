#include "PrintPort.h"

#include "FaxJobStream.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

// A sender that stays silent this long loses its connection; a whole job must arrive within
// the second limit.
constexpr int kIdleMs = 15000;
constexpr auto kJobLimit = std::chrono::seconds(120);
constexpr int kMaxRecordDepth = 8;

void log(const std::string& line) {
    std::fprintf(stderr, "directfax-device-emulator: %s\n", line.c_str());
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out.flush());
}

} // namespace

PrintPort::PrintPort(std::string host, int port, std::filesystem::path outbox)
    : host_(std::move(host)), port_(port), outbox_(std::move(outbox)) {}

PrintPort::~PrintPort() {
    stopping_ = true;
    if (listener_ >= 0)
        ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

int PrintPort::bind(std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(outbox_, ec);
    if (ec) {
        error = "cannot make the outbox " + outbox_.string() + ": " + ec.message();
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &found) != 0 || !found) {
        error = "not a numeric address: " + host_;
        return -1;
    }
    listener_ = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const bool bound = listener_ >= 0 && ::bind(listener_, found->ai_addr, found->ai_addrlen) == 0 &&
                       ::listen(listener_, 4) == 0;
    ::freeaddrinfo(found);
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (!bound || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen for print jobs on " + host_ + ":" + std::to_string(port_);
        return -1;
    }
    return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                               : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

void PrintPort::start() {
    thread_ = std::thread([this] { run(); });
}

void PrintPort::run() {
    while (!stopping_) {
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (stopping_)
                return;
            continue;
        }
        receive(connection);
        ::close(connection);
    }
}

void PrintPort::receive(int connection) {
    const auto deadline = std::chrono::steady_clock::now() + kJobLimit;
    std::string stream;
    char buffer[65536];
    while (true) {
        if (std::chrono::steady_clock::now() > deadline) {
            log("print job refused: it took too long to arrive");
            return;
        }
        pollfd p{connection, POLLIN, 0};
        if (::poll(&p, 1, kIdleMs) <= 0) {
            log("print job refused: the sender went silent");
            return;
        }
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n < 0) {
            log("print job refused: the connection failed");
            return;
        }
        if (n == 0)
            break;
        if (stream.size() + size_t(n) > faxjob::kMaxStream) {
            log("print job refused: larger than the printer takes");
            return;
        }
        stream.append(buffer, size_t(n));
    }
    std::string error;
    const auto job = faxjob::decode(stream, error);
    if (!job || !file(std::string(job->record), std::string(job->pages), error)) {
        log("print job refused: " + error);
        return;
    }
}

bool PrintPort::file(const std::string& record, const std::string& pages, std::string& error) {
    // The record is as deep as a filter writes it; anything deeper is refused unread.
    bool tooDeep = false;
    const auto json = nlohmann::json::parse(
        record,
        [&tooDeep](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
            tooDeep = tooDeep || depth > kMaxRecordDepth;
            return !tooDeep;
        },
        false);
    if (tooDeep || json.is_discarded() || !json.is_object()) {
        error = "the fax record is not a JSON object of the printer's kind";
        return false;
    }
    // The job is filed under the next free number; it appears whole, by one rename.
    std::error_code ec;
    for (int number = 1; number < 1000000; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "job-%06d", number);
        const std::filesystem::path target = outbox_ / name;
        if (std::filesystem::exists(target, ec))
            continue;
        const std::filesystem::path incoming = outbox_ / (std::string(".incoming-") + name);
        std::filesystem::remove_all(incoming, ec);
        if (!std::filesystem::create_directory(incoming, ec) ||
            !writeFile(incoming / "record.json", json.dump(2) + "\n") ||
            !writeFile(incoming / "pages.tiff", pages)) {
            error = "cannot write into the outbox " + outbox_.string();
            std::filesystem::remove_all(incoming, ec);
            return false;
        }
        std::filesystem::rename(incoming, target, ec);
        if (ec) {
            error = "cannot file the job in the outbox: " + ec.message();
            return false;
        }
        log("fax job filed as " + target.string());
        return true;
    }
    error = "the outbox is full";
    return false;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
