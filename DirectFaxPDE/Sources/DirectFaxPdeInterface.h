// The Fax Settings panel, the one panel the plug-in adds to the print dialog.
#pragma once

#include <BasicPdeInterface.h>

#include <QPointer>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class DirectFaxPdeView;

class DirectFaxPdeInterface : public BasicPdeInterface {
public:
    DirectFaxPdeInterface(std::shared_ptr<platform::PdePluginCallback> callback,
                          std::shared_ptr<platform::Bundle> bundle);
    ~DirectFaxPdeInterface() override;

    // The view of the interface file "MainPanel", loaded on the first call; null when it cannot
    // be loaded (the next call tries again). The panel owns it.
    QWidget* panelView() override;

protected:
    QPointer<DirectFaxPdeView> directFaxView;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
