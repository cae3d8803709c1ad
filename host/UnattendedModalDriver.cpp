#include "UnattendedModalDriver.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

UnattendedModalDriver::UnattendedModalDriver(Report report) : report(std::move(report)) {
    previous = setModalDriver(this);
}

UnattendedModalDriver::~UnattendedModalDriver() {
    setModalDriver(previous);
}

NSModalResponse UnattendedModalDriver::runAlert(const AlertRequest& request) {
    const QString text = request.informativeText.isEmpty()
                             ? request.messageText
                             : request.messageText + QLatin1Char(' ') + request.informativeText;
    if (request.buttons.isEmpty()) {
        report(text);
        return NSAlertFirstButtonReturn;
    }
    report(QStringLiteral("%1 (answered \"%2\": nobody is there to answer in a dry run)")
               .arg(text, request.buttons.last()));
    return NSAlertFirstButtonReturn + int(request.buttons.size()) - 1;
}

void UnattendedModalDriver::modalRunStarted(QWidget* window) {
    report(QStringLiteral("The window \"%1\" needs someone to answer it; a dry run cancels it.")
               .arg(window->windowTitle()));
    ModalRun::abortModal();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
