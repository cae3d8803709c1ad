// Calls of the file side beyond the C interface, for the address-book tool: the UIDs of entries
// and groups, adding with given UIDs, creating a file with its first records in one step, and
// changing or removing what a file holds. Each answers a result code as the C calls do.
#pragma once

#include "AbifRecords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace abif {

// What identifies the records of a read: a UID per entry and per group, in the order of the
// records (empty for a file of the format before UIDs), each group's key for editFile, and the
// structured name (a vCard N value) an entry was imported with, empty when none.
struct Identities {
    std::vector<std::string> entryUids;
    std::vector<std::string> entryNs;
    std::vector<std::string> groupUids;
    std::vector<int64_t> groupKeys;
};

// As readFileRecords, with the identities of the records read.
int32_t readFileRecords(const char* path, ABIFData* data, int32_t& kind, Identities& identities);

// The UIDs that the records of an add carry, in the order of the handle's MyFax records and of
// its groups (MyFaxGroup records, then FaxGroup records); a missing or empty one gets a new UID.
// A UID has at most kMaxUidBytes bytes and is unique in the file (kAbifErrAlreadyInFile). The
// structured names (vCard N values, at most kMaxUidBytes bytes) go with the entries.
struct NewUids {
    std::vector<std::string> entries;
    std::vector<std::string> entryNs;
    std::vector<std::string> groups;
};

// AbifGADFile_Add with UIDs.
int32_t addFileRecords(const char* path, ABIFData* data, const NewUids& uids);
// Creates the file at `path` holding the handle's records: the file appears whole or not at all,
// even when the process is killed meanwhile. Fails when the path exists.
int32_t createFileWithRecords(const char* path, int32_t kind, ABIFData* data, const NewUids& uids);

// Changes to a file, made in one transaction: all or nothing.
struct GroupChange {
    int64_t key; // from Identities::groupKeys
    std::optional<std::u16string> name;
    std::optional<std::vector<uint16_t>> members; // Ids of entries of the file, in order
};
enum EntryField : unsigned {
    kEntryName = 1,
    kEntryFax = 2,
    kEntryCompany = 4,
    kEntryNote = 8,
    kEntryAll = 15
};
struct FileEdit {
    std::vector<ABIF_MyFax> changedEntries; // each replaces the fields in `entryFields` of the entry
                                            // its Id names (a new name drops its N)
    unsigned entryFields = kEntryAll;
    std::vector<uint16_t> removedEntries; // also taken out of every group
    std::vector<GroupChange> changedGroups;
    std::vector<int64_t> removedGroups;
};
int32_t editFile(const char* path, const FileEdit& edit);

// --- Shared by the calls of the file side

// A text in double quotes, as UTF-8, for messages.
std::string quoted(std::u16string_view text);
// The checks of a call's arguments: a file path given; and a data handle with known flags.
void requirePath(const char* path);
void requireFileAndData(const char* path, const ABIFData* data, int32_t flags, int32_t knownFlags);

// An entry record passed in, checked.
struct NewEntry {
    uint16_t callId; // the Id the caller gave, naming the entry for the groups of the call
    std::u16string name, fax, company, note;
    int64_t added;
};
// Checks the entry records of a call (names, fields ended inside them, no pair given twice).
// (Records: a std::vector or a RecordStore of ABIF_MyFax.)
template <typename Records> std::vector<NewEntry> takeEntries(const Records& records);
class Statement;
// Binds the entry's name, fax number, company and note to the parameters `first` to `first` + 3.
void bindEntryTexts(Statement& statement, int first, const NewEntry& entry);
// 1 to kMaxUidBytes bytes of UTF-8 without control characters.
bool isValidUid(std::string_view uid);
// Checks the UIDs (or structured names) of a call; an empty one stands for none.
std::vector<std::u16string> takeUids(const std::vector<std::string>& uids, size_t count, const char* what,
                                     bool unique);

} // namespace abif
