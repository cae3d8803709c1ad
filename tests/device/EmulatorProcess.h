// Runs the device emulator as a child process for tests and benchmarks.
#pragma once

#include "LoopbackPort.h"

#include "DeviceBook.h"

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

// Writes `book` as a JSON address book that the emulator loads.
void writeJsonBook(const std::filesystem::path& file, const abif::DeviceBook& book);

// One directfax-device-emulator process. start() waits for its "listening on" line and reads
// the port from it (after the "print socket on" and "faxout on" lines, if any); stop() (and the
// destructor) end it by its PID.
class EmulatorProcess {
public:
    EmulatorProcess() = default;
    ~EmulatorProcess() { stop(); }
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // `args` follow the program name; the emulator's own log goes to `logFile`.
    // Answers false and sets `error` when it did not come up within a few seconds.
    bool start(const std::vector<std::string>& args, const std::filesystem::path& logFile,
               std::string& error);
    void stop();

    pid_t pid() const { return pid_; }
    int port() const { return port_; }
    // The IPP FaxOut service's URI (with --faxout-port), else "".
    const std::string& faxOutUri() const { return faxOutUri_; }

private:
    std::string faxOutUri_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
