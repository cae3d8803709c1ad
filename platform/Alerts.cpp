#include "Alerts.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

NSModalResponse Alert::runModal(QWidget* parent) {
    AlertRequest asked = request;
    if (asked.buttons.isEmpty())
        asked.buttons.append(QStringLiteral("OK"));
    asked.parent = parent;
    return currentModalDriver().runAlert(asked);
}

NSModalResponse RunAlert(const QString& messageText, const QString& informativeText,
                         const QStringList& buttons, QWidget* parent, NSAlertStyle style) {
    Alert alert;
    alert.setAlertStyle(style);
    alert.setMessageText(messageText);
    alert.setInformativeText(informativeText);
    for (const QString& title : buttons)
        alert.addButtonWithTitle(title);
    return alert.runModal(parent);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
