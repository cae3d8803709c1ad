// The address-book file store on SQLite.
#include "AbifStore.h"
#include "AbifConnection.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace abif {

namespace {

// Rollback journal written through to the disk: a process killed in the middle of a change
// leaves a hot journal that the next connection rolls back, so the file holds all or none of it.
constexpr const char* kConnectionSetup =
    "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536;"
    "PRAGMA foreign_keys=ON;";

// The marker in the names of files being created.
constexpr const char* kHiddenMarker = ".dfab-new-";
constexpr const char* kJournalSuffix = "-journal";

std::atomic<LogSink> logSink{nullptr};
std::atomic<void*> logContext{nullptr};

std::string describe(int rc, sqlite3* db) {
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return text ? text : sqlite3_errstr(rc);
}

std::string baseOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void syncFolder(const std::string& folder) {
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int createFileBeside(const std::string& path, std::string_view marker, std::string& created) {
    // mkostemp makes the file with O_CREAT | O_EXCL, mode 0600: a name taken by anything, a link
    // planted there included, is passed over for another random one.
    std::string name = parentOf(path) + "/." + baseOf(path) + std::string(marker) + "XXXXXX";
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        created = std::move(name);
    return fd;
}

void setLogSink(LogSink sink, void* context) {
    logContext = context;
    logSink = sink;
}

void writeLog(const char* function, const std::string& message) {
    std::string line = std::string(function) + " - " + message;
    if (LogSink sink = logSink.load())
        sink(line.c_str(), logContext.load());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

void fail(int32_t code, std::string message) {
    throw Failure{code, std::move(message)};
}

void failSqlite(int rc, sqlite3* db, const std::string& path, std::string_view what) {
    std::string message = path + ": " + std::string(what) + ": " + describe(rc, db);
    switch (rc & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR: // a statement our schema should accept did not compile
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
        fail(kAbifErrNotAddressBook, message + " (not an address book, or damaged)");
    case SQLITE_INTERRUPT: // only the step budget interrupts
        fail(kAbifErrNotAddressBook, message + " (it takes more work than an address book can; damaged)");
    case SQLITE_TOOBIG:
        fail(kAbifErrNotAddressBook, message + " (a value is longer than an address book holds; damaged)");
    case SQLITE_NOMEM:
        fail(kAbifErrNoMemory, message);
    default:
        fail(kAbifErrFile, message);
    }
}

// --- Statement

Statement::Statement(Store& store, std::string_view sql)
    : db_(store.db()), path_(store.path()), budget_(store.budget()) {
    budget_.restart(); // reading the schema, on the first statement, counts as its work
    int rc = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        failSqlite(sqlite3_extended_errcode(db_), db_, path_, "cannot prepare a query");
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

int Statement::tryStep() {
    int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        lastError_ = sqlite3_extended_errcode(db_);
    return rc;
}

bool Statement::step() {
    int rc = tryStep();
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    failSqlite(lastError_, db_, path_, "cannot read or write");
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    budget_.restart();
}

void Statement::bindInt(int index, int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void Statement::bindText16(int index, std::u16string_view text) {
    // An empty view may have no data pointer; SQLite takes a null pointer as NULL, not as "".
    static const char16_t empty[1] = {0};
    const void* units = text.empty() ? empty : text.data();
    sqlite3_bind_text16(stmt_, index, units, int(text.size() * 2), SQLITE_STATIC);
}

int64_t Statement::columnInt(int index) const {
    return sqlite3_column_int64(stmt_, index);
}

int Statement::columnType(int index) const {
    return sqlite3_column_type(stmt_, index);
}

std::u16string_view Statement::columnText16(int index) const {
    auto units = static_cast<const char16_t*>(sqlite3_column_text16(stmt_, index));
    if (!units)
        return {};
    return {units, size_t(sqlite3_column_bytes16(stmt_, index)) / 2};
}

// --- Store

Store::Store(const std::string& path, Mode mode)
    : path_(path),
      busyDeadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs)) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        fail(kAbifErrFile, path + ": cannot open: " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        fail(kAbifErrFile, path + ": not a regular file");

    try {
        open(mode);
        checkMarks();
        // A page count beyond the end of the file: the file was cut short.
        Statement pages(*this, "PRAGMA page_count");
        Statement pageSize(*this, "PRAGMA page_size");
        pages.step();
        pageSize.step();
        if (::stat(path.c_str(), &st) == 0 && pages.columnInt(0) * pageSize.columnInt(0) > st.st_size)
            fail(kAbifErrNotAddressBook, path + ": the file is truncated");
        if (mode == Mode::ReadWrite)
            exec(kConnectionSetup);
    } catch (...) {
        close();
        throw;
    }
}

Store::~Store() {
    close();
}

void Store::open(Mode mode) {
    db_ =
        openConnection(path_, mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, budget_);
    sqlite3_busy_handler(db_, &Store::waitWhileBusy, this);
    if (mode == Mode::ReadWrite)
        return;
    // A read-only connection cannot roll back what a killed writer left behind; a short
    // read-write connection does that, then the file is read as it was before that change.
    budget_.restart();
    int probe = sqlite3_exec(db_, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    if (sqlite3_extended_errcode(db_) == SQLITE_READONLY_ROLLBACK && probe != SQLITE_OK) {
        close();
        open(Mode::ReadWrite);
        exec("PRAGMA schema_version");
        close();
        open(Mode::ReadOnly);
    }
}

int Store::waitWhileBusy(void* store, int attempt) {
    using namespace std::chrono;
    auto left = static_cast<Store*>(store)->busyDeadline_ - steady_clock::now();
    if (left <= steady_clock::duration::zero())
        return 0;
    // Short waits first, as SQLite's own busy timeout does, then a steady pace.
    milliseconds pause = attempt < 4 ? milliseconds(1 << attempt) : milliseconds(25);
    std::this_thread::sleep_for(std::min<steady_clock::duration>(pause, left));
    return 1;
}

void Store::close() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Store::exec(const char* sql) {
    budget_.restart();
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        failSqlite(sqlite3_extended_errcode(db_), "cannot read or write");
}

void Store::failSqlite(int rc, std::string_view what) const {
    abif::failSqlite(rc, db_, path_, what);
}

void Store::checkMarks() {
    exec("BEGIN"); // one snapshot: what is checked is what is read
    {
        Statement app(*this, "PRAGMA application_id");
        app.step();
        auto applicationId = int32_t(app.columnInt(0));
        if (applicationId != kApplicationId) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", unsigned(applicationId));
            fail(kAbifErrNotAddressBook, path_ + ": not an address-book file (application_id " + hex + ")");
        }
        checkFormat();
        Statement book(*this, "SELECT kind FROM book");
        if (!book.step() || book.columnType(0) != SQLITE_INTEGER)
            fail(kAbifErrNotAddressBook, path_ + ": the file has no kind (damaged)");
        auto kind = book.columnInt(0);
        if (kind != kAbifFileComputer && kind != kAbifFileDevice)
            fail(kAbifErrNotAddressBook, path_ + ": unknown kind " + std::to_string(kind));
        kind_ = int32_t(kind);
    }
    exec("COMMIT");
}

void Store::checkFormat() {
    Statement version(*this, "PRAGMA user_version");
    version.step();
    auto format = version.columnInt(0);
    if (format > kFormatVersion)
        fail(kAbifErrNotAddressBook,
             path_ + ": address-book format " + std::to_string(format) + " is newer than this library reads");
    if (format < 1)
        fail(kAbifErrNotAddressBook, path_ + ": address-book file without a format version");
    format_ = int32_t(format);
    // Nothing of the file is read before its schema is known to be ours; then its statements may
    // do what the largest address book needs.
    budget_.limit = kOpeningSteps;
    checkSchema(db_, path_, format_, budget_);
    budget_.limit = kStatementSteps;
}

size_t Store::groupLimit() const {
    return kind_ == kAbifFileDevice ? ABIF_FAXGROUP_MAX_MEMBERS : ABIF_MYFAXGROUP_MAX_MEMBERS;
}

void Store::upgrade() {
    if (format_ < kFirstFormatWithUids) { // as checked by the transaction
        exec(kUpgradeToUids);
        format_ = kFormatVersion;
    }
}

std::vector<std::u16string> newUids(size_t count) {
    // The same form as ABIF_NEW_UID: 32 lower-case hex digits in groups of 8-4-4-4-12, the
    // version digit 4 and the variant digit one of 8, 9, a, b. Fixed-width hex keeps the order of
    // the bytes, so sorting the bytes sorts the texts.
    using Bytes = std::array<unsigned char, 16>;
    std::vector<Bytes> random(count);
    if (count > 0)
        sqlite3_randomness(int(count * sizeof(Bytes)), random.data());
    for (Bytes& r : random) {
        r[6] = uint8_t((r[6] & 0x0F) | 0x40);
        r[8] = uint8_t((r[8] & 0x3F) | 0x80);
    }
    std::sort(random.begin(), random.end());
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::vector<std::u16string> uids;
    uids.reserve(count);
    for (const Bytes& r : random) {
        std::u16string& uid = uids.emplace_back();
        uid.reserve(36);
        for (size_t i = 0; i < r.size(); ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10)
                uid.push_back(u'-');
            uid.push_back(kHex[r[i] >> 4]);
            uid.push_back(kHex[r[i] & 0x0F]);
        }
    }
    return uids;
}

void Store::create(const std::string& path, int32_t kind) {
    HiddenFile file(path, kind);
    file.publish();
}

// --- Transaction

Transaction::Transaction(Store& store) : store_(store) {
    store_.exec("BEGIN IMMEDIATE");
    store_.checkFormat(); // another program may have changed the file since it was opened
}

Transaction::~Transaction() {
    if (!done_) {
        store_.budget().restart();
        sqlite3_exec(store_.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    store_.exec("COMMIT");
    done_ = true;
}

// --- Creating files

HiddenFile::HiddenFile(const std::string& path, int32_t kind) : path_(path) {
    if (kind != kAbifFileComputer && kind != kAbifFileDevice)
        fail(kAbifErrInvalidArgument, "unknown kind " + std::to_string(kind));
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        fail(kAbifErrFile, path + ": already exists");
    removeLeftovers(parentOf(path));

    // Built under a hidden name and moved into place only when whole, so no half-made address
    // book is ever seen under its own name. The lock tells a live creation from a dead one; a
    // name that a cleaner removed between its making and its locking is made anew.
    for (int attempt = 0; lockFd_ < 0; ++attempt) {
        std::string temp;
        int fd = createFileBeside(path, kHiddenMarker, temp);
        if (fd < 0)
            fail(kAbifErrFile, path + ": cannot create: " + std::strerror(errno));
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 && ::stat(temp.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            lockFd_ = fd;
            hidden_ = temp;
        } else {
            ::close(fd);
            if (attempt == 3)
                fail(kAbifErrFile, path + ": cannot create a file beside it");
        }
    }

    std::string sql =
        "PRAGMA encoding = 'UTF-16le'; PRAGMA page_size = 16384;" + std::string(kConnectionSetup) +
        "PRAGMA application_id = " + std::to_string(kApplicationId) + "; PRAGMA user_version = 1;" + kSchema +
        kUpgradeToUids + "INSERT INTO book (kind) VALUES (" + std::to_string(kind) + "); COMMIT;";
    std::string message;
    try {
        StepBudget budget;
        sqlite3* db = openConnection(hidden_, SQLITE_OPEN_READWRITE, budget);
        budget.limit = kStatementSteps; // our own empty file
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            message = sqlite3_errmsg(db);
        sqlite3_close_v2(db);
    } catch (const Failure& f) {
        message = f.message;
    }
    if (!message.empty()) {
        discard();
        fail(kAbifErrFile, path + ": cannot create: " + message);
    }
}

HiddenFile::~HiddenFile() {
    discard();
}

void HiddenFile::discard() {
    if (lockFd_ < 0)
        return;
    if (!published_)
        ::unlink((hidden_ + kJournalSuffix).c_str());
    ::unlink(hidden_.c_str());
    ::close(lockFd_);
    lockFd_ = -1;
}

void HiddenFile::publish() {
    // Never replace a file that appeared meanwhile.
    if (::link(hidden_.c_str(), path_.c_str()) != 0)
        fail(kAbifErrFile, path_ + ": cannot create: " + std::strerror(errno));
    published_ = true;
    ::unlink(hidden_.c_str());
    syncFolder(parentOf(path_));
}

void removeLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent* d = ::readdir(dir)) {
        std::string_view name = d->d_name;
        if (name.size() > 1 && name[0] == '.' && name.find(kHiddenMarker) != std::string_view::npos)
            names.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        std::string path = folder + "/" + name;
        std::string_view suffix = kJournalSuffix;
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            // A journal whose file is gone belongs to nobody.
            std::string file = path.substr(0, path.size() - suffix.size());
            if (::access(file.c_str(), F_OK) != 0 && errno == ENOENT)
                ::unlink(path.c_str());
            continue;
        }
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) { // no live creation holds it
            ::unlink((path + kJournalSuffix).c_str());
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

} // namespace abif
