// The loopback-port helper of the host's private servers, for the tests' own servers.
#pragma once

#include "../../host/LoopbackPort.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

using platform::unusedLoopbackPort;

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing
