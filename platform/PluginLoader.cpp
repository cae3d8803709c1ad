#include "PluginLoader.h"

#include <QFile>
#include <dlfcn.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

std::shared_ptr<PdePlugin> PluginLoader::loadPlugin(const Bundle& bundle, QString* error) {
    const QString modulePath = bundle.executablePath();
    if (modulePath.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1: the bundle names no module").arg(bundle.bundlePath());
        return nullptr;
    }
    return loadModule(modulePath, error);
}

std::shared_ptr<PdePlugin> PluginLoader::loadModule(const QString& modulePath, QString* error) {
    const auto fail = [&](const QString& reason) -> std::shared_ptr<PdePlugin> {
        if (error)
            *error = QStringLiteral("%1: %2").arg(modulePath, reason);
        return nullptr;
    };
    if (!QFile::exists(modulePath))
        return fail(QStringLiteral("no such file"));
    // RTLD_NODELETE keeps the module mapped even if someone else closes it.
    void* module = dlopen(QFile::encodeName(modulePath).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module)
        return fail(QString::fromLocal8Bit(dlerror()));
    dlerror();
    void* symbol = dlsym(module, DIRECTFAX_PDE_ENTRY_POINT);
    if (!symbol)
        return fail(QStringLiteral("no entry point %1").arg(QLatin1String(DIRECTFAX_PDE_ENTRY_POINT)));
    const auto create = reinterpret_cast<PdePluginCreateFunction>(symbol);
    PdePlugin* plugin = create();
    if (!plugin)
        return fail(QStringLiteral("the entry point made no plug-in"));
    return std::shared_ptr<PdePlugin>(plugin);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
