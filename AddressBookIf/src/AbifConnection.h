// The SQLite connection of an address-book file. Any program of the user can write such a file,
// so every connection is opened as SQLite advises for databases from untrusted sources, every
// statement is bounded in work, and the file's schema must be ours before anything is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct sqlite3;

namespace abif {

// The most entries (Ids 1 to 65535) and groups that a file holds.
inline constexpr size_t kMaxEntries = 65535;
inline constexpr size_t kMaxGroups = 65535;
// Room for a mark per entry Id; 0 names no entry.
inline constexpr size_t kIdSpace = kMaxEntries + 1;

// The longest value or row that SQLite builds on a connection of ours, in bytes: far above the
// longest row of the format (an entry: four texts of at most 508 bytes together, a UID and a
// structured name of at most 510 bytes each as UTF-16) and far below what would strain memory.
inline constexpr int kMaxValueBytes = 8192;

// The work a statement may do, in SQLite virtual-machine steps (deterministic, unlike a time
// limit), counted from its start or its last reset. Until the schema is checked, a statement may
// do what opening one of our files takes (at most some 500 steps, loading the schema) with a wide
// margin; on a checked file, what the largest file of the format needs (reading 65,535 groups of
// 205 members takes some 54 million steps, removing an entry from them 40 million) four times.
inline constexpr uint64_t kOpeningSteps = 20000;
inline constexpr uint64_t kStatementSteps = 200000000;

// The budget of the statement that runs on a connection; whoever starts a statement restarts it.
struct StepBudget {
    uint64_t used = 0;
    uint64_t limit = kOpeningSteps;
    void restart() { used = 0; }
};

// Opens `path` (sqlite3_open_v2 `flags`) in defensive mode, trusting no function of the schema,
// with views and triggers off, limits on lengths, columns, depths and sizes that fit the format,
// and every statement's work bounded by `budget` (which must outlive the connection). Throws a
// Failure (kAbifErrFile); the connection belongs to the caller.
sqlite3* openConnection(const std::string& path, int flags, StepBudget& budget);

// The SQL that makes an empty file of format 1 inside an open transaction, and the SQL that brings
// a file of format 1 to format 2.
extern const char* const kSchema;
extern const char* const kUpgradeToUids;

// Checks that the file's schema (sqlite_schema) is exactly that of `format`: our tables and
// indexes as our own SQL makes them, and no view, trigger, or other table or index. Throws a
// Failure (kAbifErrNotAddressBook) naming what differs.
void checkSchema(sqlite3* db, const std::string& path, int32_t format, StepBudget& budget);

} // namespace abif
