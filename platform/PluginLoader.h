// Loads a plug-in bundle's module and creates its principal object through the module's one
// exported entry point (DIRECTFAX_PDE_ENTRY_POINT).
#pragma once

#include "PdeProtocol.h"
#include "PlatformExport.h"

#include <QString>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT PluginLoader {
public:
    // The principal object of the bundle's module (Contents/Linux/<CFBundleExecutable>.so), or
    // null with the reason in `error`. The module stays loaded for the rest of the process:
    // panels, views and Qt type information made by its code may outlive the plug-in object.
    static std::shared_ptr<PdePlugin> loadPlugin(const Bundle& bundle, QString* error = nullptr);
    // The same for a module file given by path.
    static std::shared_ptr<PdePlugin> loadModule(const QString& modulePath, QString* error = nullptr);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
