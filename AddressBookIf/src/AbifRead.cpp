// Address-book files: reading them into records, whole or not at all.
#include "AbifEdit.h"
#include "AbifRecords.h"
#include "AbifStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace abif {
namespace {

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

    template <typename Record> RecordStore<Record> entries(const EntryLayout& layout) {
        // The highest Id bounds the count and costs one step down the table's tree.
        Statement last(store_, "SELECT max(id) FROM entry");
        last.step();
        RecordStore<Record> out;
        out.reserve(size_t(std::clamp<int64_t>(last.columnInt(0), 0, kIdSpace)));
        present_.assign(kIdSpace, false);

        // The UID last, after the columns of the record.
        std::string sql = layout.full ? "SELECT id, name, fax, company, note, added" : "SELECT id, name, fax";
        const int uidColumn = layout.full ? 6 : 3;
        sql += identities_ ? ", uid, n FROM entry ORDER BY id" : " FROM entry ORDER BY id";
        Statement rows(store_, sql);
        while (rows.step()) {
            int64_t id = rows.columnInt(0);
            if (rows.columnType(0) != SQLITE_INTEGER || id < 1 || id >= int64_t(kIdSpace))
                damaged("entry Id", id, "is out of range");
            if (present_[size_t(id)]) // so no more than kMaxEntries rows are read
                damaged("entry Id", id, "is given twice");
            present_[size_t(id)] = true;
            Record record{};
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
            out.push_back(record);
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
        Statement rows(store_, identities_ ? "SELECT id, name, uid FROM grp ORDER BY id"
                                           : "SELECT id, name FROM grp ORDER BY id");
        while (rows.step()) {
            int64_t id = rows.columnInt(0);
            if (out.size() == kMaxGroups)
                damaged("group", id, "is more than a file holds (" + std::to_string(kMaxGroups) + ")");
            Record& record = out.emplace_back();
            putText(rows, 1, record.bytes + layout.name, layout.nameSize, "name of group", true, id);
            groupIds.push_back(id);
            if (identities_)
                identities_->groupUids.push_back(uid(rows, 2, "group", id));
        }
        if (identities_)
            identities_->groupKeys = groupIds;

        Statement members(store_, "SELECT grp, entry FROM member ORDER BY grp, pos");
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
    [[noreturn]] void damaged(const char* what, int64_t id, std::string_view problem) {
        fail(kAbifErrNotAddressBook, store_.path() + ": " + what + " " + std::to_string(id) + " " +
                                         std::string(problem) + " (damaged file)");
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

template <typename Entry, typename Group>
void readFile(Store& store, RecordStore<Entry>& entries, RecordStore<Group>& groups,
              const EntryLayout& entryLayout, const GroupLayout& groupLayout, Identities* identities) {
    Identities found;
    store.exec("BEGIN"); // one snapshot for entries and groups, of the schema checked in it
    store.checkFormat();
    Reader reader(store, identities ? &found : nullptr);
    RecordStore<Entry> newEntries = reader.entries<Entry>(entryLayout);
    RecordStore<Group> newGroups;
    newGroups.assign(reader.groups<Group>(groupLayout));
    store.exec("COMMIT");
    // Nothing reaches the handle before the whole file has been read, and then all of it.
    entries.reserveFor(newEntries);
    groups.reserveFor(newGroups);
    entries.append(std::move(newEntries));
    groups.append(std::move(newGroups));
    if (identities)
        *identities = std::move(found);
}

void readRecords(Store& store, ABIFData& data, bool asDeviceRecords, Identities* identities = nullptr) {
    if (asDeviceRecords)
        readFile(store, data.fax, data.faxGroups, kFaxLayout, kFaxGroupLayout, identities);
    else
        readFile(store, data.myFax, data.myFaxGroups, kMyFaxLayout, kMyFaxGroupLayout, identities);
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

} // namespace abif

extern "C" {

int32_t AbifGADFile_Read(const char* path, ABIFData* data, int32_t flags) {
    using namespace abif;
    return guarded("AbifGADFile_Read", [&] {
        requireFileAndData(path, data, flags, kAbifReadDeviceRecords);
        Store store(path, Store::Mode::ReadOnly);
        // Every page is read once, in order: a cache of the whole file would only add its size
        // to the records while they are made.
        store.exec("PRAGMA cache_size=-2048");
        readRecords(store, *data, flags & kAbifReadDeviceRecords);
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
