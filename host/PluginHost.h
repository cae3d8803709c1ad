// Finds the plug-in bundles in the host's plug-in folders, loads each through its entry point
// and asks the loaded plug-ins for their panels.
#pragma once

#include "PdeProtocol.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class PluginHost {
public:
    // Environment variable with the plug-in folders, separated by ':'.
    static constexpr const char* kPluginPathVariable = "DIRECTFAX_PLUGIN_PATH";

    // The folders to search: those given on the command line, else those of the environment
    // variable's value, else `defaultFolder`.
    static QStringList pluginFolders(const QStringList& commandLineFolders, const QString& environmentValue,
                                     const QString& defaultFolder);

    PluginHost();
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Loads every NAME.plugin bundle of the folders, in folder order and by name within a
    // folder; answers how many loaded. Failures are kept in errors().
    int loadFolders(const QStringList& folders);
    // Opens the bundle, loads its module, creates the plug-in through the entry point and
    // calls initWithBundle. False with `error` set when any step fails.
    bool loadBundle(const QString& bundlePath, QString* error);
    // Adds a plug-in that is already created (built into the host, or a test's).
    void addPlugin(std::shared_ptr<Bundle> bundle, std::shared_ptr<PdePlugin> plugin);

    // The panels every loaded plug-in gives for `type`, in load order. A plug-in whose panel
    // creation fails adds none, and the failure is kept in errors().
    PanelList panelsForType(const QString& type, const std::shared_ptr<PdePluginCallback>& callback);

    std::size_t pluginCount() const;
    QStringList errors() const { return failures; }

private:
    struct Loaded;
    std::vector<std::unique_ptr<Loaded>> plugins;
    QStringList failures;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
