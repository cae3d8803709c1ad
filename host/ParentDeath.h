// Children of the host die with it: even when the host is killed (SIGKILL leaves it no time to stop
// them), the kernel sends each child `signal` once the host is gone.
#pragma once

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// Runs in the child between fork and exec, so it only makes async-signal-safe calls. `parent` is
// the host's process id taken before the fork: if the host died before the request took effect,
// the child ends at once.
inline void dieWithParent(pid_t parent, int signal) {
    ::prctl(PR_SET_PDEATHSIG, signal);
    if (::getppid() != parent)
        ::_exit(127);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
