// The fax inbox of a desktop session, shared by the fax printer's backend (which puts documents
// into it), the fax agent (which keeps it) and the demo printer (which waits for its agent): its
// name in the session folder, the lock file the agent holds while it runs, and the backend's
// configuration file name. Header only, no Qt.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxinbox {

inline constexpr const char* kInboxName = "directfax-inbox";
inline constexpr const char* kAgentLockName = ".agent";
inline constexpr const char* kHandOverConfiguration = "directfax-handover.conf";

// Whether an agent holds the lock `lock` (relative to the folder `folder`, or a path with
// AT_FDCWD): a regular file, no link followed, that someone else has locked.
inline bool agentRuns(int folder, const char* lock) {
    const int fd = ::openat(folder, lock, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool held = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxinbox
