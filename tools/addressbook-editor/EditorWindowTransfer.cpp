// Import and export in the editor window, through the transfer library that the command-line tool
// uses: the same formats, options and report. An import into a computer book goes into its file
// at once, all or nothing (after the user's own changes are saved); one into the printer's book
// becomes one edit, written to the printer with the next Save.
#include "EditorDialogs.h"
#include "EditorWindow.h"

#include "ui_EditorWindow.h"

#include <Alerts.h>
#include <OpenPanel.h>

#include <QFileDialog>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

void EditorWindow::importIntoBook() {
    if (!printer && !settleChanges())
        return;
    platform::OpenPanel panel;
    if (panel.runModal(this) != platform::NSModalResponseOK || panel.URLs().isEmpty())
        return;
    const QString source = panel.URLs().front().toLocalFile();
    const std::optional<addressbook::ImportOptions> options = askImportOptions(this, source);
    if (!options)
        return;
    const std::string sourceName = QFile::encodeName(source).toStdString();
    try {
        if (!printer) {
            const addressbook::ImportReport report = addressbook::importFile(
                QFile::encodeName(editorBook.path()).toStdString(), sourceName, *options);
            revertBook();
            platform::RunAlert(tr("The import is done."), QString::fromStdString(report.text()), {tr("OK")},
                               this, platform::NSAlertStyleInformational);
            return;
        }
        const addressbook::ImportPlan plan = addressbook::planImportChecked(
            addressbook::parseImportText(addressbook::readSourceFile(sourceName), sourceName, *options),
            sourceName, *options, editorBook.toBook());
        std::vector<EditorEntry> entries;
        for (const auto& e : plan.entries)
            entries.push_back(EditorEntry::of(e));
        std::vector<EditorGroup> groups;
        for (const auto& g : plan.groups)
            groups.push_back({QString::fromStdString(g.name), g.members, g.uid});
        editorBook.addRecords(entries, groups, tr("Import %1").arg(source));
        platform::RunAlert(tr("The import is done; Save writes it to the printer."),
                           QString::fromStdString(
                               addressbook::ImportReport::of(editorBook.title().toStdString(), plan).text()),
                           {tr("OK")}, this, platform::NSAlertStyleInformational);
    } catch (const addressbook::ToolError& e) {
        platform::RunAlert(tr("Nothing was imported."), QString::fromUtf8(e.what()), {tr("OK")}, this);
    }
}

void EditorWindow::exportBook() {
    const QString dest = QFileDialog::getSaveFileName(
        this, tr("Export"), editorBook.title() + QStringLiteral(".vcf"), tr("vCard 4 (*.vcf);;CSV (*.csv)"));
    if (dest.isEmpty())
        return;
    const std::string destName = QFile::encodeName(dest).toStdString();
    try {
        // What the window shows, unsaved changes included.
        const addressbook::ExportText text =
            addressbook::exportText(editorBook.toBook(), addressbook::exportFormatNamed({}, destName));
        addressbook::writeExportFile(destName, text.text, true);
        QString notes;
        for (const std::string& note : text.notes)
            notes += QString::fromStdString(note) + QLatin1Char('\n');
        ui->statusBar->showMessage(tr("Exported to %1.").arg(dest), 6000);
        if (!notes.isEmpty())
            platform::RunAlert(tr("Exported to %1.").arg(dest), notes.trimmed(), {tr("OK")}, this,
                               platform::NSAlertStyleInformational);
    } catch (const addressbook::ToolError& e) {
        platform::RunAlert(tr("Nothing was exported."), QString::fromUtf8(e.what()), {tr("OK")}, this);
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
