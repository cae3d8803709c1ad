// Address-book files: reading them into records and adding records to them.
#include "AbifEdit.h"
#include "AbifRecords.h"
#include "AbifStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <unordered_map>
#include <unordered_set>

namespace abif {
namespace {

constexpr size_t kIdSpace = 65536; // Ids are 1 to 65535; 0 names no entry

std::string quoted(std::u16string_view text) {
    std::string out = toUtf8(text);
    out.insert(out.begin(), '"');
    out.push_back('"');
    return out;
}

// --- Reading

// Reserves room for `count` records. A full book's entries take some 63 MB, which the kernel
// would otherwise fault in one small page at a time; large pages make reading it several times
// faster. The advice is only a hint: where it is not taken, nothing changes.
template <typename Record> void reserveLarge(std::vector<Record>& records, size_t count) {
    records.reserve(count);
    constexpr uintptr_t kLargePage = 2u << 20;
    auto begin = reinterpret_cast<uintptr_t>(records.data());
    uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    uintptr_t end = (begin + count * sizeof(Record)) & ~(kLargePage - 1);
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

class Reader {
public:
    Reader(Store& store, Identities* identities)
        : store_(store), identities_(store.formatVersion() >= kFirstFormatWithUids ? identities : nullptr) {}

    // Copies a text column into a record field; a file whose text breaks the field rules is damaged.
    void putText(const Statement& row, int column, uint8_t* field, size_t fieldSize, const char* what,
                 bool required, int64_t id) {
        if (row.columnType(column) != SQLITE_TEXT)
            damaged(what, id, "is not a text");
        std::u16string_view text = row.columnText16(column);
        if (text.size() * 2 + 2 > fieldSize)
            damaged(what, id, "is longer than its field");
        if (required && text.empty())
            damaged(what, id, "is empty");
        if (std::count(text.begin(), text.end(), u'\0') != 0) // no early exit: checked in wide steps
            damaged(what, id, "holds a zero unit");
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(field, text.data(), text.size() * 2);
        } else {
            for (size_t i = 0; i < text.size(); ++i)
                writeU16(field + 2 * i, text[i]);
        }
    }

    template <typename Record> std::vector<Record> entries(const EntryLayout& layout) {
        // The highest Id bounds the count and costs one step down the table's tree.
        Statement last(store_.db(), "SELECT max(id) FROM entry", store_.path());
        last.step();
        std::vector<Record> out;
        reserveLarge(out, size_t(std::clamp<int64_t>(last.columnInt(0), 0, kIdSpace)));
        present_.assign(kIdSpace, false);

        // The UID last, after the columns of the record.
        std::string sql = layout.full ? "SELECT id, name, fax, company, note, added" : "SELECT id, name, fax";
        const int uidColumn = layout.full ? 6 : 3;
        sql += identities_ ? ", uid, n FROM entry ORDER BY id" : " FROM entry ORDER BY id";
        Statement rows(store_.db(), sql, store_.path());
        while (rows.step()) {
            int64_t id = rows.columnInt(0);
            if (rows.columnType(0) != SQLITE_INTEGER || id < 1 || id >= int64_t(kIdSpace))
                damaged("entry Id", id, "is out of range");
            present_[size_t(id)] = true;
            Record& record = out.emplace_back(); // zero-filled
            uint8_t* bytes = record.bytes;
            writeU16(bytes + layout.id, uint16_t(id));
            putText(rows, 1, bytes + layout.name, layout.nameSize, "name of entry", true, id);
            putText(rows, 2, bytes + layout.phone, layout.phoneSize, "fax number of entry", true, id);
            if (layout.full) {
                putText(rows, 3, bytes + ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE, "company of entry",
                        false, id);
                putText(rows, 4, bytes + ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE, "note of entry", false, id);
                writeI64(bytes + ABIF_MYFAX_TIME, rows.columnInt(5));
            }
            if (identities_) {
                identities_->entryUids.push_back(uid(rows, uidColumn, "entry", id));
                identities_->entryNs.push_back(rows.columnType(uidColumn + 1) == SQLITE_NULL
                                                   ? std::string()
                                                   : uid(rows, uidColumn + 1, "entry", id));
            }
        }
        return out;
    }

    // Groups in the order they were added, each with its members in their order. Must follow
    // entries(), which notes the Ids that members may name.
    template <typename Record> std::vector<Record> groups(const GroupLayout& layout) {
        std::vector<Record> out;
        std::vector<int64_t> groupIds;
        Statement rows(store_.db(),
                       identities_ ? "SELECT id, name, uid FROM grp ORDER BY id"
                                   : "SELECT id, name FROM grp ORDER BY id",
                       store_.path());
        while (rows.step()) {
            int64_t id = rows.columnInt(0);
            Record& record = out.emplace_back();
            putText(rows, 1, record.bytes + layout.name, layout.nameSize, "name of group", true, id);
            groupIds.push_back(id);
            if (identities_)
                identities_->groupUids.push_back(uid(rows, 2, "group", id));
        }
        if (identities_)
            identities_->groupKeys = groupIds;

        Statement members(store_.db(), "SELECT grp, entry FROM member ORDER BY grp, pos", store_.path());
        size_t index = 0;
        size_t count = 0;
        while (members.step()) {
            int64_t group = members.columnInt(0);
            int64_t entry = members.columnInt(1);
            while (index < groupIds.size() && groupIds[index] < group) {
                ++index;
                count = 0;
            }
            if (index == groupIds.size() || groupIds[index] != group)
                damaged("member of group", group, "belongs to no group");
            if (entry < 1 || entry >= int64_t(kIdSpace) || !present_[size_t(entry)])
                damaged("member of group", group, "names no entry");
            if (count == store_.groupLimit())
                damaged("group", group, "has more members than its file allows");
            if (count == layout.maxMembers) {
                fail(kAbifErrTooManyMembers,
                     store_.path() + ": group " +
                         quoted(readText(out[index].bytes + layout.name, layout.nameSize)) +
                         " has more members than a group record holds (" + std::to_string(layout.maxMembers) +
                         ")");
            }
            uint8_t* bytes = out[index].bytes;
            writeU16(bytes + layout.members + 2 * count, uint16_t(entry));
            writeU16(bytes + layout.count, uint16_t(++count));
        }
        return out;
    }

private:
    [[noreturn]] void damaged(const char* what, int64_t id, const char* problem) {
        fail(kAbifErrNotAddressBook,
             store_.path() + ": " + what + " " + std::to_string(id) + " " + problem + " (damaged file)");
    }

    std::string uid(const Statement& row, int column, const char* what, int64_t id) {
        if (row.columnType(column) != SQLITE_TEXT)
            damaged(what, id, "has no UID");
        std::string text = toUtf8(row.columnText16(column));
        if (!isValidUid(text))
            damaged(what, id, "has a malformed UID");
        return text;
    }

    Store& store_;
    Identities* identities_;
    std::vector<bool> present_;
};

template <typename Record> void append(std::vector<Record>& target, std::vector<Record>&& records) {
    if (target.empty())
        target = std::move(records);
    else
        target.insert(target.end(), records.begin(), records.end());
}

template <typename Entry, typename Group>
void readFile(Store& store, std::vector<Entry>& entries, std::vector<Group>& groups,
              const EntryLayout& entryLayout, const GroupLayout& groupLayout, Identities* identities) {
    Identities found;
    Reader reader(store, identities ? &found : nullptr);
    store.exec("BEGIN"); // one snapshot for entries and groups
    auto newEntries = reader.entries<Entry>(entryLayout);
    auto newGroups = reader.groups<Group>(groupLayout);
    store.exec("COMMIT");
    // Nothing reaches the handle before the whole file has been read.
    groups.reserve(groups.size() + newGroups.size());
    append(entries, std::move(newEntries));
    append(groups, std::move(newGroups));
    if (identities)
        *identities = std::move(found);
}

void readRecords(Store& store, ABIFData& data, bool asDeviceRecords, Identities* identities = nullptr) {
    if (asDeviceRecords)
        readFile(store, data.fax, data.faxGroups, kFaxLayout, kFaxGroupLayout, identities);
    else
        readFile(store, data.myFax, data.myFaxGroups, kMyFaxLayout, kMyFaxGroupLayout, identities);
}

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

std::vector<NewEntry> takeEntries(const std::vector<ABIF_MyFax>& records) {
    std::vector<NewEntry> entries;
    entries.reserve(records.size());
    std::unordered_set<std::u16string> seen;
    seen.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const uint8_t* r = records[i].bytes;
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
void takeGroups(const std::vector<Record>& records, const GroupLayout& layout,
                std::vector<NewGroup>& groups) {
    for (size_t i = 0; i < records.size(); ++i) {
        const uint8_t* r = records[i].bytes;
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
    Statement find(store.db(), std::string("SELECT 1 FROM ") + table + " WHERE uid = ?", store.path());
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
        Statement ids(store.db(), "SELECT id FROM entry", path);
        while (ids.step()) {
            int64_t id = ids.columnInt(0);
            if (id < 1 || id >= int64_t(kIdSpace))
                fail(kAbifErrNotAddressBook, path + ": entry Id out of range");
            used[size_t(id)] = true;
            ++usedCount;
        }
    }
    std::vector<uint16_t> newIds = assignIds(used, usedCount, entries.size());

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
        store.db(),
        "INSERT INTO entry (id, name, fax, company, note, added, uid, n) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
        path);
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
    Statement insertGroup(store.db(), "INSERT INTO grp (name, uid) VALUES (?, ?)", path);
    Statement insertMember(store.db(), "INSERT INTO member (grp, pos, entry) VALUES (?, ?, ?)", path);
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

} // namespace

int32_t readFileRecords(const char* path, ABIFData* data, int32_t& kind) {
    Identities ignored;
    return readFileRecords(path, data, kind, ignored);
}

int32_t readFileRecords(const char* path, ABIFData* data, int32_t& kind, Identities& identities) {
    return guarded("AbifGADFile_Read", [&] {
        requireFileAndData(path, data, 0, 0);
        Store store(path, Store::Mode::ReadOnly);
        kind = store.kind();
        readRecords(store, *data, kind == kAbifFileDevice, &identities);
    });
}

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

int32_t AbifGADFile_Read(const char* path, ABIFData* data, int32_t flags) {
    using namespace abif;
    return guarded("AbifGADFile_Read", [&] {
        requireFileAndData(path, data, flags, kAbifReadDeviceRecords);
        Store store(path, Store::Mode::ReadOnly);
        readRecords(store, *data, flags & kAbifReadDeviceRecords);
    });
}

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

int32_t AbifGADFile_GetKind(const char* path, int32_t* kind) {
    using namespace abif;
    return guarded("AbifGADFile_GetKind", [&] {
        requirePath(path);
        if (!kind)
            fail(kAbifErrInvalidArgument, "no place for the kind");
        Store store(path, Store::Mode::ReadOnly);
        *kind = store.kind();
    });
}

} // extern "C"
