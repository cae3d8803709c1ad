// The print gate of the Fax Settings panel: a job to a printer is released only after the user
// has built its destinations in the fax-job dialog and started sending.
#include "DirectFaxPdeInterface.h"

#include "DirectFaxPdeView.h"
#include "FaxJobRecord.h"
#include "FaxSettingController.h"

#include <InputStringChecker.h>
#include <PrintSettings.h>

#include <QDebug>
#include <QLineEdit>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

bool DirectFaxPdeInterface::shouldPrint() {
    if (!revertRejectedSenderName())
        return false;

    platform::PrintSession* session =
        pdePluginCallbackObject ? pdePluginCallbackObject->printSession() : nullptr;
    platform::PrintSettings* settings =
        pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
    if (session && settings) {
        platform::PMDestinationType destinationType = platform::kPMDestinationInvalid;
        if (platform::PMSessionGetDestinationType(session, settings, &destinationType) == platform::noErr &&
            destinationType != platform::kPMDestinationPrinter)
            return true; // a file, a preview: no fax
    }

    if (!detailedFaxSettingContoller && pluginBundle) {
        QString error;
        detailedFaxSettingContoller =
            FaxSettingController::loadInterfaceFile(*pluginBundle, faxSettingTopLevelObjs, &error);
        if (!detailedFaxSettingContoller)
            qWarning().noquote() << "shouldPrint:" << error;
    }
    FaxSettingController* controller = detailedFaxSettingContoller;
    if (!controller)
        return false;
    controller->setBundle(pluginBundle);
    controller->setPPD(ppd);
    controller->setIPAddress(printerAddress);
    controller->createDialog();
    if (!controller->isSending())
        return false;

    if (platform::PrintSettings* jobSettings =
            pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr)
        controller->setPrintSettings(jobSettings);
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
