// A filter's or backend's error line to the CUPS scheduler ("ERROR: …" on standard error, which
// the scheduler shows as the job's and the printer's state message).
//
// The scheduler takes a program's end before lines of it that it has not read yet, and then
// shows "Filter failed" (or "Backend failed") for good instead of the reason. So the line is
// written, and the program waits, a second at most, until the scheduler has read what is in the
// pipe before it goes on to end.
#pragma once

#include <cstdio>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

inline void reportErrorToScheduler(const std::string& message) {
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
    std::fflush(stderr);
    struct stat info {};
    if (fstat(STDERR_FILENO, &info) != 0 || !S_ISFIFO(info.st_mode))
        return;
    const timespec millisecond{0, 1000 * 1000};
    for (int waited = 0; waited < 1000; ++waited) {
        int unread = 0;
        if (ioctl(STDERR_FILENO, FIONREAD, &unread) != 0 || unread <= 0)
            return;
        nanosleep(&millisecond, nullptr);
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
