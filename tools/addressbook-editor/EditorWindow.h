// The editor's window: the computer's address books in a side list (create, rename, delete),
// the open book's entries and groups in tables with a search, editing through the EditorBook,
// and the printer's own address book. Loaded from EditorWindow.ui.
#pragma once

#include "BookTableModels.h"
#include "DeviceTransfer.h"
#include "EditorBook.h"
#include "LaunchRequest.h"

#include <BackgroundWork.h>

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class EditorWindow;
}

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

class EditorWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // Shows what a launch asks for (after asking about unsaved changes of the open book).
    void handle(const LaunchRequest& request);
    // Brings the window forward.
    void bringForward();
    // What is shown: "computer:PATH", "printer:NET:ADDRESS", "printer:USB", or "" for nothing.
    QString currentBook() const { return shownBook; }
    EditorBook& book() { return editorBook; }

    // Reads the folder's books into the side list again.
    void refreshBookList();
    // Opens an address-book file; false (after telling the user) when it cannot be read.
    bool openBook(const QString& path);
    // Saves; false when nothing was written.
    bool saveBook();

signals:
    void currentBookChanged(const QString& book);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectActions();
    void connectEditActions();
    void setShownBook(const QString& book);
    void updateState();
    // Asks what to do with unsaved changes; true when the caller may go on.
    bool settleChanges();
    void externalChange();
    void revertBook();
    void bookSelected();
    void newBook();
    void renameBook();
    void deleteBook();
    void readPrinterBook(const LaunchRequest& printer);
    bool savePrinterBook();
    // Runs a device call off the main thread with the progress after a short wait; false when
    // the user stopped waiting.
    bool runPrinterCall(const QString& text, const std::function<void()>& call);
    void removeSelectedEntries();
    void importIntoBook();
    void copySelection();
    // Asks for a printer and reads its book; false when the user stopped or it failed (told).
    bool readCopyTarget(LaunchRequest& target, std::string& password, addressbook::DeviceBookCopy& copy);
    void exportBook();
    void addGroup();
    void removeGroup();
    void addMembers();
    void removeMembers();
    int selectedGroup() const;
    void refuse(const QString& reason);

    std::unique_ptr<Ui::EditorWindow> ui;
    EditorBook editorBook;
    EntryTableModel entries{editorBook};
    GroupTableModel groups{editorBook};
    MemberListModel members{editorBook};
    QString shownBook;
    std::optional<LaunchRequest> printer;
    std::string printerPassword, printerRevision;
    platform::BackgroundWork printerWork;
    bool listing = false;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
