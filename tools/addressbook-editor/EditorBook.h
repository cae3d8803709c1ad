// One address book open in the editor, free of widgets: its entries and groups, every change an
// undoable command on its QUndoStack, the checks of the fax-job dialog and the book's limits, and
// saving as one step (the whole book written beside the file, then put in its place, so that a
// failed save leaves the file as it was). A change of the file by another program is noticed by
// comparing what the file is now with what was read or saved.
#pragma once

#include "AddressBook.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

// The columns of an entry, in the order of its table.
enum class EntryField { Name, FaxNumber, Company, Note };

struct EditorEntry {
    static EditorEntry of(const addressbook::BookEntry& entry);
    uint16_t id = 0;
    QString name, faxNumber, company, note;
    int64_t added = 0;
    std::string uid{}, structuredName{};

    const QString& field(EntryField f) const;
    QString& field(EntryField f);
};

struct EditorGroup {
    QString name;
    std::vector<uint16_t> members;
    std::string uid{};
};

// What makes a file the one that was read: a write by anyone changes one of these.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    bool operator==(const FileStamp& other) const;
    static FileStamp of(const QString& path);
};

class EditorBook : public QObject {
    Q_OBJECT

public:
    explicit EditorBook(QObject* parent = nullptr);

    // Reads the file; on failure the book is left as it was and the reason is answered.
    std::optional<QString> open(const QString& path);
    // Shows a book that does not live in a file (the printer's); kind is kAbifFileDevice.
    void show(const addressbook::Book& book, const QString& title);
    // Drops the changes and reads the file again.
    std::optional<QString> revert();

    enum class SaveResult { Saved, ChangedOnDisk, Failed };
    // Writes all changes in one step. When the file was changed by another program since it was
    // read, nothing is written (ChangedOnDisk) unless `overwriteExternalChange`.
    SaveResult save(QString* error, bool overwriteExternalChange = false);

    QString path() const { return filePath; }
    QString title() const { return bookTitle; }
    int32_t kind() const { return bookKind; }
    size_t groupLimit() const;
    bool isModified() const { return !undo.isClean(); }
    bool changedOnDisk() const;
    QUndoStack* undoStack() { return &undo; }

    const std::vector<EditorEntry>& entries() const { return entryList; }
    const std::vector<EditorGroup>& groups() const { return groupList; }
    int entryIndex(uint16_t id) const;
    // The whole book as the tool's library takes it.
    addressbook::Book toBook() const;

    // A text the field cannot take: the reason, in the user's words; nothing when it is fine.
    static std::optional<QString> checkField(EntryField field, const QString& text);
    static std::optional<QString> checkGroupName(const QString& name);

    // Edits: each checks first, answers the reason when refused, else pushes one undo command.
    std::optional<QString> addEntry(const EditorEntry& entry);
    std::optional<QString> setEntryField(uint16_t id, EntryField field, const QString& text);
    void removeEntries(const std::vector<uint16_t>& ids);
    std::optional<QString> addGroup(const QString& name);
    std::optional<QString> renameGroup(int group, const QString& name);
    // Adds the entries not yet members, in order; refused as a whole beyond the group limit.
    std::optional<QString> addMembers(int group, const std::vector<uint16_t>& ids);
    void removeMembers(int group, const std::vector<uint16_t>& ids);
    void removeGroup(int group);
    // Adds entries (with Ids the book does not use) and groups naming them, as one edit.
    void addRecords(const std::vector<EditorEntry>& entries, const std::vector<EditorGroup>& groups,
                    const QString& text);

    // Replaces the file from `temporary` (for tests: a failing replacement).
    static inline std::function<int(const char* temporary, const char* path)> replaceFile;

signals:
    // The entries or groups changed as a whole (opened, reverted, rows added or removed).
    void reset();
    void entryChanged(int index);
    void groupsChanged();
    // Another program changed the open file.
    void externalChange();

private:
    void push(const QString& text, std::function<void()> redo, std::function<void()> undoIt);
    void load(const addressbook::Book& book);
    void watch();
    void fileEvent();
    std::optional<QString> checkPair(const QString& name, const QString& fax, uint16_t except) const;
    uint16_t freeId() const;

    QString filePath, bookTitle;
    int32_t bookKind = kAbifFileComputer;
    FileStamp stamp;
    bool externalChangeTold = false;
    QFileSystemWatcher watcher;
    QUndoStack undo;
    std::vector<EditorEntry> entryList;
    std::vector<EditorGroup> groupList;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
