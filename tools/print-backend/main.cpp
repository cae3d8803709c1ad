// directfax-backend: the CUPS backend of the demo fax printer's queue. It hands the fax job stream
// that the fax filter wrote (FaxJobStream.h) to the printer through the printer's print socket and
// waits for the printer's answer:
// the job succeeds only once the printer has filed it. Otherwise the job fails with the
// printer's reason as its state message.
//
// Arguments as CUPS gives them: job-id user title copies options [file]; the job on standard
// input when no file is given. Without arguments (device discovery) it lists no device.
//
// The print socket is "print.sock" in the folder "run" next to the scheduler's program folder
// (CUPS_SERVERBIN), which the demo printer's private scheduler keeps for its own user;
// DIRECTFAX_PRINT_SOCKET names another one.
#include "FaxJobStream.h"
#include "SchedulerMessage.h"
#include "WriteAll.h"

#include <cups/backend.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;

namespace {

// How long the printer may take to answer once the whole job is with it: it reads for at most
// two minutes before it gives up on a sender.
constexpr int kAnswerMs = 150 * 1000;

int fail(const std::string& message) {
    reportErrorToScheduler(message);
    return CUPS_BACKEND_FAILED;
}

std::string printSocket() {
    if (const char* path = std::getenv("DIRECTFAX_PRINT_SOCKET"))
        return path;
    const char* serverBin = std::getenv("CUPS_SERVERBIN");
    return serverBin && *serverBin ? std::string(serverBin) + "/../run/print.sock" : std::string();
}

int connectTo(const char* path) {
    sockaddr_un address{};
    if (!path || !*path || std::strlen(path) >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to `size` bytes of the job; -1 on a read error.
ssize_t readSome(int in, char* buffer, size_t size) {
    ssize_t n;
    while ((n = ::read(in, buffer, size)) < 0 && errno == EINTR) {
    }
    return n;
}

// Copies the job from `in` to the printer, after the `first` bytes already read; false when the
// printer stopped taking it.
bool copyJob(int in, int printer, const char* first, size_t firstSize) {
    if (!faxjob::writeAll(printer, first, firstSize))
        return false;
    char buffer[65536];
    ssize_t n;
    while ((n = readSome(in, buffer, sizeof buffer)) > 0) {
        if (!faxjob::writeAll(printer, buffer, size_t(n)))
            return false;
    }
    return n == 0;
}

// The printer's answer line, without its line end; empty when none came in time.
std::string readAnswer(int printer) {
    std::string answer;
    char buffer[256];
    while (answer.size() < faxjob::kMaxReply && answer.find('\n') == std::string::npos) {
        pollfd p{printer, POLLIN, 0};
        if (::poll(&p, 1, kAnswerMs) <= 0)
            return {};
        const ssize_t n = ::recv(printer, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(buffer, size_t(n));
    }
    const size_t end = answer.find('\n');
    return end == std::string::npos ? std::string() : answer.substr(0, end);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1)
        return CUPS_BACKEND_OK;
    // A printer that hangs up is told by its answer, or its silence, not by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 6 || argc > 7) {
        std::fputs("usage: directfax-backend job-id user title copies options [file]\n", stderr);
        return CUPS_BACKEND_FAILED;
    }
    const int in = argc == 7 ? ::open(argv[6], O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
    if (in < 0)
        return fail("The fax job's data could not be read.");
    // A filter that failed leaves nothing to send; the job fails by its status and message.
    char first[65536];
    const ssize_t firstSize = readSome(in, first, sizeof first);
    if (firstSize < 0)
        return fail("The fax job's data could not be read.");
    if (firstSize == 0) {
        std::fputs("DEBUG: No fax job to send\n", stderr);
        return CUPS_BACKEND_OK;
    }
    const int printer = connectTo(printSocket().c_str());
    if (printer < 0)
        return fail("The fax printer cannot be reached.");
    std::fputs("INFO: Handing the fax job to the printer\n", stderr);
    const bool sent = copyJob(in, printer, first, size_t(firstSize));
    ::shutdown(printer, SHUT_WR);
    // The printer answers even when it stopped reading early; its reason beats ours.
    const std::string answer = readAnswer(printer);
    ::close(printer);
    if (answer.starts_with(faxjob::kFiledReply)) {
        std::fprintf(stderr, "INFO: The printer filed the fax job as %s\n",
                     answer.substr(faxjob::kFiledReply.size()).c_str());
        return CUPS_BACKEND_OK;
    }
    if (answer.starts_with(faxjob::kRefusedReply))
        return fail("The fax printer refused the job: " + answer.substr(faxjob::kRefusedReply.size()) + ".");
    return fail(sent ? "The fax printer did not confirm that it took the job."
                     : "The fax job could not be handed to the printer.");
}
