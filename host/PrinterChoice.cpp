#include "PrinterChoice.h"

#include <QSignalBlocker>
#include <utility>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

void PrinterChoice::listPrinters() {
    if (!pendingLister)
        return;
    const Lister lister = std::exchange(pendingLister, nullptr);
    const QString current = currentText();
    QStringList names = lister();
    if (!current.isEmpty() && !names.contains(current))
        names << current;
    const QSignalBlocker block(this);
    clear();
    addItems(names);
    setCurrentIndex(findText(current));
}

void PrinterChoice::showPopup() {
    listPrinters();
    QComboBox::showPopup();
}

void PrinterChoice::keyPressEvent(QKeyEvent* event) {
    listPrinters();
    QComboBox::keyPressEvent(event);
}

void PrinterChoice::wheelEvent(QWheelEvent* event) {
    listPrinters();
    QComboBox::wheelEvent(event);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
