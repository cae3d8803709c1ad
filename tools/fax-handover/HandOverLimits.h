// What the hand-over backend allows itself: where the users' session folders are, how long it
// waits for a session, how large a document may be and how long it may take to arrive. The
// defaults hold unless the scheduler's program folder ($CUPS_SERVERBIN, which only the scheduler's
// own configuration sets) holds "directfax-handover.conf" owned by root or by the user the
// backend runs as, writable by nobody else: a private scheduler moves the session folders there.
#pragma once

#include <cstdint>
#include <string>

namespace com::velmora::cps::print::pde::tarncrest::directfax::handover {

struct HandOverLimits {
    std::string sessionsRoot = "/run/user"; // the session folder of user UID is sessionsRoot/UID
    int sessionWaitSeconds = 60;            // for the owner's session and its fax agent
    std::int64_t maxBytes = 512LL * 1024 * 1024;
    int readSeconds = 300; // for the whole document

    // The limits for a backend whose scheduler keeps its programs in `serverBin` (may be null).
    static HandOverLimits forServerBin(const char* serverBin);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::handover
