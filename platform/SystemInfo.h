// What the system tells about itself: the kernel release and the user's home directory.
// Both sources can be replaced, so code that decides on them can be tested.
#pragma once

#include "PlatformExport.h"

#include <QString>
#include <functional>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT SystemInfo {
public:
    using TextSource = std::function<std::optional<QString>()>;

    // The kernel release text ("6.1.0-18-amd64"), from uname(2); nullopt when it cannot be read.
    static std::optional<QString> kernelRelease();
    // The current user's home directory: $HOME when set and not empty, else the password
    // database entry of the real user; nullopt when neither has one.
    static std::optional<QString> homeDirectory();

    // Replace the sources; an empty function restores the system's own. For tests.
    static void setKernelReleaseSource(TextSource source);
    static void setHomeDirectorySource(TextSource source);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
