#include "BoundedRun.h"

#include "ParentDeath.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxMessages = 64 * 1024; // kept for the reason of a failure
constexpr size_t kMaxLine = 4096;          // the rest of a longer line is dropped
constexpr int kMaxLoggedLines = 200;
// How often the child is looked at when the kernel gives no descriptor for its exit.
constexpr int kExitPollMs = 100;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// The signals with which CUPS and a terminal stop the filter.
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, s);
    return set;
}

void setLimit(int resource, std::uint64_t soft, std::uint64_t hard) {
    const rlimit limit{rlim_t(soft), rlim_t(hard)};
    setrlimit(resource, &limit);
}

// The child between fork and exec: async-signal-safe calls only.
[[noreturn]] void becomeChild(char* const* argv, pid_t parent, int out, int err, const RenderLimits& limits) {
    setpgid(0, 0);
    platform::dieWithParent(parent, SIGKILL);
    setLimit(RLIMIT_AS, limits.memoryBytes, limits.memoryBytes);
    // Writing beyond the limit ends the child with SIGXFSZ, so no file grows past it.
    setLimit(RLIMIT_FSIZE, limits.maxOutputBytes, limits.maxOutputBytes);
    const auto cpu = std::uint64_t(limits.jobTime.count()) + 1;
    setLimit(RLIMIT_CPU, cpu, cpu + 2);
    setLimit(RLIMIT_CORE, 0, 0);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int s : {SIGPIPE, SIGXFSZ, SIGXCPU, SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0)
        _exit(127);
    // Nothing else of the filter's (CUPS's back and side channels among them).
    close_range(3, ~0U, 0);
    execvp(argv[0], argv);
    _exit(127);
}

// The child's output, split into lines: page tokens and messages.
class OutputLines {
public:
    OutputLines(const RenderLimits& limits, const std::string& token, RenderRun& run)
        : limits_(limits), token_(token), run_(run), pageDeadline_(Clock::now() + limits.pageTime) {}

    Clock::time_point pageDeadline() const { return pageDeadline_; }

    // Reads what `fd` holds now; false at its end (or on an error).
    bool read(int fd, std::string& partial) {
        char buffer[16384];
        for (int chunk = 0; chunk < 16; ++chunk) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                return false;
            if (n < 0)
                return true;
            for (std::string_view rest(buffer, size_t(n)); !rest.empty();) {
                const size_t end = rest.find('\n');
                const std::string_view piece = rest.substr(0, end);
                partial.append(piece.substr(0, kMaxLine - std::min(kMaxLine, partial.size())));
                if (end == std::string_view::npos)
                    break;
                take(partial);
                partial.clear();
                rest.remove_prefix(end + 1);
            }
        }
        return true;
    }

    void take(std::string_view line) {
        if (line == token_) {
            ++run_.pagesDone;
            pageDeadline_ = Clock::now() + limits_.pageTime;
            return;
        }
        if (line.empty())
            return;
        if (run_.messages.size() < kMaxMessages)
            run_.messages.append(line.substr(0, kMaxMessages - run_.messages.size())).push_back('\n');
        if (logged_ < kMaxLoggedLines) {
            ++logged_;
            std::fprintf(stderr, "DEBUG: %.*s\n", int(line.size()), line.data());
        }
    }

private:
    const RenderLimits& limits_;
    const std::string& token_;
    RenderRun& run_;
    Clock::time_point pageDeadline_;
    int logged_ = 0;
};

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, 60'000));
}

void endedBy(int status, RenderRun& run) {
    if (WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
        // What the child answers when it cannot become the program.
        run.ending = run.exitStatus == 127 ? RenderRun::Ending::NotStarted : RenderRun::Ending::Exited;
    } else if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        run.ending = signal == SIGXFSZ   ? RenderRun::Ending::OutputTooLarge
                     : signal == SIGXCPU ? RenderRun::Ending::JobTimeOut
                                         : RenderRun::Ending::Killed;
    }
}

} // namespace

RenderRun runBounded(const std::vector<std::string>& args, const RenderLimits& limits,
                     const std::string& pageToken) {
    RenderRun run;
    if (args.empty())
        return run;
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return run;
    Fd outRead(ends[0]), outWrite(ends[1]);
    if (pipe2(ends, O_CLOEXEC) != 0)
        return run;
    Fd errRead(ends[0]), errWrite(ends[1]);
    for (int fd : {outRead.get(), errRead.get()})
        fcntl(fd, F_SETFL, O_NONBLOCK);

    // A stop signal from now on is read from `signals`, not acted on, until the child is gone.
    const sigset_t stops = stopSignals();
    sigset_t previousMask;
    sigprocmask(SIG_BLOCK, &stops, &previousMask);
    Fd signals(signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK));

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        becomeChild(argv.data(), parent, outWrite.get(), errWrite.get(), limits);
    if (pid < 0) {
        sigprocmask(SIG_SETMASK, &previousMask, nullptr);
        return run;
    }
    setpgid(pid, pid); // as the child does, whichever of the two comes first
    outWrite.reset();
    errWrite.reset();
    Fd exitWatch(int(syscall(SYS_pidfd_open, pid, 0)));

    OutputLines lines(limits, pageToken, run);
    std::string partial[2];
    Fd* readEnds[2] = {&outRead, &errRead};
    const Clock::time_point jobDeadline = Clock::now() + limits.jobTime;
    std::optional<RenderRun::Ending> stop;
    int status = 0;
    bool reaped = false;
    while (!reaped && !stop) {
        const Clock::time_point deadline = std::min(jobDeadline, lines.pageDeadline());
        if (Clock::now() >= deadline) {
            stop = deadline == jobDeadline ? RenderRun::Ending::JobTimeOut : RenderRun::Ending::PageTimeOut;
            break;
        }
        std::array<pollfd, 4> watched{{{outRead.get(), POLLIN, 0},
                                       {errRead.get(), POLLIN, 0},
                                       {signals.get(), POLLIN, 0},
                                       {exitWatch.get(), POLLIN, 0}}};
        int wait = millisecondsUntil(deadline);
        if (exitWatch.get() < 0)
            wait = std::min(wait, kExitPollMs);
        if (poll(watched.data(), watched.size(), wait) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if ((watched[size_t(i)].revents & (POLLIN | POLLHUP | POLLERR)) &&
                !lines.read(readEnds[i]->get(), partial[i]))
                readEnds[i]->reset();
        }
        if (limits.maxPages >= 0 && run.pagesDone > limits.maxPages)
            stop = RenderRun::Ending::TooManyPages;
        signalfd_siginfo info{};
        if ((watched[2].revents & POLLIN) && ::read(signals.get(), &info, sizeof info) == sizeof info) {
            run.cancelSignal = int(info.ssi_signo);
            stop = RenderRun::Ending::Cancelled;
        }
        if (exitWatch.get() < 0 || (watched[3].revents & POLLIN))
            reaped = waitpid(pid, &status, WNOHANG) == pid;
    }
    // The whole group goes: the child, or whatever it left behind.
    kill(-pid, SIGKILL);
    if (!reaped) {
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    // What the child wrote before it ended (the pipes' last contents).
    for (int i = 0; i < 2; ++i) {
        while (readEnds[i]->get() >= 0 && lines.read(readEnds[i]->get(), partial[i])) {
            pollfd more{readEnds[i]->get(), POLLIN, 0};
            if (poll(&more, 1, 0) <= 0)
                break;
        }
        if (!partial[i].empty())
            lines.take(partial[i]);
    }
    if (stop)
        run.ending = *stop;
    else
        endedBy(status, run);
    return run;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
