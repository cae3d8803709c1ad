// Opening address-book files guarded against hostile content, and their schema.
#include "AbifConnection.h"
#include "AbifStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace abif {

const char* const kSchema = R"sql(
BEGIN;
CREATE TABLE book (
    kind INTEGER NOT NULL CHECK (kind IN (0, 1))
);
CREATE TABLE entry (
    id INTEGER PRIMARY KEY CHECK (id BETWEEN 1 AND 65535),
    name TEXT NOT NULL,
    fax TEXT NOT NULL,
    company TEXT NOT NULL DEFAULT '',
    note TEXT NOT NULL DEFAULT '',
    added INTEGER NOT NULL DEFAULT 0,
    UNIQUE (name, fax)
);
CREATE TABLE grp (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL
);
CREATE TABLE member (
    grp INTEGER NOT NULL REFERENCES grp (id),
    pos INTEGER NOT NULL,
    entry INTEGER NOT NULL REFERENCES entry (id),
    PRIMARY KEY (grp, pos)
) WITHOUT ROWID;
)sql";

// A version 4 UUID from SQLite's random source, for rows that have no UID yet.
#define ABIF_NEW_UID                                                                                         \
    "lower(hex(randomblob(4))) || '-' || lower(hex(randomblob(2))) || '-4' ||"                               \
    " substr(lower(hex(randomblob(2))), 2) || '-' || substr('89ab', 1 + (random() & 3), 1) ||"               \
    " substr(lower(hex(randomblob(2))), 2) || '-' || lower(hex(randomblob(6)))"

// From format 1 to 2: a UID for every entry and group, unique in the file.
const char* const kUpgradeToUids = "ALTER TABLE entry ADD COLUMN uid TEXT;"
                                   "ALTER TABLE entry ADD COLUMN n TEXT;"
                                   "ALTER TABLE grp ADD COLUMN uid TEXT;"
                                   "UPDATE entry SET uid = " ABIF_NEW_UID " WHERE uid IS NULL;"
                                   "UPDATE grp SET uid = " ABIF_NEW_UID " WHERE uid IS NULL;"
                                   "CREATE UNIQUE INDEX entry_uid ON entry (uid);"
                                   "CREATE UNIQUE INDEX grp_uid ON grp (uid);"
                                   "PRAGMA user_version = 2;";

namespace {

// The limits of a connection: what our own SQL and the rows of the format need, with room, and
// nothing that a file could use to make a statement grow (no attached files, no compound
// selects worth the name, no deep expressions).
constexpr std::array<std::pair<int, int>, 12> kLimits = {{
    {SQLITE_LIMIT_LENGTH, kMaxValueBytes},
    {SQLITE_LIMIT_SQL_LENGTH, 4096},
    {SQLITE_LIMIT_COLUMN, 16},
    {SQLITE_LIMIT_EXPR_DEPTH, 32},
    {SQLITE_LIMIT_COMPOUND_SELECT, 2},
    {SQLITE_LIMIT_VDBE_OP, 2048},
    {SQLITE_LIMIT_FUNCTION_ARG, 8},
    {SQLITE_LIMIT_ATTACHED, 0},
    {SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 64},
    {SQLITE_LIMIT_VARIABLE_NUMBER, 16},
    {SQLITE_LIMIT_TRIGGER_DEPTH, 1},
    {SQLITE_LIMIT_WORKER_THREADS, 0},
}};

// The budget is looked at every this many steps.
constexpr int kStepsPerCheck = 1000;

int stopRunawayStatement(void* context) {
    auto& budget = *static_cast<StepBudget*>(context);
    budget.used += kStepsPerCheck;
    return budget.used > budget.limit ? 1 : 0;
}

// One object of a schema as sqlite_schema holds it; an automatic index has no SQL.
struct SchemaObject {
    std::string type, name, table;
    std::optional<std::string> sql;
    auto operator<=>(const SchemaObject&) const = default;
};
using Schema = std::vector<SchemaObject>;

std::string columnText(sqlite3_stmt* statement, int column) {
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(statement, column))) : std::string();
}

// At most `most` objects of the schema, in the order of their names.
Schema readSchema(sqlite3* db, const std::string& path, StepBudget& budget, size_t most) {
    budget.restart();
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema", -1, &statement,
                                nullptr);
    Schema schema;
    while (rc == SQLITE_OK && schema.size() < most && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        SchemaObject& object = schema.emplace_back();
        object.type = columnText(statement, 0);
        object.name = columnText(statement, 1);
        object.table = columnText(statement, 2);
        if (sqlite3_column_type(statement, 3) != SQLITE_NULL)
            object.sql = columnText(statement, 3);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        failSqlite(sqlite3_extended_errcode(db), db, path, "cannot read the schema");
    std::sort(schema.begin(), schema.end());
    return schema;
}

// The schemas of formats 1 and 2 as this SQLite writes them, made once on an empty database
// in memory from the same SQL that makes our files.
const Schema& expectedSchema(int32_t format) {
    static const std::array<Schema, 2> schemas = [] {
        StepBudget budget; // our own SQL on an empty database: the opening budget is ample
        sqlite3* db = openConnection(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, budget);
        std::array<Schema, 2> made;
        int rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            made[0] = readSchema(db, "the address-book schema", budget, 100);
        if (rc == SQLITE_OK &&
            (rc = sqlite3_exec(db, kUpgradeToUids, nullptr, nullptr, nullptr)) == SQLITE_OK)
            made[1] = readSchema(db, "the address-book schema", budget, 100);
        std::string message = sqlite3_errmsg(db);
        sqlite3_close_v2(db);
        if (rc != SQLITE_OK)
            fail(kAbifErrFile, "the address-book schema cannot be made: " + message);
        return made;
    }();
    return schemas[format >= kFirstFormatWithUids ? 1 : 0];
}

// What differs between the file's schema and the expected one, in words.
std::string difference(const Schema& found, const Schema& expected) {
    for (const SchemaObject& object : found) {
        auto same = std::find_if(expected.begin(), expected.end(),
                                 [&](const SchemaObject& e) { return e.name == object.name; });
        if (same == expected.end())
            return "it holds the " + object.type + " \"" + object.name + "\", which an address book has not";
        if (*same != object)
            return "its " + object.type + " \"" + object.name + "\" is not that of an address book";
    }
    for (const SchemaObject& object : expected)
        if (std::find(found.begin(), found.end(), object) == found.end())
            return "it lacks the " + object.type + " \"" + object.name + "\" of an address book";
    return "its schema is not that of an address book";
}

} // namespace

sqlite3* openConnection(const std::string& path, int flags, StepBudget& budget) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX, nullptr);
    for (auto [option, value] : {std::pair{SQLITE_DBCONFIG_DEFENSIVE, 1},
                                 {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
                                 {SQLITE_DBCONFIG_ENABLE_VIEW, 0},
                                 {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
                                 {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0}})
        if (rc == SQLITE_OK)
            rc = sqlite3_db_config(db, option, value, nullptr);
    if (rc == SQLITE_OK) {
        for (auto [limit, value] : kLimits)
            sqlite3_limit(db, limit, value);
        budget.restart();
        budget.limit = kOpeningSteps;
        sqlite3_progress_handler(db, kStepsPerCheck, &stopRunawayStatement, &budget);
        sqlite3_extended_result_codes(db, 1);
        // Every page's cells checked as they are read; no memory-mapped reading, so that a file
        // cut short under a mapping cannot kill the process (SIGBUS).
        rc =
            sqlite3_exec(db, "PRAGMA cell_size_check = ON; PRAGMA mmap_size = 0;", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        std::string message = path + ": cannot open: " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        fail(kAbifErrFile, message);
    }
    return db;
}

void checkSchema(sqlite3* db, const std::string& path, int32_t format, StepBudget& budget) {
    const Schema& expected = expectedSchema(format);
    Schema found = readSchema(db, path, budget, expected.size() + 1);
    if (found != expected)
        fail(kAbifErrNotAddressBook, path + ": " + difference(found, expected) + " (damaged file)");
}

} // namespace abif
