#include "HostLog.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

Q_LOGGING_CATEGORY(lcHost, "directfax.host", QtInfoMsg)

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
