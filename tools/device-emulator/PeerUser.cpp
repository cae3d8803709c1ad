#include "PeerUser.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

// The port of an "ADDRESS:PORT" field (both in hexadecimal).
int portOf(const std::string& field) {
    const size_t colon = field.rfind(':');
    int port = -1;
    if (colon != std::string::npos)
        std::from_chars(field.data() + colon + 1, field.data() + field.size(), port, 16);
    return port;
}

} // namespace

std::optional<uid_t> localPeerUser(int ownPort, int peerPort) {
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line); // the heading
        while (std::getline(in, line)) {
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid ...
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits;
            uid_t uid = 0;
            if (fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid &&
                portOf(local) == peerPort && portOf(remote) == ownPort)
                return uid;
        }
    }
    return std::nullopt;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
