// Modal alerts: a message text, an optional informative text and buttons; the first button
// answers NSAlertFirstButtonReturn (1000), the second 1001, and so on. Alerts run through the
// modal seam of ModalRun.h, so tests answer them from a script.
#pragma once

#include "ModalRun.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT Alert {
public:
    void setMessageText(const QString& text) { request.messageText = text; }
    void setInformativeText(const QString& text) { request.informativeText = text; }
    // Adds a button after those added before. An alert without buttons gets one titled "OK".
    void addButtonWithTitle(const QString& title) { request.buttons.append(title); }
    // A warning unless set otherwise.
    void setAlertStyle(NSAlertStyle style) { request.style = style; }
    // Runs the alert modally (over `parent` when given) and answers the button pressed.
    NSModalResponse runModal(QWidget* parent = nullptr);

    const AlertRequest& alertRequest() const { return request; }

private:
    AlertRequest request;
};

// Shorthand for an alert with the given texts and buttons.
DIRECTFAX_PLATFORM_EXPORT NSModalResponse RunAlert(const QString& messageText, const QString& informativeText,
                                                   const QStringList& buttons, QWidget* parent = nullptr,
                                                   NSAlertStyle style = NSAlertStyleWarning);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
