#include "UnattendedModalDriver.h"

#include <QLineEdit>
#include <QPushButton>

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

bool UnattendedModalDriver::answerFaxDialog(QWidget* window) {
    // The fax-job dialog's fields and buttons by their object names.
    auto* name = window->findChild<QLineEdit*>(QStringLiteral("addressNameTextField"));
    auto* number = window->findChild<QLineEdit*>(QStringLiteral("addressPhoneNumberTextField"));
    auto* add = window->findChild<QPushButton*>(QStringLiteral("addAddressButton"));
    auto* send = window->findChild<QPushButton*>(QStringLiteral("startButton"));
    if (faxDestinations.isEmpty() || !name || !number || !add || !send)
        return false;
    const auto enter = [](QLineEdit* field, const QString& text) {
        field->setText(text);
        emit field->textEdited(text);
    };
    for (const QString& destination : faxDestinations) {
        enter(name, destination);
        enter(number, destination);
        add->click();
    }
    report(QStringLiteral("The window \"%1\" is answered with the fax numbers %2.")
               .arg(window->windowTitle(), faxDestinations.join(QStringLiteral(", "))));
    send->click();
    return !window->isVisible();
}

void UnattendedModalDriver::modalRunStarted(QWidget* window) {
    if (answerFaxDialog(window))
        return;
    report(QStringLiteral("The window \"%1\" needs someone to answer it; a dry run cancels it.")
               .arg(window->windowTitle()));
    ModalRun::abortModal();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
