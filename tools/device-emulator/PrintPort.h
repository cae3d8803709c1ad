// The emulated printer's print port: takes fax jobs (FaxJobStream.h) over a Unix domain socket,
// one at a time, from processes of the printer's own user only, and files each as a folder in the
// outbox: "record.json" (the fax record) and "pages.tiff" (the pages as they would go out on the
// fax line). Each job is acknowledged once it is filed, or refused with the reason.
//
// The outbox and its job folders are 0700, the files 0600, whatever the umask. Several printers
// may share one outbox: a job is written into a hidden folder of its own and renamed into place
// whole, under the first free name "job-NNNNNN".
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

class PrintPort {
public:
    PrintPort(std::filesystem::path socket, std::filesystem::path outbox);
    ~PrintPort();
    PrintPort(const PrintPort&) = delete;
    PrintPort& operator=(const PrintPort&) = delete;

    // Makes the outbox and the listening socket (mode 0600); false with `error` set.
    bool bind(std::string& error);
    // Takes jobs on a thread of its own until the object goes.
    void start();

    // The outbox, made 0700 (or closed to 0700 when an older run left it open); false with
    // `error` set when it is not a folder of this user.
    static bool makeOutbox(const std::filesystem::path& outbox, std::string& error);

    // Files one job's record and pages in `outbox`; answers the job folder's name, or "" with
    // `error` set.
    static std::string file(const std::filesystem::path& outbox, const std::string& record,
                            const std::string& pages, std::string& error);

private:
    void run();
    void receive(int connection);

    std::filesystem::path socket_;
    std::filesystem::path outbox_;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
