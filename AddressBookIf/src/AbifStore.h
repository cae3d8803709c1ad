// The address-book file store: an SQLite database marked as ours, its schema, and the failures
// that the calls of the file side report.
#pragma once

#include "AbifConnection.h"
#include "AddressBookIf.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace abif {

// A failure of a file call: its result code and the text of its log line.
struct Failure {
    int32_t code;
    std::string message;
};

[[noreturn]] void fail(int32_t code, std::string message);

// Runs `body` and turns a Failure (or an exception) into a result code, writing one line
// "<function> - <message>" to the log (standard error unless a program sets its own).
template <typename Body> int32_t guarded(const char* function, Body&& body);

// Where the log lines of failed calls go; null restores standard error.
using LogSink = void (*)(const char* line, void* context);
void setLogSink(LogSink sink, void* context);
void writeLog(const char* function, const std::string& message);

// The marks of our files. Format 1 has no UIDs; format 2 adds a UID to every entry and group.
inline constexpr int32_t kApplicationId = 0x44464142; // "DFAB"
inline constexpr int32_t kFormatVersion = 2;
inline constexpr int32_t kFirstFormatWithUids = 2;
// The most bytes of a UID (UTF-8); longer ones are refused when added and damage when read.
inline constexpr size_t kMaxUidBytes = 255;

// Time one call waits in all for another connection that holds the file locked, whatever
// number of steps it takes.
inline constexpr int kBusyTimeoutMs = 5000;

class Store;

// One prepared statement of a store; reset and finalised with its owner. Its work is bounded
// from its start and from each reset.
class Statement {
public:
    Statement(Store& store, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Answers true while there is a row; throws on failure.
    bool step();
    void reset();
    void bindInt(int index, int64_t value);
    // UTF-16 text; the units must outlive the next step.
    void bindText16(int index, std::u16string_view text);
    int64_t columnInt(int index) const;
    int columnType(int index) const;
    // UTF-16 units of a text column, valid until the next step.
    std::u16string_view columnText16(int index) const;
    // The extended code of the last failed step, for the callers that tell constraints apart.
    int lastError() const { return lastError_; }
    // Steps once and answers the SQLite result instead of throwing on constraint failures.
    int tryStep();

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    const std::string& path_;
    StepBudget& budget_;
    int lastError_ = 0;
};

// An open address-book file. Opening checks the marks and the schema, so an open store is one of
// ours; the connection is opened guarded (openConnection).
class Store {
public:
    enum class Mode { ReadOnly, ReadWrite };

    Store(const std::string& path, Mode mode);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Creates a new empty file of `kind` at `path`; fails when the path exists.
    static void create(const std::string& path, int32_t kind);

    // The format version the file was opened with, or found by the last checkFormat().
    int32_t formatVersion() const { return format_; }
    // Inside a transaction: reads the format version again and checks the schema against it, as
    // another program may have changed the file since it was opened. Throws a Failure.
    void checkFormat();
    // Brings a file of an older format to the current one: inside an open write transaction (whose
    // start checked the format), which keeps the change all or nothing. Older files get UIDs for
    // their entries and groups here.
    void upgrade();

    sqlite3* db() const { return db_; }
    const std::string& path() const { return path_; }
    // The work budget of the statement that runs; restarted by whatever starts one.
    StepBudget& budget() { return budget_; }
    int32_t kind() const { return kind_; }
    // The most members a group of this file holds.
    size_t groupLimit() const;

    void exec(const char* sql);
    // Turns an SQLite result into a Failure naming `what`.
    [[noreturn]] void failSqlite(int rc, std::string_view what) const;

private:
    void open(Mode mode);
    void close();
    void checkMarks();
    // SQLite's busy handler: waits a little and answers whether to try again before the deadline.
    static int waitWhileBusy(void* store, int attempt);

    std::string path_;
    // Every wait for a lock of this store ends by this time.
    std::chrono::steady_clock::time_point busyDeadline_;
    StepBudget budget_;
    sqlite3* db_ = nullptr;
    int32_t kind_ = kAbifFileComputer;
    int32_t format_ = kFormatVersion;
};

// A write transaction, rolled back unless committed. Starting it checks the file's format and
// schema again under the write lock.
class Transaction {
public:
    explicit Transaction(Store& store);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Store& store_;
    bool done_ = false;
};

// A new address-book file being built under a hidden name beside `path`, locked while it lives
// so that no other process takes it for the leftover of a killed one. publish() links it to
// `path` (never over an existing file); otherwise it is removed when destroyed. A process killed
// meanwhile leaves only the hidden file (and its journal), which the next creation in the same
// folder removes.
class HiddenFile {
public:
    HiddenFile(const std::string& path, int32_t kind);
    ~HiddenFile();
    HiddenFile(const HiddenFile&) = delete;
    HiddenFile& operator=(const HiddenFile&) = delete;

    const std::string& hiddenPath() const { return hidden_; }
    void publish();

private:
    void discard();

    std::string path_;
    std::string hidden_;
    int lockFd_ = -1;
    bool published_ = false;
};

// `count` new random UIDs (version 4 UUIDs in lower case) for entries or groups added without
// one, in ascending order.
std::vector<std::u16string> newUids(size_t count);

// Removes what killed creations left in `folder`: hidden files no live process holds, and
// their journals.
void removeLeftovers(const std::string& folder);
std::string parentOf(const std::string& path);

// Makes a new file beside `path` named ".BASE<marker>XXXXXX" (six random characters), readable
// and writable by the user only, created by this call alone: never an existing name and never
// through a symbolic link. Answers its descriptor and puts its path into `created`, or answers -1
// with errno set. Whatever writes a file whole and then moves it into place starts here.
int createFileBeside(const std::string& path, std::string_view marker, std::string& created);

// A Failure for SQLite result `rc` (the file's damage, a lock, or an input/output error).
[[noreturn]] void failSqlite(int rc, sqlite3* db, const std::string& path, std::string_view what);

} // namespace abif

namespace abif {

template <typename Body> int32_t guarded(const char* function, Body&& body) {
    Failure failure{kAbifSuccess, {}};
    try {
        body();
        return kAbifSuccess;
    } catch (Failure& f) {
        failure = std::move(f);
    } catch (const std::bad_alloc&) {
        failure = {kAbifErrNoMemory, "out of memory"};
    } catch (const std::exception& e) {
        failure = {kAbifErrFile, e.what()};
    } catch (...) {
        failure = {kAbifErrFile, "unexpected failure"};
    }
    writeLog(function, failure.message);
    return failure.code;
}

} // namespace abif
