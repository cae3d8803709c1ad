// Address-book files crafted to harm whoever opens them (any program of the user can write one):
// each is refused as damaged by every path that opens a book, before anything is read or
// written; and the files of every format the code has written still open.
#include "AbifConnection.h"
#include "AbifEdit.h"
#include "AbifStore.h"
#include "AbifTestSupport.h"
#include "RawSql.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

using namespace abiftest;

namespace {

struct HostileFile {
    const char* what;
    std::string sql;
    std::string found; // what the refusal names
};

class AbifHostileFile : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        abif::setLogSink(nullptr, nullptr); // the tool's commands of an earlier test sent it elsewhere
    }

    // A book of the current format: three entries and a group.
    std::string makeBook() {
        std::string path = dir.file("book");
        std::filesystem::remove(path);
        EXPECT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileComputer), 0);
        EXPECT_EQ(addEntries(path, {{u"Anna", u"1", {}, {}, 1}, {u"Bob", u"2"}, {u"Carl", u"3"}},
                             {myFaxGroup(u"Team", {1})}),
                  0);
        return path;
    }

    struct Outcome {
        std::string way;
        int32_t result, expected;
    };

    // Every way of opening a book: the library's calls, refused as damaged with nothing left in
    // the handle, and the tool's commands, refused (1) with the words for a damaged book.
    std::vector<Outcome> openEveryWay(const std::string& path) {
        std::vector<Outcome> outcomes;
        abif::setLogSink(nullptr, nullptr); // the tool's commands send the log elsewhere
        ::testing::internal::CaptureStderr();
        for (int32_t flags : {0, int32_t(kAbifReadDeviceRecords)}) {
            Data data = newData();
            outcomes.push_back(
                {"read", AbifGADFile_Read(path.c_str(), data.get(), flags), kAbifErrNotAddressBook});
            outcomes.push_back({"records in the handle",
                                ABIFData_GetCount_MyFax(data.get()) + ABIFData_GetCount_Fax(data.get()), 0});
        }
        int32_t kind = -1;
        outcomes.push_back({"kind", AbifGADFile_GetKind(path.c_str(), &kind), kAbifErrNotAddressBook});
        outcomes.push_back({"add", addEntries(path, {{u"Dora", u"4"}}), kAbifErrNotAddressBook});
        abif::FileEdit edit;
        edit.removedEntries = {2};
        outcomes.push_back({"edit", abif::editFile(path.c_str(), edit), kAbifErrNotAddressBook});
        log = ::testing::internal::GetCapturedStderr();

        std::string cards = write("cards.vcf", "BEGIN:VCARD\nFN:Eve\nTEL;TYPE=fax:5\nEND:VCARD\n");
        const std::vector<std::vector<std::string>> commands = {
            {"list", path},
            {"add-entry", path, "--name", "Carl", "--fax", "9"},
            {"set-entry", path, "#1", "--name", "Anne"},
            {"remove-entry", path, "#2"},
            {"add-group", path, "--name", "G", "#1"},
            {"import", path, cards},
            {"export", path, dir.file("out.vcf"), "--force"},
            {"rename", path, dir.file("renamed")},
        };
        for (const auto& command : commands) {
            int rc = run(command);
            bool told = errors.find("it is not an address book, or it is damaged") != std::string::npos;
            outcomes.push_back({command[0] + ": " + errors, told ? rc : -1, 1});
        }
        return outcomes;
    }

    std::string log;
};

TEST_F(AbifHostileFile, EveryWayOfOpeningRefusesItAsDamaged) {
    const HostileFile cases[] = {
        {"endless view with the columns that reading asks for",
         "DROP TABLE entry; CREATE VIEW entry AS WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
         "FROM r) SELECT x AS id, 'n' AS name, '1' AS fax, '' AS company, '' AS note, 0 AS added, "
         "'u' || x AS uid, NULL AS n FROM r;",
         "its view \"entry\""},
        {"trigger on delete",
         "CREATE TRIGGER wipe BEFORE DELETE ON member BEGIN DELETE FROM entry WHERE id <> old.entry; END;",
         "the trigger \"wipe\""},
        {"extra table", "CREATE TABLE stolen (x);", "the table \"stolen\""},
        {"planner statistics", "ANALYZE;", "the table \"sqlite_stat1\""},
        {"index on an expression calling a function",
         "CREATE INDEX heavy ON entry (printf('%.*c', 1000000, name));", "the index \"heavy\""},
        {"generated column",
         "DROP TABLE member; DROP TABLE entry; CREATE TABLE entry (id INTEGER PRIMARY KEY, name TEXT AS "
         "(printf('%.*c', 20000000, 'x')), fax TEXT, company TEXT, note TEXT, added INTEGER, uid TEXT, n "
         "TEXT);"
         "CREATE TABLE member (grp INTEGER NOT NULL REFERENCES grp (id), pos INTEGER NOT NULL, entry INTEGER "
         "NOT NULL REFERENCES entry (id), PRIMARY KEY (grp, pos)) WITHOUT ROWID;",
         "its table \"entry\""},
        {"table without its constraint",
         "CREATE TABLE e2 AS SELECT * FROM entry; DROP TABLE entry; ALTER TABLE e2 RENAME TO entry;",
         "its table \"entry\""},
        {"table missing", "DROP TABLE member;", "lacks the table \"member\""},
        {"format 1 marked on a file of format 2", "PRAGMA user_version = 1;", "the index \"entry_uid\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = makeBook();
        runSql(path, c.sql);
        std::string before = read(path);
        for (const Outcome& o : openEveryWay(path))
            EXPECT_EQ(o.result, o.expected) << o.way;
        EXPECT_NE(log.find(c.found), std::string::npos) << log;
        EXPECT_EQ(log.find("more work"), std::string::npos) << log; // refused by the schema, not the budget
        EXPECT_EQ(read(path), before);
    }
}

// The files the code has written: format 1 by its first version (the fuzzing seeds) and format 2.
// Each reads, takes an entry with every field at its longest (and is brought to format 2 by it),
// and reads again.
TEST_F(AbifHostileFile, FilesOfEveryFormatStillOpen) {
    const std::string seeds = std::string(DIRECTFAX_SOURCE_DIR) + "/fuzz/corpus/addressbook_file/";
    std::string formatTwo = makeBook();
    const struct {
        std::string file;
        int32_t kind;
        size_t entries;
    } rows[] = {
        {seeds + "computer.dfab", kAbifFileComputer, 2},
        {seeds + "device.dfab", kAbifFileDevice, 1},
        {formatTwo, kAbifFileComputer, 3},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        std::string path = dir.file("copy" + std::to_string(++n));
        std::filesystem::copy_file(row.file, path);
        int32_t kind = -1;
        EXPECT_EQ(AbifGADFile_GetKind(path.c_str(), &kind), 0);
        EXPECT_EQ(kind, row.kind);
        Contents before = readFile(path, kAbifReadDeviceRecords);
        EXPECT_EQ(before.result, 0);
        EXPECT_EQ(before.faxEntries.size(), row.entries);

        ABIF_MyFax longest = myFax({std::u16string(31, u'n') + u"\U0001F4E0", std::u16string(50, u'5'),
                                    std::u16string(64, u'c'), std::u16string(254, u'x')});
        Data data = newData();
        ABIFData_Add_MyFax(data.get(), 1, &longest);
        const std::string uid(abif::kMaxUidBytes, 'u'), structured(abif::kMaxUidBytes, 'n');
        ASSERT_EQ(abif::addFileRecords(path.c_str(), data.get(), {{uid}, {structured}, {}}), 0);
        Data read = newData();
        abif::Identities ids;
        ASSERT_EQ(abif::readFileRecords(path.c_str(), read.get(), kind, ids), 0);
        EXPECT_EQ(ids.entryUids.size(), row.entries + 1);
        EXPECT_EQ(ids.entryUids.back(), uid);
        EXPECT_EQ(ids.entryNs.back(), structured);
        ASSERT_EQ(run({"list", path}), 0) << errors;
    }
}

// A file holds at most 65,535 groups: adding the 65,536th is refused as the file being full, and a
// file that holds it anyway is refused as damaged.
TEST_F(AbifHostileFile, GroupsEndAtTheirMost) {
    std::string path = makeBook();
    runSql(path, "WITH RECURSIVE r(x) AS (SELECT 2 UNION ALL SELECT x + 1 FROM r WHERE x < 65534) "
                 "INSERT INTO grp (id, name, uid) SELECT x, 'G' || x, 'g' || x FROM r;");
    ASSERT_EQ(addEntries(path, {}, {myFaxGroup(u"Last", {})}), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(addEntries(path, {}, {myFaxGroup(u"Too many", {})}), kAbifErrFull);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(path).groups.size(), abif::kMaxGroups);

    runSql(path, "INSERT INTO grp (name, uid) VALUES ('Beyond', 'beyond');");
    ::testing::internal::CaptureStderr();
    Contents c = readFile(path);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(c.result, kAbifErrNotAddressBook);
    EXPECT_NE(log.find("group 65536 is more than a file holds (65535)"), std::string::npos) << log;
}

// The guards of a connection: values up to their longest and not one byte longer, and a statement
// without end interrupted after its budget of steps, as damage.
TEST_F(AbifHostileFile, ConnectionsBoundValuesAndWork) {
    std::string path = makeBook();
    abif::Store store(path, abif::Store::Mode::ReadOnly);
    EXPECT_EQ(store.budget().limit, abif::kStatementSteps); // the schema checked
    store.budget().limit = 1000000;                         // for a shorter test
    const std::string endless =
        "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) SELECT count(*) FROM r";
    const struct {
        std::string sql;
        int32_t expected; // 0: a row
        const char* message;
    } rows[] = {
        {"SELECT zeroblob(" + std::to_string(abif::kMaxValueBytes) + ")", 0, ""},
        {"SELECT zeroblob(" + std::to_string(abif::kMaxValueBytes + 1) + ")", kAbifErrNotAddressBook,
         "a value is longer than an address book holds"},
        {endless, kAbifErrNotAddressBook, "it takes more work than an address book can"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sql);
        try {
            abif::Statement statement(store, row.sql);
            EXPECT_TRUE(statement.step());
            EXPECT_EQ(row.expected, 0);
        } catch (const abif::Failure& f) {
            EXPECT_EQ(f.code, row.expected);
            EXPECT_NE(f.message.find(row.message), std::string::npos) << f.message;
        }
    }
    // Deterministic: stopped at the first look past the budget.
    EXPECT_GT(store.budget().used, 1000000u);
    EXPECT_LE(store.budget().used, 1001000u);
}

} // namespace
