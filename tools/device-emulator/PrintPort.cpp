#include "PrintPort.h"

#include "FaxJobStream.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

// A sender that stays silent this long loses its connection; a whole job must arrive within
// the second limit.
constexpr int kIdleMs = 15000;
constexpr auto kJobLimit = std::chrono::seconds(120);
constexpr int kMaxRecordDepth = 8;
constexpr int kMaxJobNumber = 999999;
// How long a refused sender may go on sending before its connection is closed.
constexpr int kDrainMs = 2000;

void log(const std::string& line) {
    std::fprintf(stderr, "directfax-device-emulator: %s\n", line.c_str());
}

// Writes `bytes` into a new file `name` of the folder `dir` (0600, never through a link) and
// makes it durable.
bool writeNewFile(int dir, const char* name, const std::string& bytes) {
    const int fd = ::openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0600) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? size_t(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// Renames the folder `from` to `to` unless `to` exists; false with errno EEXIST when it does.
bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: claim the name with a folder of our own first (mkdir fails
    // when it exists), then put the job in place of that empty folder.
    if (::mkdir(to.c_str(), 0700) != 0)
        return false;
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    ::rmdir(to.c_str());
    errno = EIO;
    return false;
}

// Answers the sender, then lets it finish sending (for a short while at most): a connection
// closed with data unread is reset, and the answer would be lost with it.
void reply(int connection, const std::string& line) {
    const std::string text = line + "\n";
    (void)::send(connection, text.data(), text.size(), MSG_NOSIGNAL);
    ::shutdown(connection, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainMs);
    char buffer[65536];
    pollfd p{connection, POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline && ::poll(&p, 1, kDrainMs) > 0 &&
           ::recv(connection, buffer, sizeof buffer, 0) > 0) {
    }
}

} // namespace

PrintPort::PrintPort(std::filesystem::path socket, std::filesystem::path outbox)
    : socket_(std::move(socket)), outbox_(std::move(outbox)) {}

PrintPort::~PrintPort() {
    stopping_ = true;
    if (listener_ >= 0)
        ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socket_.c_str());
    }
}

bool PrintPort::makeOutbox(const std::filesystem::path& outbox, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(outbox.parent_path(), ec);
    if (::mkdir(outbox.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make the outbox " + outbox.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(outbox.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        ::chmod(outbox.c_str(), 0700) != 0) {
        error = "the outbox " + outbox.string() + " is not a folder of this user";
        return false;
    }
    return true;
}

bool PrintPort::bind(std::string& error) {
    if (!makeOutbox(outbox_, error))
        return false;
    sockaddr_un address{};
    const std::string path = socket_.string();
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "the print socket's path is empty or too long: " + path;
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    // A socket left by an earlier run of this printer gives way; anything else stays.
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::geteuid())
        ::unlink(path.c_str());
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const mode_t mask = ::umask(0177);
    const bool bound =
        listener_ >= 0 && ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::listen(listener_, 8) != 0) {
        error = "cannot take print jobs on " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
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
        // The socket's folder keeps others out; should it not, their jobs are refused here.
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
            peer.uid != ::geteuid()) {
            log("print job refused: it comes from another user");
            reply(connection,
                  std::string(faxjob::kRefusedReply) + "the printer takes jobs of its own user only");
        } else {
            receive(connection);
        }
        ::close(connection);
    }
}

void PrintPort::receive(int connection) {
    const auto deadline = std::chrono::steady_clock::now() + kJobLimit;
    std::string stream;
    char buffer[65536];
    std::string error;
    while (error.empty()) {
        pollfd p{connection, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            error = "it took too long to arrive";
        } else if (::poll(&p, 1, kIdleMs) <= 0) {
            error = "the sender went silent";
        } else {
            const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n == 0)
                break;
            if (n < 0)
                error = "the connection failed";
            else if (stream.size() + size_t(n) > faxjob::kMaxStream)
                error = "it is larger than the printer takes";
            else
                stream.append(buffer, size_t(n));
        }
    }
    std::string filed;
    if (error.empty()) {
        const auto job = faxjob::decode(stream, error);
        if (job)
            filed = file(outbox_, std::string(job->record), std::string(job->pages), error);
    }
    if (filed.empty()) {
        log("print job refused: " + error);
        reply(connection, std::string(faxjob::kRefusedReply) + error);
        return;
    }
    log("fax job filed as " + (outbox_ / filed).string());
    reply(connection, std::string(faxjob::kFiledReply) + filed);
}

std::string PrintPort::file(const std::filesystem::path& outbox, const std::string& record,
                            const std::string& pages, std::string& error) {
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
        return {};
    }
    // The job is written into a hidden folder of its own (mkdtemp: 0700), then appears whole.
    std::string incoming = (outbox / ".incoming-XXXXXX").string();
    if (!::mkdtemp(incoming.data())) {
        error = "cannot write into the outbox " + outbox.string();
        return {};
    }
    const int dir = ::open(incoming.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const bool written = dir >= 0 && writeNewFile(dir, "record.json", json.dump(2) + "\n") &&
                         writeNewFile(dir, "pages.tiff", pages);
    if (dir >= 0)
        ::close(dir);
    if (!written) {
        error = "cannot write into the outbox " + outbox.string() + " (is it full?)";
        std::error_code ec;
        std::filesystem::remove_all(incoming, ec);
        return {};
    }
    for (int number = 1; number <= kMaxJobNumber; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "job-%06d", number);
        if (renameNoReplace(incoming, (outbox / name).string()))
            return name;
        if (errno != EEXIST && errno != ENOTEMPTY) {
            error = "cannot file the job in the outbox: " + std::string(std::strerror(errno));
            break;
        }
    }
    if (error.empty())
        error = "the outbox is full";
    std::error_code ec;
    std::filesystem::remove_all(incoming, ec);
    return {};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
