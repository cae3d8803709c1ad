// The editor window with the printer's own address book: read with the password, edited with the
// printer's limits, and written back whole, refused when the printer's book changed meanwhile.
#include "EditorDialogs.h"
#include "EditorWindow.h"
#include "ImportPlan.h"
#include "PrinterBook.h"

#include "ui_EditorWindow.h"

#include <AddressBookIf.h>
#include <Alerts.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

bool EditorWindow::runPrinterCall(const QString& text, const std::function<void()>& call) {
    if (printerWork.busy())
        AbifDevice_Cancel(0);
    const platform::BackgroundWork::Progress progress{text, tr("Cancel"), this};
    return printerWork.run(call, progress, [] { AbifDevice_Cancel(0); }) ==
           platform::BackgroundWork::Outcome::Finished;
}

void EditorWindow::readPrinterBook(const LaunchRequest& request) {
    if (!settleChanges())
        return;
    const QString name = printerName(request);
    const std::optional<QString> password = askPassword(this, name);
    if (!password)
        return;
    auto call = std::make_shared<PrinterCall>();
    const std::string secret = password->toStdString();
    if (!runPrinterCall(tr("Reading the address book of %1…").arg(name),
                        [call, request, secret] { readInto(*call, request, secret); }))
        return;
    if (!call->done) {
        platform::RunAlert(tr("The address book of %1 cannot be read.").arg(name), call->failure, {tr("OK")},
                           this);
        return;
    }
    ui->bookList->clearSelection();
    printer = request;
    printerPassword = secret;
    printerRevision = call->copy.revision;
    editorBook.show(call->copy.book, tr("Address book of %1").arg(name));
    ui->searchField->clear();
    members.setGroup(-1);
    setShownBook(request.kind == LaunchRequest::Kind::UsbPrinter
                     ? QStringLiteral("printer:USB")
                     : QStringLiteral("printer:NET:") + request.address);
}

bool EditorWindow::savePrinterBook() {
    const addressbook::DeviceFit fit = addressbook::fitToDevice(editorBook.toBook());
    if (!fit.leftOut.empty()) {
        platform::RunAlert(tr("The printer cannot hold some entries or groups; nothing was written."),
                           QString::fromStdString(addressbook::describeSkipped(fit.leftOut)), {tr("OK")},
                           this);
        return false;
    }
    const QString name = printerName(*printer);
    auto call = std::make_shared<PrinterCall>();
    if (!runPrinterCall(tr("Writing the address book of %1…").arg(name),
                        [call, request = *printer, secret = printerPassword, book = fit.book,
                         revision = printerRevision] { writeFrom(*call, request, secret, book, revision); }))
        return false;
    if (call->code == kAbifErrDeviceBookChanged) {
        const int answer = platform::RunAlert(
            call->failure, tr("Read it again? Your changes are dropped; make them again then."),
            {tr("Read Again"), tr("Cancel")}, this);
        if (answer == platform::NSAlertFirstButtonReturn) {
            editorBook.undoStack()->setClean();
            readPrinterBook(*printer);
        }
        return false;
    }
    if (!call->done) {
        platform::RunAlert(tr("The address book of %1 was not written.").arg(name), call->failure, {tr("OK")},
                           this);
        return false;
    }
    printerRevision = call->copy.revision;
    editorBook.undoStack()->setClean();
    ui->statusBar->showMessage(tr("Written to %1.").arg(name), 4000);
    updateState();
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
