// Changing and removing the entries and groups of an address-book file.
#include "AbifEdit.h"
#include "AbifStore.h"

#include <sqlite3.h>

#include <unordered_set>

namespace abif {
namespace {

class Editor {
public:
    explicit Editor(Store& store) : store_(store), path_(store.path()) {}

    void changeEntries(const std::vector<ABIF_MyFax>& records, unsigned fields) {
        std::vector<NewEntry> entries = takeEntries(records);
        // The fields not in `fields` (?6) keep their values.
        Statement update(
            store_,
            "UPDATE entry SET n = CASE WHEN name = ?1 OR NOT (?6 & 1) THEN n END,"
            " name = CASE WHEN ?6 & 1 THEN ?1 ELSE name END, fax = CASE WHEN ?6 & 2 THEN ?2 ELSE fax END,"
            " company = CASE WHEN ?6 & 4 THEN ?3 ELSE company END,"
            " note = CASE WHEN ?6 & 8 THEN ?4 ELSE note END WHERE id = ?5");
        for (const NewEntry& e : entries) {
            requireEntry(e.callId);
            update.reset();
            bindEntryTexts(update, 1, e);
            update.bindInt(5, e.callId);
            update.bindInt(6, fields);
            if (update.tryStep() == SQLITE_DONE)
                continue;
            if (update.lastError() == SQLITE_CONSTRAINT_UNIQUE)
                fail(kAbifErrAlreadyInFile, path_ + ": an entry " + quoted(e.name) + " with fax number " +
                                                quoted(e.fax) + " is already in the file");
            store_.failSqlite(update.lastError(), "cannot change entry " + std::to_string(e.callId));
        }
    }

    // Removes entries, and their places in the groups.
    void removeEntries(const std::vector<uint16_t>& ids) {
        removeRows(std::vector<int64_t>(ids.begin(), ids.end()), "DELETE FROM member WHERE entry = ?",
                   "DELETE FROM entry WHERE id = ?", &Editor::requireEntry);
    }

    void changeGroups(const std::vector<GroupChange>& changes) {
        Statement rename(store_, "UPDATE grp SET name = ? WHERE id = ?");
        Statement clear(store_, "DELETE FROM member WHERE grp = ?");
        Statement insert(store_, "INSERT INTO member (grp, pos, entry) VALUES (?, ?, ?)");
        for (const GroupChange& change : changes) {
            requireGroup(change.key);
            std::string which = "group " + std::to_string(change.key);
            if (change.name) {
                if (change.name->empty() || change.name->find(u'\0') != std::u16string::npos)
                    fail(kAbifErrNoName, which + " has no name");
                if (change.name->size() * 2 + 2 > ABIF_MYFAXGROUP_NAME_SIZE)
                    fail(kAbifErrInvalidArgument, which + ": the name does not fit its field");
                rename.reset();
                rename.bindText16(1, *change.name);
                rename.bindInt(2, change.key);
                rename.step();
            }
            if (!change.members)
                continue;
            const std::vector<uint16_t>& members = *change.members;
            if (members.size() > store_.groupLimit())
                fail(kAbifErrTooManyMembers, path_ + ": " + which + " would have " +
                                                 std::to_string(members.size()) +
                                                 " members; a group of this file holds at most " +
                                                 std::to_string(store_.groupLimit()));
            std::unordered_set<uint16_t> seen;
            for (uint16_t id : members) {
                requireEntry(id);
                if (!seen.insert(id).second)
                    fail(kAbifErrInvalidArgument,
                         which + ": member Id " + std::to_string(id) + " is given twice");
            }
            clear.reset();
            clear.bindInt(1, change.key);
            clear.step();
            for (size_t pos = 0; pos < members.size(); ++pos) {
                insert.reset();
                insert.bindInt(1, change.key);
                insert.bindInt(2, int64_t(pos));
                insert.bindInt(3, members[pos]);
                insert.step();
            }
        }
    }

    void removeGroups(const std::vector<int64_t>& keys) {
        removeRows(keys, "DELETE FROM member WHERE grp = ?", "DELETE FROM grp WHERE id = ?",
                   &Editor::requireGroup);
    }

private:
    // For each key: checks that it names a row, then runs the two deletions with it.
    void removeRows(const std::vector<int64_t>& keys, const char* members, const char* rows,
                    void (Editor::*require)(int64_t)) {
        Statement first(store_, members);
        Statement second(store_, rows);
        for (int64_t key : keys) {
            (this->*require)(key);
            for (Statement* s : {&first, &second}) {
                s->reset();
                s->bindInt(1, key);
                s->step();
            }
        }
    }

    bool exists(const char* sql, int64_t id) {
        Statement find(store_, sql);
        find.bindInt(1, id);
        return find.step();
    }
    void requireEntry(int64_t id) {
        if (!exists("SELECT 1 FROM entry WHERE id = ?", id))
            fail(kAbifErrInvalidArgument, path_ + ": no entry has the Id " + std::to_string(id));
    }
    void requireGroup(int64_t key) {
        if (!exists("SELECT 1 FROM grp WHERE id = ?", key))
            fail(kAbifErrInvalidArgument,
                 path_ + ": the group " + std::to_string(key) + " is not in the file");
    }

    Store& store_;
    const std::string& path_;
};

} // namespace

int32_t editFile(const char* path, const FileEdit& edit) {
    return guarded("AbifGADFile_Edit", [&] {
        requirePath(path);
        Store store(path, Store::Mode::ReadWrite);
        Transaction transaction(store);
        store.upgrade();
        Editor editor(store);
        editor.changeEntries(edit.changedEntries, edit.entryFields);
        editor.changeGroups(edit.changedGroups);
        editor.removeGroups(edit.removedGroups);
        editor.removeEntries(edit.removedEntries);
        transaction.commit();
    });
}

} // namespace abif
