#include "PluginHost.h"

#include "PluginLoader.h"

#include <QDir>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

struct PluginHost::Loaded {
    std::shared_ptr<Bundle> bundle;
    std::shared_ptr<PdePlugin> plugin;
};

QStringList PluginHost::pluginFolders(const QStringList& commandLineFolders, const QString& environmentValue,
                                      const QString& defaultFolder) {
    if (!commandLineFolders.isEmpty())
        return commandLineFolders;
    const QStringList fromEnvironment = environmentValue.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return {defaultFolder};
}

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() {
    // Plug-ins go before their bundles; the modules stay loaded for the life of the process
    // (PluginLoader), since panels and views they made may outlive the plug-in objects.
    for (auto& loaded : plugins)
        loaded->plugin.reset();
}

int PluginHost::loadFolders(const QStringList& folders) {
    int count = 0;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        if (!dir.exists()) {
            failures << QStringLiteral("Plug-in folder \"%1\" does not exist").arg(folder);
            continue;
        }
        const QStringList bundles =
            dir.entryList({QStringLiteral("*.plugin")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : bundles) {
            QString error;
            if (loadBundle(dir.filePath(name), &error))
                ++count;
            else
                failures << error;
        }
    }
    return count;
}

bool PluginHost::loadBundle(const QString& bundlePath, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("Cannot load the plug-in \"%1\": %2").arg(bundlePath, why);
        return false;
    };
    std::shared_ptr<Bundle> bundle = Bundle::open(bundlePath);
    if (!bundle)
        return fail(QStringLiteral("not a bundle"));
    QString why;
    std::shared_ptr<PdePlugin> plugin = PluginLoader::loadPlugin(*bundle, &why);
    if (!plugin)
        return fail(why);
    if (!plugin->initWithBundle(bundle))
        return fail(QStringLiteral("initWithBundle failed"));
    addPlugin(std::move(bundle), std::move(plugin));
    return true;
}

void PluginHost::addPlugin(std::shared_ptr<Bundle> bundle, std::shared_ptr<PdePlugin> plugin) {
    plugins.push_back(std::make_unique<Loaded>(Loaded{std::move(bundle), std::move(plugin)}));
}

PanelList PluginHost::panelsForType(const QString& type, const std::shared_ptr<PdePluginCallback>& callback) {
    PanelList all;
    for (auto& loaded : plugins) {
        std::optional<PanelList> panels = loaded->plugin->PDEPanelsForType(type, callback);
        if (!panels) {
            failures << QStringLiteral("The plug-in \"%1\" could not make its panels")
                            .arg(loaded->bundle ? loaded->bundle->bundlePath()
                                                : QStringLiteral("(built in)"));
            continue;
        }
        for (auto& panel : *panels)
            if (panel)
                all.push_back(std::move(panel));
    }
    return all;
}

std::size_t PluginHost::pluginCount() const {
    return plugins.size();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
