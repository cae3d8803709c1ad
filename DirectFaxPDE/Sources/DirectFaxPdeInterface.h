// The Fax Settings panel, the one panel the plug-in adds to the print dialog.
#pragma once

#include <BasicPdeInterface.h>

#include <QPointer>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class DirectFaxPdeView;
class FaxSettingController;

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

    // ---- The print gate (DirectFaxPdeInterfacePrintGate.cpp) ----
public:
    // Jobs to a printer go through the fax-job dialog: true only when the user started sending,
    // after the fax job record is in the job's print settings. Other destinations pass.
    bool shouldPrint() override;

protected:
    // The last check of the sender name: false, with the stored name put back into the field,
    // when the field's text is refused.
    bool senderNameAcceptedForPrint();
    // The printer's address handed to the fax-job dialog: none until it is known.
    std::optional<QString> printerAddressForFaxJob() const { return std::nullopt; }

    // The controller of the interface file "FaxSetting", loaded at the first Print that needs it;
    // its top-level objects live as long as the panel.
    FaxSettingController* detailedFaxSettingContoller = nullptr;
    std::vector<std::unique_ptr<QObject>> faxSettingTopLevelObjs;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
