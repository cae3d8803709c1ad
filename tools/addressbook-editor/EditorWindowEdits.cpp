// The editor window's edit actions: books of the folder, entries, groups and their members.
#include "EditorDialogs.h"
#include "EditorWindow.h"

#include "ui_EditorWindow.h"

#include <AddressBookIf.h>
#include <Alerts.h>

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <set>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

// A book's file name: a plain name of the folder.
std::optional<QString> checkBookName(const QString& name) {
    const QString folder = QFile::decodeName(AbifGADFile_GetFileDirectory());
    if (name.trimmed().isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')) ||
        QFile::encodeName(name).size() > 255)
        return EditorWindow::tr("A name of an address book is not empty, does not start with a dot and holds "
                                "no \"/\".");
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        return EditorWindow::tr("There is already an address book named \"%1\".").arg(name);
    return std::nullopt;
}

std::vector<uint16_t> selectedIds(QTableView* table, const std::function<uint16_t(int)>& idAt) {
    std::vector<uint16_t> ids;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        ids.push_back(idAt(index.row()));
    return ids;
}

} // namespace

void EditorWindow::connectEditActions() {
    connect(ui->addEntryButton, &QPushButton::clicked, this, [this] { askNewEntry(this, editorBook); });
    connect(ui->removeEntryButton, &QPushButton::clicked, this, &EditorWindow::removeSelectedEntries);
    connect(ui->addGroupButton, &QPushButton::clicked, this, &EditorWindow::addGroup);
    connect(ui->removeGroupButton, &QPushButton::clicked, this, &EditorWindow::removeGroup);
    connect(ui->addMembersButton, &QPushButton::clicked, this, &EditorWindow::addMembers);
    connect(ui->removeMembersButton, &QPushButton::clicked, this, &EditorWindow::removeMembers);
    connect(ui->printerBookButton, &QPushButton::clicked, this, [this] {
        const std::optional<QString> address =
            askText(this, tr("Printer's Address Book"),
                    tr("The printer's IP address (leave empty for the printer on USB):"),
                    printer ? printer->address : QString(), [](const QString&) { return std::nullopt; });
        if (!address)
            return;
        LaunchRequest request;
        request.kind =
            address->isEmpty() ? LaunchRequest::Kind::UsbPrinter : LaunchRequest::Kind::NetworkPrinter;
        request.address = address->trimmed();
        readPrinterBook(request);
    });
    connect(ui->groupTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { members.setGroup(selectedGroup()); });
}

int EditorWindow::selectedGroup() const {
    const QModelIndexList rows = ui->groupTable->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
}

void EditorWindow::newBook() {
    if (!settleChanges())
        return;
    const std::optional<QString> name =
        askText(this, tr("New Address Book"), tr("Name of the new address book:"), QString(), checkBookName);
    if (!name)
        return;
    const QString path = QFile::decodeName(AbifGADFile_GetFileDirectory()) + QLatin1Char('/') + *name;
    if (int32_t rc = AbifGADFile_Create(QFile::encodeName(path).constData(), kAbifFileComputer); rc != 0) {
        platform::RunAlert(tr("The address book cannot be created."), QString(), {tr("OK")}, this);
        return;
    }
    refreshBookList();
    openBook(path);
    refreshBookList();
}

void EditorWindow::renameBook() {
    const QList<QListWidgetItem*> items = ui->bookList->selectedItems();
    if (items.isEmpty())
        return;
    const QString from = items.front()->data(Qt::UserRole).toString();
    const std::optional<QString> name =
        askText(this, tr("Rename Address Book"), tr("New name of \"%1\":").arg(items.front()->text()),
                items.front()->text(), checkBookName);
    if (!name)
        return;
    const QString to = QFileInfo(from).absolutePath() + QLatin1Char('/') + *name;
    // Never onto a book that appeared meanwhile.
    if (::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                    QFile::encodeName(to).constData(), RENAME_NOREPLACE) != 0) {
        platform::RunAlert(tr("The address book cannot be renamed."), QString(), {tr("OK")}, this);
        return;
    }
    if (shownBook == QStringLiteral("computer:") + from) {
        // The open book goes on with its changes under the new name.
        const bool modified = editorBook.isModified();
        if (!modified)
            openBook(to);
        else
            platform::RunAlert(tr("Save your changes, then open \"%1\" again.").arg(*name), QString(),
                               {tr("OK")}, this);
    }
    refreshBookList();
}

void EditorWindow::deleteBook() {
    const QList<QListWidgetItem*> items = ui->bookList->selectedItems();
    if (items.isEmpty())
        return;
    const QString path = items.front()->data(Qt::UserRole).toString();
    const int answer =
        platform::RunAlert(tr("Do you want to delete the address book \"%1\"?").arg(items.front()->text()),
                           tr("Its entries and groups are lost. This cannot be undone."),
                           {tr("Delete"), tr("Cancel")}, this, platform::NSAlertStyleCritical);
    if (answer != platform::NSAlertFirstButtonReturn)
        return;
    if (!QFile::remove(path)) {
        platform::RunAlert(tr("The address book cannot be deleted."), QString(), {tr("OK")}, this);
        return;
    }
    if (shownBook == QStringLiteral("computer:") + path) {
        editorBook.show({}, QString());
        setShownBook(QString());
    }
    refreshBookList();
}

void EditorWindow::removeSelectedEntries() {
    editorBook.removeEntries(selectedIds(ui->entryTable, [this](int row) { return entries.idAt(row); }));
}

void EditorWindow::addGroup() {
    const std::optional<QString> name =
        askText(this, tr("New Group"), tr("Name of the new group:"), QString(), &EditorBook::checkGroupName);
    if (name)
        editorBook.addGroup(*name);
}

void EditorWindow::removeGroup() {
    editorBook.removeGroup(selectedGroup());
}

void EditorWindow::addMembers() {
    const int group = selectedGroup();
    if (group < 0)
        return;
    if (const auto ids = pickEntries(this, editorBook))
        if (const auto why = editorBook.addMembers(group, *ids))
            refuse(*why);
}

void EditorWindow::removeMembers() {
    editorBook.removeMembers(selectedGroup(),
                             selectedIds(ui->memberTable, [this](int row) { return members.idAt(row); }));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
