// Writing a whole buffer to a file descriptor, going on after interruptions and short writes: the
// programs of the fax path and the address-book export share it.
#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

// False when the descriptor stopped taking bytes (a closed pipe or socket: ignore SIGPIPE first).
inline bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
