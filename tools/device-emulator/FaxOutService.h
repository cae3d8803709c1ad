// The emulated printer's IPP FaxOut service (ipp://HOST:PORT/ipp/faxout) on libcups' HTTP and
// IPP interfaces: Get-Printer-Attributes, Validate-Job, Print-Job, Create-Job, Send-Document,
// Get-Job-Attributes, Get-Jobs and Cancel-Job. Its jobs are filed in the outbox (FaxOutJobs.h).
//
// Requests are hostile: a request's attributes are read up to a bound, a document up to the
// job's limit, a silent client loses its connection, and only a few clients are served at once.
// Like the address-book port, it serves the user who started it only: another local user's
// connection is answered "403 Forbidden".
#pragma once

#include "FaxOutJobs.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

typedef struct _http_s http_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

class FaxOutService {
public:
    FaxOutService(std::string host, int port, std::filesystem::path outbox);
    ~FaxOutService();
    FaxOutService(const FaxOutService&) = delete;
    FaxOutService& operator=(const FaxOutService&) = delete;

    // Listens; the port (the one asked for, or a free one for 0), or 0 with `error` set.
    int bind(std::string& error);
    // Serves on threads of its own until the object goes.
    void start();
    std::string uri() const;

private:
    struct Shared;
    void acceptLoop();

    std::string host_;
    int port_;
    std::filesystem::path outbox_;
    int listener_ = -1;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
