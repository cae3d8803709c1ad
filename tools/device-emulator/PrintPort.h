// The emulated printer's raw print port: takes fax jobs (FaxJobStream.h) over TCP, one at a
// time, and files each as a folder in the outbox: "record.json" (the fax record) and
// "pages.tiff" (the pages as they would go out on the fax line).
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

class PrintPort {
public:
    PrintPort(std::string host, int port, std::filesystem::path outbox);
    ~PrintPort();
    PrintPort(const PrintPort&) = delete;
    PrintPort& operator=(const PrintPort&) = delete;

    // Binds the listening socket and makes the outbox; answers the port, or -1 with `error` set.
    int bind(std::string& error);
    // Takes jobs on a thread of its own until the object goes.
    void start();

private:
    void run();
    void receive(int connection);
    bool file(const std::string& record, const std::string& pages, std::string& error);

    std::string host_;
    int port_;
    std::filesystem::path outbox_;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
