// The dialog's printer menu. Its list of printers may be fetched when the user first reaches for
// the menu (opens it, or changes it with the keyboard or the wheel), not before the dialog is
// shown: a server with hundreds of queues takes milliseconds to name them all, and the dialog
// opens on one printer it knows already.
#pragma once

#include <QComboBox>
#include <QStringList>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class PrinterChoice : public QComboBox {
public:
    // The printers' names, in the order the menu shows them.
    using Lister = std::function<QStringList()>;

    explicit PrinterChoice(QWidget* parent = nullptr) : QComboBox(parent) {}

    // `lister` names the printers once the menu is first reached for; until then the menu holds
    // what it was given and the current printer.
    void setLister(Lister lister) { pendingLister = std::move(lister); }
    // Fills the menu from the lister now, once: its names in its order, the current printer kept
    // (added at the end when the lister does not name it). Nothing when there is no lister.
    void listPrinters();

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    Lister pendingLister;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
