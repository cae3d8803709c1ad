#include "EditorWindow.h"

#include "CheckedFieldDelegate.h"
#include "ui_EditorWindow.h"

#include <AddressBookIf.h>
#include <Alerts.h>

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <cstdio>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

QString bookFolder() {
    const char* folder = AbifGADFile_GetFileDirectory();
    return folder ? QFile::decodeName(folder) : QString();
}

// A bare name names a book of the folder, as for the command-line tool.
QString bookPath(const QString& book) {
    try {
        return QFileInfo(QFile::decodeName(
                             addressbook::resolveBookPath(QFile::encodeName(book).toStdString()).c_str()))
            .absoluteFilePath();
    } catch (const addressbook::ToolError&) {
        return QFileInfo(book).absoluteFilePath();
    }
}

void layOut(QTableView* table) {
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setWordWrap(false);
}

} // namespace

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::EditorWindow>()) {
    ui->setupUi(this);
    ui->entryTable->setModel(&entries);
    ui->groupTable->setModel(&groups);
    ui->memberTable->setModel(&members);
    for (QTableView* table : {ui->entryTable, ui->groupTable, ui->memberTable})
        layOut(table);
    ui->entryTable->setItemDelegate(new CheckedFieldDelegate(0, 1, this));
    ui->groupTable->setItemDelegate(new CheckedFieldDelegate(0, -1, this));
    ui->entryTable->setSortingEnabled(true);
    ui->entryTable->horizontalHeader()->setSortIndicatorShown(false);
    ui->entryTable->setColumnWidth(0, 220);
    ui->entryTable->setColumnWidth(1, 160);
    ui->entryTable->setColumnWidth(2, 160);
    ui->groupTable->setColumnWidth(0, 260);
    ui->splitter->setStretchFactor(1, 1);
    ui->splitter->setSizes({220, 740});
    connectActions();
    connectEditActions();
    updateState();
}

EditorWindow::~EditorWindow() {
    if (printerWork.busy())
        AbifDevice_Cancel(0);
}

void EditorWindow::connectActions() {
    QUndoStack* stack = editorBook.undoStack();
    QAction* undo = stack->createUndoAction(this, tr("Undo"));
    QAction* redo = stack->createRedoAction(this, tr("Redo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    undo->setShortcut(QKeySequence::Undo);
    redo->setShortcut(QKeySequence::Redo);
    ui->editMenu->addAction(undo);
    ui->editMenu->addAction(redo);
    ui->toolBar->insertAction(ui->actionImport, undo);
    ui->toolBar->insertAction(ui->actionImport, redo);
    ui->toolBar->insertSeparator(ui->actionImport);
    connect(stack, &QUndoStack::cleanChanged, this, &EditorWindow::updateState);
    connect(ui->actionSave, &QAction::triggered, this, &EditorWindow::saveBook);
    connect(ui->actionRevert, &QAction::triggered, this, &EditorWindow::revertBook);
    connect(ui->actionClose, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionImport, &QAction::triggered, this, &EditorWindow::importIntoBook);
    connect(ui->actionExport, &QAction::triggered, this, &EditorWindow::exportBook);
    connect(ui->actionCopy, &QAction::triggered, this, &EditorWindow::copySelection);
    connect(&editorBook, &EditorBook::externalChange, this, &EditorWindow::externalChange);
    connect(ui->bookList, &QListWidget::itemSelectionChanged, this, &EditorWindow::bookSelected);
    connect(ui->newBookButton, &QPushButton::clicked, this, &EditorWindow::newBook);
    connect(ui->renameBookButton, &QPushButton::clicked, this, &EditorWindow::renameBook);
    connect(ui->deleteBookButton, &QPushButton::clicked, this, &EditorWindow::deleteBook);
    connect(ui->searchField, &QLineEdit::textChanged, &entries, &EntryTableModel::setSearchText);
    connect(&entries, &EntryTableModel::refused, this, &EditorWindow::refuse);
    connect(&groups, &GroupTableModel::refused, this, &EditorWindow::refuse);
    connect(&members, &MemberListModel::refused, this, &EditorWindow::refuse);
}

void EditorWindow::refuse(const QString& reason) {
    ui->statusBar->showMessage(reason, 8000);
    platform::RunAlert(tr("The change cannot be made."), reason, {tr("OK")}, this);
}

void EditorWindow::setShownBook(const QString& book) {
    shownBook = book;
    emit currentBookChanged(book);
    updateState();
}

void EditorWindow::updateState() {
    const bool file = !editorBook.path().isEmpty();
    const bool open = !shownBook.isEmpty();
    ui->actionSave->setEnabled((file || printer) && editorBook.isModified());
    ui->entryTable->setColumnHidden(2, printer.has_value());
    ui->entryTable->setColumnHidden(3, printer.has_value());
    ui->actionRevert->setEnabled(open && (editorBook.isModified() || !file));
    ui->tabs->setEnabled(open);
    ui->actionImport->setEnabled(open);
    ui->actionExport->setEnabled(open);
    ui->actionCopy->setEnabled(open);
    ui->searchField->setEnabled(open);
    const bool selected = !ui->bookList->selectedItems().isEmpty();
    ui->renameBookButton->setEnabled(selected);
    ui->deleteBookButton->setEnabled(selected);
    ui->bookTitleLabel->setText(open ? QStringLiteral("<b>%1</b>").arg(editorBook.title().toHtmlEscaped())
                                     : tr("Choose an address book."));
    setWindowTitle(open ? tr("%1[*] - Address Book Editor").arg(editorBook.title())
                        : tr("Address Book Editor"));
    setWindowModified(editorBook.isModified());
}

void EditorWindow::bringForward() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void EditorWindow::handle(const LaunchRequest& request) {
    bringForward();
    if (request.kind != LaunchRequest::Kind::ComputerBooks) {
        readPrinterBook(request);
        return;
    }
    refreshBookList();
    if (!request.files.isEmpty() && openBook(bookPath(request.files.front())))
        refreshBookList();
    else if (shownBook.isEmpty() && ui->bookList->count() > 0)
        ui->bookList->setCurrentRow(0);
}

void EditorWindow::refreshBookList() {
    listing = true;
    ui->bookList->clear();
    const QString folder = bookFolder();
    if (const char* list = AbifGADFile_GetFileList()) {
        for (const char* name = list; *name; name += std::strlen(name) + 1) {
            auto* item = new QListWidgetItem(QFile::decodeName(name), ui->bookList);
            const QString path = folder + QLatin1Char('/') + item->text();
            item->setData(Qt::UserRole, path);
            if (shownBook == QStringLiteral("computer:") + path)
                item->setSelected(true);
        }
    }
    listing = false;
    updateState();
}

void EditorWindow::bookSelected() {
    const QList<QListWidgetItem*> items = ui->bookList->selectedItems();
    if (listing || items.isEmpty()) {
        updateState();
        return;
    }
    const QString path = items.front()->data(Qt::UserRole).toString();
    if (shownBook != QStringLiteral("computer:") + path)
        openBook(path);
}

bool EditorWindow::openBook(const QString& path) {
    if (!settleChanges())
        return false;
    if (const std::optional<QString> why = editorBook.open(path)) {
        platform::RunAlert(tr("The address book cannot be opened."), *why, {tr("OK")}, this);
        return false;
    }
    printer.reset();
    ui->searchField->clear();
    members.setGroup(-1);
    setShownBook(QStringLiteral("computer:") + path);
    return true;
}

bool EditorWindow::settleChanges() {
    if (!editorBook.isModified())
        return true;
    const int answer =
        platform::RunAlert(tr("Do you want to save the changes to \"%1\"?").arg(editorBook.title()),
                           tr("Your changes are lost if you don't save them."),
                           {tr("Save"), tr("Don't Save"), tr("Cancel")}, this);
    if (answer == platform::NSAlertFirstButtonReturn)
        return saveBook();
    if (answer == platform::NSAlertSecondButtonReturn) {
        editorBook.undoStack()->setIndex(std::max(0, editorBook.undoStack()->cleanIndex()));
        return true;
    }
    return false;
}

bool EditorWindow::saveBook() {
    if (printer)
        return savePrinterBook();
    QString error;
    EditorBook::SaveResult result = editorBook.save(&error);
    if (result == EditorBook::SaveResult::ChangedOnDisk) {
        const int answer = platform::RunAlert(
            tr("\"%1\" was changed by another program since you opened it.").arg(editorBook.title()),
            tr("Saving replaces those changes with yours. Reloading drops your changes."),
            {tr("Replace"), tr("Reload"), tr("Cancel")}, this);
        if (answer == platform::NSAlertSecondButtonReturn)
            revertBook();
        if (answer != platform::NSAlertFirstButtonReturn)
            return false;
        result = editorBook.save(&error, true);
    }
    if (result == EditorBook::SaveResult::Failed) {
        platform::RunAlert(tr("The address book was not saved."), error, {tr("OK")}, this);
        return false;
    }
    ui->statusBar->showMessage(tr("Saved."), 4000);
    updateState();
    return true;
}

void EditorWindow::revertBook() {
    if (printer) {
        if (editorBook.isModified() && !settleChanges())
            return;
        readPrinterBook(*printer);
        return;
    }
    if (const std::optional<QString> why = editorBook.revert())
        platform::RunAlert(tr("The address book cannot be read."), *why, {tr("OK")}, this);
    members.setGroup(-1);
    updateState();
}

void EditorWindow::externalChange() {
    if (!editorBook.isModified()) {
        revertBook();
        ui->statusBar->showMessage(
            tr("\"%1\" was changed by another program and has been read again.").arg(editorBook.title()),
            8000);
        return;
    }
    const int answer = platform::RunAlert(
        tr("\"%1\" was changed by another program.").arg(editorBook.title()),
        tr("Reload it and drop your changes, or keep your changes? Saving them later replaces the other "
           "program's changes."),
        {tr("Reload"), tr("Keep Mine")}, this);
    if (answer == platform::NSAlertFirstButtonReturn)
        revertBook();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (settleChanges())
        event->accept();
    else
        event->ignore();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
