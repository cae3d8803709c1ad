// The plug-in's principal object: the factory of the Fax Settings panel.
#pragma once

#include <PdeProtocol.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class DirectFaxPdePlugin : public platform::PdePlugin {
public:
    // Keeps the first bundle it is given; always true.
    bool initWithBundle(std::shared_ptr<platform::Bundle> bundle) override;
    // One DirectFaxPdeInterface for the printer-module type, no panel for any other type, none
    // when the panel cannot be made.
    std::optional<platform::PanelList>
    PDEPanelsForType(const QString& type, std::shared_ptr<platform::PdePluginCallback> hostInfo) override;

private:
    std::shared_ptr<platform::Bundle> theBundle;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
