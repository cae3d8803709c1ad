// Starting and stopping the device emulator for tests and benchmarks.
#include "EmulatorProcess.h"

#include "DeviceProtocol.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(5);

// Reads the first line of `fd` within `limit`; answers false on time-out or end of file.
bool readLine(int fd, std::chrono::milliseconds limit, std::string& line) {
    auto deadline = Clock::now() + limit;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0)
            continue;
        char c;
        ssize_t n = read(fd, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line.push_back(c);
    }
}

} // namespace

void writeJsonBook(const std::filesystem::path& file, const abif::DeviceBook& book) {
    std::ofstream(file, std::ios::binary) << abif::encodeAddressBook(book);
}

bool EmulatorProcess::start(const std::vector<std::string>& args, const std::filesystem::path& logFile,
                            std::string& error) {
    stop();
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> argvStrings{DIRECTFAX_DEVICE_EMULATOR};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        pid_ = -1;
        error = "cannot start " + argvStrings[0];
        return false;
    }
    std::string line;
    bool gotLine = readLine(out[0], kStartLimit, line);
    while (gotLine && (line.starts_with("print socket on ") || line.starts_with("faxout on "))) {
        if (line.starts_with("faxout on "))
            faxOutUri_ = line.substr(10);
        line.clear();
        gotLine = readLine(out[0], kStartLimit, line);
    }
    close(out[0]);
    auto colon = line.rfind(':');
    if (!gotLine || !line.starts_with("listening on ") || colon == std::string::npos) {
        error = "the emulator did not come up: \"" + line + "\"";
        stop();
        return false;
    }
    port_ = std::atoi(line.c_str() + colon + 1);
    return port_ > 0;
}

void EmulatorProcess::stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    auto deadline = Clock::now() + kStopLimit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    port_ = 0;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
