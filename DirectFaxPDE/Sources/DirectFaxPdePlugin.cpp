#include "DirectFaxPdePlugin.h"

#include "DirectFaxPdeInterface.h"

#include <QDebug>
#include <exception>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

bool DirectFaxPdePlugin::initWithBundle(std::shared_ptr<platform::Bundle> bundle) {
    if (!theBundle)
        theBundle = std::move(bundle);
    return true;
}

std::optional<platform::PanelList>
DirectFaxPdePlugin::PDEPanelsForType(const QString& type,
                                     std::shared_ptr<platform::PdePluginCallback> hostInfo) {
    platform::PanelList panels;
    if (type != QLatin1String(platform::kPrinterModuleType))
        return panels;
    try {
        panels.push_back(std::make_shared<DirectFaxPdeInterface>(std::move(hostInfo), theBundle));
    } catch (const std::exception& failure) {
        qWarning("PDEPanelsForType: no panel: %s", failure.what());
        return std::nullopt;
    } catch (...) {
        qWarning("PDEPanelsForType: no panel");
        return std::nullopt;
    }
    return panels;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
