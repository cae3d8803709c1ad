// Address-book files: adding records to them and creating them with records.
#include "AbifEdit.h"
#include "AbifRecords.h"
#include "AbifStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

namespace abif {

std::string quoted(std::u16string_view text) {
    std::string out = toUtf8(text);
    out.insert(out.begin(), '"');
    out.push_back('"');
    return out;
}

void requirePath(const char* path) {
    if (!path || !*path)
        fail(kAbifErrInvalidArgument, "no file path");
}

// The checks of a call that moves records between a file and a data handle.
void requireFileAndData(const char* path, const ABIFData* data, int32_t flags, int32_t knownFlags) {
    requirePath(path);
    if (!data)
        fail(kAbifErrInvalidArgument, "no data handle");
    if (flags & ~knownFlags)
        fail(kAbifErrInvalidArgument, "unknown flags " + std::to_string(flags));
}

namespace {

// --- Adding

struct NewGroup {
    std::u16string name;
    std::vector<uint16_t> members;
};

// The text of a field of a record passed in; `terminated` tells whether a zero unit ends it.
std::u16string fieldText(const uint8_t* field, size_t size, bool& terminated) {
    std::u16string text = readText(field, size);
    terminated = text.size() * 2 + 2 <= size;
    return text;
}

} // namespace

template <typename Records> std::vector<NewEntry> takeEntries(const Records& records) {
    std::vector<NewEntry> entries;
    entries.reserve(records.size());
    std::unordered_set<std::u16string> seen;
    seen.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const ABIF_MyFax record = records[i];
        const uint8_t* r = record.bytes;
        std::string which = "entry " + std::to_string(i);
        bool ok = true;
        NewEntry e;
        e.callId = readU16(r + ABIF_MYFAX_ID);
        e.name = fieldText(r + ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE, ok);
        if (!ok || e.name.empty())
            fail(kAbifErrNoName, which + " has no name");
        which += " (" + quoted(e.name) + ")";
        e.fax = fieldText(r + ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE, ok);
        if (!ok)
            fail(kAbifErrInvalidArgument, which + ": the fax number does not end inside its field");
        if (e.fax.empty())
            fail(kAbifErrInvalidArgument, which + " has no fax number");
        e.company = fieldText(r + ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE, ok);
        if (!ok)
            fail(kAbifErrInvalidArgument, which + ": the company does not end inside its field");
        e.note = fieldText(r + ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE, ok);
        if (!ok)
            fail(kAbifErrInvalidArgument, which + ": the note does not end inside its field");
        e.added = readI64(r + ABIF_MYFAX_TIME);
        if (e.added == 0)
            e.added = int64_t(std::time(nullptr));
        if (!seen.insert(e.name + u'\0' + e.fax).second)
            fail(kAbifErrAlreadyInFile, which + " with fax number " + quoted(e.fax) + " is given twice");
        entries.push_back(std::move(e));
    }
    return entries;
}
template std::vector<NewEntry> takeEntries(const std::vector<ABIF_MyFax>&);
template std::vector<NewEntry> takeEntries(const RecordStore<ABIF_MyFax>&);

void bindEntryTexts(Statement& statement, int first, const NewEntry& entry) {
    statement.bindText16(first, entry.name);
    statement.bindText16(first + 1, entry.fax);
    statement.bindText16(first + 2, entry.company);
    statement.bindText16(first + 3, entry.note);
}

bool isValidUid(std::string_view uid) {
    if (uid.empty() || uid.size() > kMaxUidBytes || !isValidUtf8(uid))
        return false;
    for (char c : uid)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

namespace {

template <typename Record>
void takeGroups(const RecordStore<Record>& records, const GroupLayout& layout,
                std::vector<NewGroup>& groups) {
    for (size_t i = 0; i < records.size(); ++i) {
        const Record record = records[i];
        const uint8_t* r = record.bytes;
        bool ok = true;
        NewGroup g;
        g.name = fieldText(r + layout.name, layout.nameSize, ok);
        if (!ok || g.name.empty())
            fail(kAbifErrNoName, "group " + std::to_string(groups.size()) + " has no name");
        size_t count = readU16(r + layout.count);
        if (count > layout.maxMembers)
            fail(kAbifErrTooManyMembers, "group " + quoted(g.name) + " claims " + std::to_string(count) +
                                             " members; its record holds " +
                                             std::to_string(layout.maxMembers));
        g.members = readMembers(r, layout.count, layout.members, layout.maxMembers);
        groups.push_back(std::move(g));
    }
}

// The Ids that the entries of the call take: the free Ids of the file from the lowest up.
std::vector<uint16_t> assignIds(const std::vector<bool>& used, size_t usedCount, size_t wanted) {
    if (wanted > kIdSpace - 1 - usedCount)
        fail(kAbifErrFull, "no free entry Id left: the file holds " + std::to_string(usedCount) +
                               " entries and " + std::to_string(wanted) + " more do not fit");
    std::vector<uint16_t> ids;
    ids.reserve(wanted);
    for (size_t id = 1; ids.size() < wanted; ++id)
        if (!used[id])
            ids.push_back(uint16_t(id));
    return ids;
}

} // namespace

std::vector<std::u16string> takeUids(const std::vector<std::string>& uids, size_t count, const char* what,
                                     bool unique) {
    if (uids.size() > count)
        fail(kAbifErrInvalidArgument, std::string("more UIDs than ") + what);
    std::vector<std::u16string> out(count);
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < uids.size(); ++i) {
        if (uids[i].empty())
            continue;
        if (!isValidUid(uids[i]))
            fail(kAbifErrInvalidArgument, std::string(what) + " " + std::to_string(i) + ": malformed UID");
        if (unique && !seen.insert(uids[i]).second)
            fail(kAbifErrAlreadyInFile, "the UID " + uids[i] + " is given twice");
        out[i] = fromUtf8(uids[i]);
    }
    return out;
}

namespace {

bool sameUidInFile(Store& store, const char* table, const std::u16string& uid) {
    Statement find(store, std::string("SELECT 1 FROM ") + table + " WHERE uid = ?");
    find.bindText16(1, uid);
    return find.step();
}

// An empty text (a structured name not given) stays NULL.
void bindIfGiven(Statement& statement, int index, const std::u16string& uid) {
    if (!uid.empty())
        statement.bindText16(index, uid);
}

// The UIDs of the rows of an add: the given ones, and a new one for each row given none. The new
// ones are handed out in ascending order, so that they go into the file's UID index one after
// another instead of all over it.
std::vector<std::u16string> uidsOfRows(const std::vector<std::u16string>& given) {
    std::vector<std::u16string> fresh = newUids(
        size_t(std::count_if(given.begin(), given.end(), [](const auto& uid) { return uid.empty(); })));
    std::vector<std::u16string> out;
    out.reserve(given.size());
    auto next = fresh.begin();
    for (const std::u16string& uid : given)
        out.push_back(uid.empty() ? std::move(*next++) : uid);
    return out;
}

// Inserts one row through `insert`, whose parameters `bind` sets with the row's UID. A new UID
// (one the caller did not give) that happens to be taken already is drawn again; answers the
// SQLite result of the last step.
template <typename Bind>
int insertWithUid(Store& store, Statement& insert, const char* table, std::u16string uid, bool isNew,
                  Bind&& bind) {
    for (;;) {
        insert.reset();
        bind(uid);
        int rc = insert.tryStep();
        if (rc == SQLITE_DONE || !isNew || insert.lastError() != SQLITE_CONSTRAINT_UNIQUE ||
            !sameUidInFile(store, table, uid))
            return rc;
        uid = std::move(newUids(1).front());
    }
}

void addToFile(Store& store, const std::vector<NewEntry>& entries, const std::vector<NewGroup>& groups,
               const std::vector<std::u16string>& entryUids, const std::vector<std::u16string>& entryNs,
               const std::vector<std::u16string>& groupUids) {
    Transaction transaction(store);
    store.upgrade();
    const std::string& path = store.path();

    std::vector<bool> used(kIdSpace, false);
    size_t usedCount = 0;
    {
        Statement ids(store, "SELECT id FROM entry");
        while (ids.step()) {
            int64_t id = ids.columnInt(0);
            if (id < 1 || id >= int64_t(kIdSpace) || used[size_t(id)])
                fail(kAbifErrNotAddressBook, path + ": entry Id out of range or given twice (damaged file)");
            used[size_t(id)] = true;
            ++usedCount;
        }
    }
    std::vector<uint16_t> newIds = assignIds(used, usedCount, entries.size());
    if (!groups.empty()) {
        Statement count(store, "SELECT count(*) FROM grp");
        count.step();
        if (size_t(count.columnInt(0)) + groups.size() > kMaxGroups)
            fail(kAbifErrFull, "no room for more groups: the file holds " +
                                   std::to_string(count.columnInt(0)) + " groups and " +
                                   std::to_string(groups.size()) + " more do not fit (at most " +
                                   std::to_string(kMaxGroups) + ")");
    }

    // The Ids the call's records carry, for its groups; one carried twice names no entry.
    std::unordered_map<uint16_t, int32_t> byCallId;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].callId == 0)
            continue;
        auto [it, added] = byCallId.emplace(entries[i].callId, int32_t(newIds[i]));
        if (!added)
            it->second = -1;
    }

    std::vector<std::u16string> rowUids = uidsOfRows(entryUids);
    Statement insertEntry(
        store,
        "INSERT INTO entry (id, name, fax, company, note, added, uid, n) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (size_t i = 0; i < entries.size(); ++i) {
        const NewEntry& e = entries[i];
        int rc = insertWithUid(store, insertEntry, "entry", std::move(rowUids[i]), entryUids[i].empty(),
                               [&](const std::u16string& uid) {
                                   insertEntry.bindInt(1, newIds[i]);
                                   bindEntryTexts(insertEntry, 2, e);
                                   insertEntry.bindInt(6, e.added);
                                   insertEntry.bindText16(7, uid);
                                   bindIfGiven(insertEntry, 8, entryNs[i]);
                               });
        if (rc == SQLITE_DONE)
            continue;
        if (insertEntry.lastError() == SQLITE_CONSTRAINT_UNIQUE && !entryUids[i].empty() &&
            sameUidInFile(store, "entry", entryUids[i]))
            fail(kAbifErrAlreadyInFile, path + ": entry " + std::to_string(i) + " (" + quoted(e.name) +
                                            "): an entry with its UID is already in the file");
        if (insertEntry.lastError() == SQLITE_CONSTRAINT_UNIQUE)
            fail(kAbifErrAlreadyInFile, path + ": entry " + std::to_string(i) + " (" + quoted(e.name) + ", " +
                                            quoted(e.fax) + ") is already in the file");
        store.failSqlite(insertEntry.lastError(), "cannot add entry " + std::to_string(i));
    }

    std::vector<std::u16string> groupRowUids = uidsOfRows(groupUids);
    Statement insertGroup(store, "INSERT INTO grp (name, uid) VALUES (?, ?)");
    Statement insertMember(store, "INSERT INTO member (grp, pos, entry) VALUES (?, ?, ?)");
    for (size_t index = 0; index < groups.size(); ++index) {
        const NewGroup& g = groups[index];
        std::string which = "group " + quoted(g.name);
        if (g.members.size() > store.groupLimit())
            fail(kAbifErrTooManyMembers, path + ": " + which + " has " + std::to_string(g.members.size()) +
                                             " members; a group of this file holds at most " +
                                             std::to_string(store.groupLimit()));
        std::vector<uint16_t> members;
        std::unordered_set<uint16_t> seen;
        for (uint16_t id : g.members) {
            int32_t fileId = -1;
            if (auto it = byCallId.find(id); it != byCallId.end()) {
                if (it->second < 0)
                    fail(kAbifErrInvalidArgument, which + ": member Id " + std::to_string(id) +
                                                      " is carried by two entries of the call");
                fileId = it->second;
            } else if (id != 0 && used[id]) {
                fileId = id;
            }
            if (fileId < 0)
                fail(kAbifErrInvalidArgument,
                     path + ": " + which + ": member Id " + std::to_string(id) + " names no entry");
            if (!seen.insert(uint16_t(fileId)).second)
                fail(kAbifErrInvalidArgument,
                     which + ": member Id " + std::to_string(id) + " is given twice");
            members.push_back(uint16_t(fileId));
        }
        int rc = insertWithUid(store, insertGroup, "grp", std::move(groupRowUids[index]),
                               groupUids[index].empty(), [&](const std::u16string& uid) {
                                   insertGroup.bindText16(1, g.name);
                                   insertGroup.bindText16(2, uid);
                               });
        if (rc != SQLITE_DONE) {
            if (insertGroup.lastError() == SQLITE_CONSTRAINT_UNIQUE)
                fail(kAbifErrAlreadyInFile,
                     path + ": " + which + ": a group with its UID is already in the file");
            store.failSqlite(insertGroup.lastError(), "cannot add " + which);
        }
        int64_t groupId = sqlite3_last_insert_rowid(store.db());
        for (size_t pos = 0; pos < members.size(); ++pos) {
            insertMember.reset();
            insertMember.bindInt(1, groupId);
            insertMember.bindInt(2, int64_t(pos));
            insertMember.bindInt(3, members[pos]);
            insertMember.step();
        }
    }
    transaction.commit();
}

// The checked records and UIDs of an add.
struct Additions {
    std::vector<NewEntry> entries;
    std::vector<NewGroup> groups;
    std::vector<std::u16string> entryUids, entryNs, groupUids;

    Additions(const ABIFData& data, const NewUids& uids) {
        entries = takeEntries(data.myFax);
        takeGroups(data.myFaxGroups, kMyFaxGroupLayout, groups);
        takeGroups(data.faxGroups, kFaxGroupLayout, groups);
        entryUids = takeUids(uids.entries, entries.size(), "entries", true);
        entryNs = takeUids(uids.entryNs, entries.size(), "entries", false);
        groupUids = takeUids(uids.groups, groups.size(), "groups", true);
    }
    void addTo(Store& store) const { addToFile(store, entries, groups, entryUids, entryNs, groupUids); }
};

} // namespace

int32_t addFileRecords(const char* path, ABIFData* data, const NewUids& uids) {
    return guarded("AbifGADFile_Add", [&] {
        requireFileAndData(path, data, 0, 0);
        Additions additions(*data, uids); // every record is checked before the file is touched
        Store store(path, Store::Mode::ReadWrite);
        additions.addTo(store);
    });
}

int32_t createFileWithRecords(const char* path, int32_t kind, ABIFData* data, const NewUids& uids) {
    return guarded("AbifGADFile_Create", [&] {
        requireFileAndData(path, data, 0, 0);
        Additions additions(*data, uids);
        HiddenFile file(path, kind);
        {
            Store store(file.hiddenPath(), Store::Mode::ReadWrite);
            additions.addTo(store);
        }
        file.publish();
    });
}

} // namespace abif

extern "C" {

int32_t AbifGADFile_Add(const char* path, ABIFData* data, int32_t flags) {
    using namespace abif;
    return guarded("AbifGADFile_Add", [&] {
        requireFileAndData(path, data, flags, 0);
        Additions additions(*data, {}); // every record is checked before the file is touched
        Store store(path, Store::Mode::ReadWrite);
        additions.addTo(store);
    });
}

int32_t AbifGADFile_Create(const char* path, int32_t kind) {
    using namespace abif;
    return guarded("AbifGADFile_Create", [&] {
        requirePath(path);
        Store::create(path, kind);
    });
}

} // extern "C"
