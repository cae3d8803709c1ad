// Children die with the program that started them: even when it is killed (SIGKILL leaves it no
// time to stop them), the kernel sends each child `signal` once its parent is gone. Header only.
#pragma once

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// Runs in the child between fork and exec, so it only makes async-signal-safe calls. `parent` is
// the parent's process id taken before the fork: if the parent died before the request took
// effect, the child ends at once.
inline void dieWithParent(pid_t parent, int signal) {
    ::prctl(PR_SET_PDEATHSIG, signal);
    if (::getppid() != parent)
        ::_exit(127);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
