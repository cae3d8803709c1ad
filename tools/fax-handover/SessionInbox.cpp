#include "SessionInbox.h"

#include "FaxInbox.h"
#include "WriteAll.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace com::velmora::cps::print::pde::tarncrest::directfax::handover {

namespace {

// The folder `name` in `parent` when it is the user's own and closed to everyone else.
InboxState openPrivateFolder(int parent, const char* name, uid_t uid, InboxState missing, int* fd) {
    *fd = ::openat(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (*fd < 0)
        return errno == ENOENT ? missing : InboxState::Unsafe;
    struct stat info {};
    if (::fstat(*fd, &info) != 0 || info.st_uid != uid || (info.st_mode & 077) != 0) {
        ::close(*fd);
        *fd = -1;
        return InboxState::Unsafe;
    }
    return InboxState::Ready;
}

std::string randomHex() {
    unsigned char bytes[8] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
        return std::to_string(::getpid());
    char text[2 * sizeof bytes + 1] = {};
    for (size_t i = 0; i < sizeof bytes; ++i)
        std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return text;
}

using Clock = std::chrono::steady_clock;

Delivery copyBounded(int in, int out, std::int64_t maxBytes, Clock::time_point deadline,
                     const volatile std::sig_atomic_t* cancelled) {
    char buffer[65536];
    std::int64_t total = 0;
    while (true) {
        if (*cancelled)
            return Delivery::Cancelled;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Delivery::TooSlow;
        pollfd p{in, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return Delivery::TooSlow;
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Delivery::ReadError;
        if (n == 0)
            return total == 0 ? Delivery::Empty : Delivery::Delivered;
        total += n;
        if (total > maxBytes)
            return Delivery::TooLarge;
        if (!faxjob::writeAll(out, buffer, size_t(n)))
            return Delivery::WriteError;
    }
}

} // namespace

InboxState openInbox(const std::string& sessionsRoot, uid_t uid, int* inbox) {
    *inbox = -1;
    // Passing through the folders is enough, as through /run/user.
    const int root = ::open(sessionsRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return InboxState::NoSession;
    int session = -1;
    InboxState state =
        openPrivateFolder(root, std::to_string(uid).c_str(), uid, InboxState::NoSession, &session);
    ::close(root);
    if (state != InboxState::Ready)
        return state;
    state = openPrivateFolder(session, faxinbox::kInboxName, uid, InboxState::NoAgent, inbox);
    ::close(session);
    if (state == InboxState::Ready && !faxinbox::agentRuns(*inbox, faxinbox::kAgentLockName)) {
        ::close(*inbox);
        *inbox = -1;
        return InboxState::NoAgent;
    }
    return state;
}

std::string documentName(const std::string& jobId, const std::string& title) {
    std::string stem;
    for (size_t i = 0; i < title.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        // A character that would not fit whole ends the title.
        if (stem.size() >= kMaxTitleBytes || (c >= 0xc0 && stem.size() + 4 > kMaxTitleBytes))
            break;
        if (c < 0x20 || c == 0x7f)
            stem += ' ';
        else if (c == '/')
            stem += '-';
        else if (!(stem.empty() && (c == '.' || c == ' ')))
            stem += char(c);
    }
    if (stem.size() > 4 && stem.ends_with(".pdf"))
        stem.resize(stem.size() - 4);
    if (stem.empty())
        stem = "Document";
    return stem + " (job " + jobId + "-" + randomHex() + ").pdf";
}

Delivery deliver(int in, int inbox, const std::string& name, std::int64_t maxBytes, int seconds,
                 const volatile std::sig_atomic_t* cancelled) {
    const std::string part = "." + name + ".part";
    const int out = ::openat(inbox, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             S_IRUSR | S_IWUSR);
    if (out < 0)
        return Delivery::WriteError;
    Delivery result = copyBounded(in, out, maxBytes, Clock::now() + std::chrono::seconds(seconds), cancelled);
    if (::fsync(out) != 0 && result == Delivery::Delivered)
        result = Delivery::WriteError;
    ::close(out);
    if (result == Delivery::Delivered &&
        ::renameat2(inbox, part.c_str(), inbox, name.c_str(), RENAME_NOREPLACE) != 0)
        result = Delivery::WriteError;
    if (result != Delivery::Delivered)
        ::unlinkat(inbox, part.c_str(), 0);
    return result;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::handover
