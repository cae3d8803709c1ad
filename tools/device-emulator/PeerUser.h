// Whose process is at the other end of a TCP connection on this machine: the kernel's socket
// tables (/proc/net/tcp and tcp6) list each end of a loopback connection with its owner.
#pragma once

#include <optional>
#include <sys/types.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

// The owner of the socket whose local port is `peerPort` and whose remote port is `ownPort`: the
// client of a connection this process accepted on `ownPort`. Nullopt when no such socket is
// listed (the peer is on another machine, or it has gone).
std::optional<uid_t> localPeerUser(int ownPort, int peerPort);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
