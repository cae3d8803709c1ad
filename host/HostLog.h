// The host's diagnostics: the logging category "directfax.host". Information is shown by default;
// QT_LOGGING_RULES="directfax.host.debug=true" adds the details (plug-in folders, printers, jobs).
#pragma once

#include <QLoggingCategory>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

Q_DECLARE_LOGGING_CATEGORY(lcHost)

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
