// Copying the chosen entries and groups of the open book to another computer book or to the
// printer: what cannot be copied is named first, and the copy is one write of the target.
#include "BookCopy.h"
#include "EditorDialogs.h"
#include "EditorWindow.h"
#include "PrinterBook.h"

#include "ui_EditorWindow.h"

#include <Alerts.h>

#include <QFile>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

bool EditorWindow::readCopyTarget(LaunchRequest& target, std::string& password,
                                  addressbook::DeviceBookCopy& copy) {
    const std::optional<QString> address = askText(
        this, tr("Copy to the Printer"), tr("The printer's IP address (leave empty for the printer on USB):"),
        QString(), [](const QString&) { return std::nullopt; });
    if (!address)
        return false;
    target.kind =
        address->trimmed().isEmpty() ? LaunchRequest::Kind::UsbPrinter : LaunchRequest::Kind::NetworkPrinter;
    target.address = address->trimmed();
    const std::optional<QString> secret = askPassword(this, printerName(target));
    if (!secret)
        return false;
    password = secret->toStdString();
    auto call = std::make_shared<PrinterCall>();
    if (!runPrinterCall(tr("Reading the address book of %1…").arg(printerName(target)),
                        [call, target, password] { readInto(*call, target, password); }))
        return false;
    if (!call->done) {
        platform::RunAlert(tr("The address book of %1 cannot be read.").arg(printerName(target)),
                           call->failure, {tr("OK")}, this);
        return false;
    }
    copy = call->copy;
    return true;
}

void EditorWindow::copySelection() {
    std::set<uint16_t> chosenEntries;
    for (const QModelIndex& index : ui->entryTable->selectionModel()->selectedRows())
        chosenEntries.insert(entries.idAt(index.row()));
    std::set<size_t> chosenGroups;
    for (const QModelIndex& index : ui->groupTable->selectionModel()->selectedRows())
        chosenGroups.insert(size_t(index.row()));
    if (chosenEntries.empty() && chosenGroups.empty()) {
        platform::RunAlert(tr("Choose the entries or groups to copy first."), QString(), {tr("OK")}, this);
        return;
    }
    QStringList targets, paths;
    for (int row = 0; row < ui->bookList->count(); ++row) {
        const QString path = ui->bookList->item(row)->data(Qt::UserRole).toString();
        if (path != editorBook.path()) {
            targets << ui->bookList->item(row)->text();
            paths << path;
        }
    }
    if (!printer)
        targets << tr("The printer…");
    const std::optional<int> choice = askCopyTarget(this, targets);
    if (!choice)
        return;
    const bool toPrinter = *choice >= paths.size();
    LaunchRequest target;
    std::string password;
    addressbook::DeviceBookCopy existing;
    const QString targetName = toPrinter ? QString() : targets[*choice];
    if (toPrinter && !readCopyTarget(target, password, existing))
        return;
    try {
        if (!toPrinter)
            existing.book = addressbook::readBook(QFile::encodeName(paths[*choice]).toStdString());
        const CopyPlan plan =
            planCopy(chosenPart(editorBook.toBook(), chosenEntries, chosenGroups), existing.book);
        const QString where = toPrinter ? printerName(target) : QStringLiteral("\"%1\"").arg(targetName);
        QString leftOut;
        for (size_t i = 0; i < plan.leftOut.size() && i < 10; ++i)
            leftOut += QString::fromStdString(plan.leftOut[i]) + QLatin1Char('\n');
        if (plan.leftOut.size() > 10)
            leftOut += tr("and %1 more").arg(plan.leftOut.size() - 10);
        if (plan.entries + plan.groups == 0) {
            platform::RunAlert(tr("Nothing can be copied to %1.").arg(where), leftOut.trimmed(), {tr("OK")},
                               this);
            return;
        }
        if (!plan.leftOut.empty() &&
            platform::RunAlert(
                tr("Some entries or groups cannot be copied to %1. Copy the others?").arg(where),
                leftOut.trimmed(), {tr("Copy the Others"), tr("Cancel")},
                this) != platform::NSAlertFirstButtonReturn)
            return;
        if (toPrinter) {
            auto call = std::make_shared<PrinterCall>();
            if (!runPrinterCall(tr("Writing the address book of %1…").arg(where),
                                [call, target, password, book = plan.result, revision = existing.revision] {
                                    writeFrom(*call, target, password, book, revision);
                                }))
                return;
            if (!call->done) {
                platform::RunAlert(tr("Nothing was copied to %1.").arg(where), call->failure, {tr("OK")},
                                   this);
                return;
            }
        } else {
            addressbook::addToBook(QFile::encodeName(paths[*choice]).toStdString(), existing.book,
                                   plan.addedEntries, plan.addedGroups);
        }
        ui->statusBar->showMessage(
            tr("Copied %1 entries and %2 groups to %3.").arg(plan.entries).arg(plan.groups).arg(where), 8000);
    } catch (const addressbook::ToolError& e) {
        platform::RunAlert(tr("Nothing was copied."), QString::fromUtf8(e.what()), {tr("OK")}, this);
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
