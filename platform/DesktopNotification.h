// Telling the user something after the windows have closed, the way the desktop does: a
// notification through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), named after the application and its desktop entry.
#pragma once

#include "PlatformExport.h"

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

enum class NotificationKind { Information, Failure };

// Shows `summary` (and `body`, which may be empty); a failure is urgent. False when no
// notification service answered within a few seconds.
DIRECTFAX_PLATFORM_EXPORT bool showDesktopNotification(const QString& summary, const QString& body,
                                                       NotificationKind kind);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
