// Who the program is to the desktop: the name every window of it shows, the desktop entry that
// describes it (data/) and its icon, built into the program from the icon that is installed.
#pragma once

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// The product name, shown with every window title and as the title of the alerts.
inline constexpr char kApplicationDisplayName[] = "DirectFax";
// The desktop entry's id (data/<id>.desktop), also the name of the icon.
inline constexpr char kDesktopEntryId[] = "com.velmora.DirectFaxPrint";
// The icon in the program's resources.
inline constexpr char kApplicationIconResource[] = ":/icons/com.velmora.DirectFaxPrint.svg";

// Gives the running application its display name, desktop entry and window icon.
void applyApplicationIdentity();

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
