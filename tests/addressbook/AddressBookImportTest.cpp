// The address-book tool on what people have: the exports of common address books and
// spreadsheets, skipped cards and their report, stable UIDs, edits, and imports killed midway.
#include "AbifConnection.h"
#include "AbifEdit.h"
#include "AbifTestSupport.h"
#include "AddressBook.h"
#include "AddressBookTool.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook;
using abiftest::TempDir;

namespace {

class AddressBookImport : public abiftest::ToolTest {
protected:
    Book book(const std::string& name) { return readBook(resolveBookPath(name)); }
};

struct Sample {
    const char* program;
    std::string text;
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::string>> entries; // name and fax number
    std::string company;                                      // of the first entry
};

// Hand-written files in the layouts these programs document for their CSV export.
TEST_F(AddressBookImport, CsvExportsOfCommonProgramsAreRead) {
    const Sample samples[] = {
        {"Google Contacts",
         "First Name,Middle Name,Last Name,Nickname,E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,"
         "Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Organization Name,Notes,Labels\n"
         "Jane,,Doe,,* Work,jane@example.com,Mobile,+1 555 0111,Work Fax,+1 555 0100 ::: +1 555 0101,"
         "Acme,,* myContacts\n",
         {"--normalize-numbers"},
         {{"Jane Doe", "0015550100"}},
         "Acme"},
        {"Thunderbird",
         "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,Work Phone,"
         "Home Phone,Fax Number,Pager Number,Mobile Number,Organization,Notes\r\n"
         "Max,Mustermann,Max Mustermann,,max@example.org,,,030 111,,030 1234567,,,Muster GmbH,\r\n"
         "Erika,Muster,Erika Muster,,e@example.org,,,030 222,,,,,,\r\n",
         {"--normalize-numbers", "--skip-invalid"},
         {{"Max Mustermann", "0301234567"}},
         "Muster GmbH"},
        {"Outlook",
         "\"First Name\",\"Middle Name\",\"Last Name\",\"Title\",\"Suffix\",\"Company\",\"Department\","
         "\"Business Phone\",\"Business Fax\",\"Home Fax\",\"Notes\"\r\n"
         "\"John\",\"Q\",\"Public\",\"\",\"\",\"Contoso\",\"Sales\",\"(425) 555-0100\",\"\",\"425.555.0199\","
         "\"call first\"\r\n"
         "\"\",\"\",\"\",\"\",\"\",\"Fabrikam\",\"\",\"\",\"425-555-0123\",\"\",\"\"\r\n",
         {"--normalize-numbers"},
         {{"John Q Public", "4255550199"}, {"Fabrikam", "425-555-0123"}},
         "Contoso"},
        {"Evolution",
         "\"FILE_AS\",\"FULL_NAME\",\"EMAIL_1\",\"BUSINESS_FAX\",\"HOME_FAX\",\"ORG\",\"NOTE\"\n"
         "\"Smith, Ann\",\"Ann Smith\",\"ann@example.net\",\"\",\"0201 998877\",\"Smith & Co\",\"\"\n",
         {"--normalize-numbers"},
         {{"Ann Smith", "0201998877"}},
         "Smith & Co"},
        // The header's separator holds though the rows carry more commas than semicolons.
        {"Excel, German, semicolons, Windows-1252",
         "Name;Firma;Fax;Notiz\r\nJ\xFCrgen M\xFCller;B\xE4"
         "ckerei;+49 (0)30 12 34 56;Fr\xFChst\xFC"
         "ck, Mittag, Abend, Nacht, Brunch\r\n"
         "Anna Schmidt;Schmidt, S\xF6hne, Co;030 1;a, b, c, d, e, f\r\n",
         {"--normalize-numbers", "--encoding", "windows-1252"},
         {{"J\xC3\xBCrgen M\xC3\xBCller", "004930123456"}, {"Anna Schmidt", "0301"}},
         "B\xC3\xA4"
         "ckerei"},
        {"LibreOffice, tabs, byte-order mark, a named fax column",
         "\xEF\xBB\xBFName\tTelefax (B\xC3\xBCro)\tFax\n\"Tab, Person\"\t0711-1\t0711-2\n",
         {"--fax-column", "telefax (b\xC3\xBCro)"},
         {{"Tab, Person", "0711-1"}},
         ""},
    };
    int n = 0;
    for (const auto& s : samples) {
        SCOPED_TRACE(s.program);
        std::string name = "Book" + std::to_string(++n);
        std::vector<std::string> args = {"import", "--create", name, write(name + ".csv", s.text)};
        args.insert(args.end(), s.options.begin(), s.options.end());
        ASSERT_EQ(run(args), 0) << errors;
        Book b = book(name);
        ASSERT_EQ(b.entries.size(), s.entries.size());
        for (size_t i = 0; i < s.entries.size(); ++i) {
            EXPECT_EQ(b.entries[i].name, s.entries[i].first);
            EXPECT_EQ(b.entries[i].fax, s.entries[i].second);
        }
        EXPECT_EQ(b.entries[0].company, s.company);
    }
}

TEST_F(AddressBookImport, FaxNumbersFollowTheDialogsRule) {
    struct Case {
        const char* number;
        const char* cleaned; // what --normalize-numbers makes of it; nullptr: refused even then
        bool asIs;           // taken without the option
    };
    const Case cases[] = {
        {"555-0100#*:=", "555-0100#*:=", true},
        {"+49 (30) 1234-56", "0049301234-56", false},
        {"+49 (0)30 1234", "0049301234", false},
        {"030.123.456 / 7", "0301234567", false},
        {"0800 FAX ME", nullptr, false},
        {"+", nullptr, false},
        {"", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        if (c.asIs)
            EXPECT_EQ(checkFaxNumber(c.number, false, "x"), c.number);
        else
            EXPECT_THROW(checkFaxNumber(c.number, false, "x"), ToolError);
        if (c.cleaned)
            EXPECT_EQ(checkFaxNumber(c.number, true, "x"), c.cleaned);
        else
            EXPECT_THROW(checkFaxNumber(c.number, true, "x"), ToolError);
    }
    EXPECT_NO_THROW(checkFaxNumber(std::string(50, '1'), false, "x"));
    EXPECT_THROW(checkFaxNumber(std::string(51, '1'), true, "x"), ToolError);

    ASSERT_EQ(run({"create", "B"}), 0);
    EXPECT_EQ(run({"add-entry", "B", "--name", "A", "--fax", "+49 30 1"}), 1);
    EXPECT_NE(errors.find("--normalize-numbers would take it as 0049301"), std::string::npos) << errors;
    EXPECT_TRUE(book("B").entries.empty());
}

TEST_F(AddressBookImport, SkippedCardsAreRefusedOrReported) {
    ASSERT_EQ(run({"create", "B"}), 0);
    ASSERT_EQ(run({"add-entry", "B", "--name", "Old", "--fax", "1"}), 0);
    std::string rows = "name,fax\nNew,2\nOld,1\nNo fax,\nNew,2\n";
    for (int i = 0; i < 11; ++i)
        rows += "Letters " + std::to_string(i) + ",abc\n";
    std::string file = write("in.csv", rows);

    EXPECT_EQ(run({"import", "B", file}), 1);
    EXPECT_NE(errors.find("12 entries cannot be imported:\n  line 4 (\"No fax\"): no fax number\n"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("  ... and 2 more\nnothing was imported; --skip-invalid imports the rest"),
              std::string::npos)
        << errors;
    EXPECT_EQ(run({"import", "B", file, "--skip-invalid"}), 1);
    EXPECT_NE(
        errors.find("2 entries already in the address book:\n  line 3 (\"Old\"): already in the address "
                    "book\n  line 5 (\"New\"): given twice in the file\n"),
        std::string::npos)
        << errors;
    EXPECT_NE(errors.find("--skip-duplicates"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("AbifGADFile"), std::string::npos) << errors; // no log line for the user
    EXPECT_EQ(book("B").entries.size(), 1u);

    ASSERT_EQ(run({"import", "B", file, "--skip-invalid", "--skip-duplicates"}), 0) << errors;
    EXPECT_EQ(output.rfind("Added 1 entry to ", 0), 0u) << output;
    EXPECT_NE(output.find("Skipped 14 entries:\n  line 3 (\"Old\")"), std::string::npos) << output;
    EXPECT_EQ(book("B").entries.size(), 2u);
}

// Cards keep their UID and N through the book; exports of the same book are alike, and the
// groups of a re-imported export name the same entries.
TEST_F(AddressBookImport, ExportsKeepIdentity) {
    std::string cards =
        "BEGIN:VCARD\nVERSION:3.0\nUID:0A1B2C3D-0000-4000-8000-000000000001\nFN:Jane Doe\n"
        "N:Doe;Jane;;Dr.;\nTEL;TYPE=FAX:1\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:3.0\nUID:tb-42@example\nFN:Van der Berg\nTEL;TYPE=FAX:2\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:3.0\nX-ADDRESSBOOKSERVER-KIND:group\nFN:Team\n"
        "X-ADDRESSBOOKSERVER-MEMBER:tb-42@example\n"
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:0a1b2c3d-0000-4000-8000-000000000001\nEND:VCARD\n";
    ASSERT_EQ(run({"import", "--create", "A", write("in.vcf", cards)}), 0) << errors;
    ASSERT_EQ(run({"add-entry", "A", "--name", "Solo Person", "--fax", "3"}), 0);
    for (const char* format : {"vcard3", "vcard4"}) {
        SCOPED_TRACE(format);
        std::string first = dir.file(std::string("1.") + format),
                    second = dir.file(std::string("2.") + format);
        ASSERT_EQ(run({"export", "A", first, "--format", format}), 0) << errors;
        ASSERT_EQ(run({"export", "A", second, "--format", format}), 0) << errors;
        std::string text = read(first);
        EXPECT_EQ(text, read(second));
        EXPECT_NE(text.find("0a1b2c3d-0000-4000-8000-000000000001"), std::string::npos);
        EXPECT_NE(text.find("UID:tb-42@example"), std::string::npos);
        EXPECT_NE(text.find("N:Doe;Jane;;Dr.;\r\n"), std::string::npos);
        EXPECT_NE(text.find("N:;Van der Berg;;;\r\n"), std::string::npos); // a given name, not a family
        EXPECT_NE(text.find("N:;Solo Person;;;\r\n"), std::string::npos);
    }

    // Into another book and out again: the same cards, the group with its members.
    ASSERT_EQ(run({"import", "--create", "B", dir.file("1.vcard4")}), 0) << errors;
    ASSERT_EQ(run({"export", "B", dir.file("b.vcf")}), 0) << errors;
    EXPECT_EQ(read(dir.file("b.vcf")), read(dir.file("1.vcard4")));
    Book b = book("B");
    ASSERT_EQ(b.groups.size(), 1u);
    EXPECT_EQ(b.groups[0].members.size(), 2u);
    // The same file again: everything is already there.
    EXPECT_EQ(run({"import", "B", dir.file("1.vcard4"), "--skip-duplicates"}), 0) << errors;
    EXPECT_EQ(output.rfind("Added 0 entries to ", 0), 0u) << output;
    EXPECT_NE(output.find("Skipped 3 entries and 1 group:"), std::string::npos) << output;
    EXPECT_EQ(run({"export", "B", dir.file("b.vcf")}), 1);
    EXPECT_NE(errors.find("already exists; --force replaces it"), std::string::npos);
}

// In a folder that others may write, links planted where the export writes lead nowhere: the file
// they point at stays as it was, and the export lands in a file of its own, for the user only.
TEST_F(AddressBookImport, ExportFollowsNoPlantedLink) {
    ASSERT_EQ(run({"create", "B"}), 0);
    ASSERT_EQ(run({"add-entry", "B", "--name", "Anna", "--fax", "1"}), 0) << errors;
    const struct {
        const char* what;
        std::string link;
        bool force;
    } rows[] = {
        {"the old temporary name", "out.vcf.tmp-" + std::to_string(::getpid()), false},
        {"the destination, replaced", "out.vcf", true},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string folder = dir.file("shared" + std::to_string(++n));
        std::filesystem::create_directory(folder);
        std::string victim = write("victim" + std::to_string(n), "precious\n");
        std::filesystem::create_symlink(victim, folder + "/" + row.link);
        std::vector<std::string> args = {"export", "B", folder + "/out.vcf"};
        if (row.force)
            args.push_back("--force");
        ASSERT_EQ(run(args), 0) << errors;
        EXPECT_EQ(read(victim), "precious\n");
        EXPECT_FALSE(std::filesystem::is_symlink(folder + "/out.vcf"));
        EXPECT_NE(read(folder + "/out.vcf").find("FN:Anna\r\n"), std::string::npos);
        EXPECT_EQ(std::filesystem::status(folder + "/out.vcf").permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        size_t files = 0; // the export and the planted link, no file left behind
        for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(folder))
            ++files;
        EXPECT_EQ(files, row.force ? 1u : 2u);
    }
}

// A file of the format before UIDs is read as it is and gets its UIDs at the first change.
TEST_F(AddressBookImport, OlderFilesGetLastingUids) {
    std::string path = dir.file("old");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string sql =
        "PRAGMA encoding = 'UTF-16le'; PRAGMA application_id = 1145454914;"
        "PRAGMA user_version = 1;" +
        std::string(abif::kSchema) +
        "INSERT INTO book VALUES (0); INSERT INTO entry (id, name, fax) VALUES (7, 'Old', '1');"
        "INSERT INTO grp VALUES (1, 'G'); INSERT INTO member VALUES (1, 0, 7); COMMIT;";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    ASSERT_EQ(run({"list", path}), 0) << errors;
    EXPECT_NE(output.find("#7  Old  fax 1"), std::string::npos) << output;
    ASSERT_EQ(run({"export", path, dir.file("1.vcf")}), 0) << errors;
    ASSERT_EQ(run({"export", path, dir.file("2.vcf")}), 0) << errors;
    EXPECT_EQ(read(dir.file("1.vcf")), read(dir.file("2.vcf")));
    ASSERT_EQ(run({"add-entry", path, "--name", "New", "--fax", "2"}), 0) << errors;
    Book b = readBook(path);
    ASSERT_EQ(b.entries.size(), 2u);
    EXPECT_FALSE(b.entries[0].uid.empty());
    EXPECT_NE(b.entries[0].uid, b.entries[1].uid);
    EXPECT_EQ(b.entries[1].name, "Old"); // Id 7, after the new Id 1
    EXPECT_NE(read(dir.file("1.vcf")).find(b.entries[1].uid), std::string::npos);
}

TEST_F(AddressBookImport, EditsAreWholeOrNothing) {
    ASSERT_EQ(run({"create", "B"}), 0);
    for (const char* name : {"Ann", "Bob", "Cy"})
        ASSERT_EQ(run({"add-entry", "B", "--name", name, "--fax", "1"}), 0) << errors;
    ASSERT_EQ(run({"add-group", "B", "--name", "G", "Ann", "Bob", "Cy"}), 0) << errors;
    ASSERT_EQ(run({"add-group", "B", "--name", "H", "Bob"}), 0) << errors;

    // A change that fails in part changes nothing.
    EXPECT_EQ(run({"remove-entry", "B", "Bob", "Nobody"}), 1);
    abif::FileEdit removal; // the file's side: a removal that fails at its second entry
    removal.removedEntries = {1, 999};
    EXPECT_EQ(abif::editFile(resolveBookPath("B").c_str(), removal), kAbifErrInvalidArgument);
    EXPECT_EQ(book("B").entries.size(), 3u);
    EXPECT_EQ(run({"set-entry", "B", "Cy", "--name", "Ann"}), 1); // Ann, 1 is there
    EXPECT_NE(errors.find("already in"), std::string::npos) << errors;
    EXPECT_EQ(run({"set-group", "B", "G", "--remove", "Ann", "--add", "Nobody"}), 1);
    EXPECT_EQ(book("B").groups[0].members, (std::vector<uint16_t>{1, 2, 3}));

    ASSERT_EQ(run({"remove-entry", "B", "Bob"}), 0) << errors;
    Book b = book("B");
    EXPECT_EQ(b.groups[0].members, (std::vector<uint16_t>{1, 3}));
    EXPECT_TRUE(b.groups[1].members.empty());
    ASSERT_EQ(
        run({"set-entry", "B", "#3", "--name", "Cyd", "--fax", "+1 2", "--normalize-numbers", "--note", "n"}),
        0)
        << errors;
    ASSERT_EQ(run({"set-group", "B", "#1", "--name", "Team", "--remove", "#1", "--add", "Cyd"}), 1);
    EXPECT_NE(errors.find("already a member"), std::string::npos) << errors;
    ASSERT_EQ(run({"set-group", "B", "#1", "--name", "Team", "--remove", "#1"}), 0) << errors;
    ASSERT_EQ(run({"remove-group", "B", "H"}), 0) << errors;
    ASSERT_EQ(run({"rename", "B", "C"}), 0) << errors;
    ASSERT_EQ(run({"create", "B"}), 0);
    EXPECT_EQ(run({"rename", "B", "C"}), 1);
    EXPECT_NE(errors.find("already exists"), std::string::npos) << errors;

    // A device book is read without company and note; changing an entry keeps them.
    ASSERT_EQ(run({"create", "--device", "D"}), 0);
    ASSERT_EQ(
        run({"import", "D", write("d.vcf", "BEGIN:VCARD\nFN:Dev\nORG:Org\nTEL;TYPE=fax:1\nEND:VCARD\n")}), 0)
        << errors;
    ASSERT_EQ(run({"set-entry", "D", "Dev", "--fax", "2"}), 0) << errors;
    sqlite3* db = nullptr;
    sqlite3_stmt* company = nullptr;
    ASSERT_EQ(sqlite3_open(resolveBookPath("D").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT company || fax FROM entry", -1, &company, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(company), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(company, 0)), "Org2");
    sqlite3_finalize(company);
    sqlite3_close(db);

    b = book("C");
    ASSERT_EQ(b.entries.size(), 2u);
    EXPECT_EQ(b.entries[1].name, "Cyd");
    EXPECT_EQ(b.entries[1].fax, "0012");
    EXPECT_EQ(b.entries[1].note, "n");
    ASSERT_EQ(b.groups.size(), 1u);
    EXPECT_EQ(b.groups[0].name, "Team");
    EXPECT_EQ(b.groups[0].members, (std::vector<uint16_t>{3}));
}

// An import that creates its book, killed at any moment, leaves the whole book or none, and the
// next run removes the hidden file and journal of the killed one.
TEST_F(AddressBookImport, KilledCreatingImportLeavesWholeBookOrNone) {
    constexpr int kRows = 4000;
    std::string rows = "name,fax\n";
    for (int i = 0; i < kRows; ++i)
        rows += "Person " + std::to_string(i) + "," + std::to_string(1000 + i) + "\n";
    std::string file = write("many.csv", rows);
    std::string folder = dir.path() + "/velmora/directfax/addressbooks";
    auto hidden = [&] {
        size_t count = 0;
        for (const auto& f : std::filesystem::directory_iterator(folder))
            count += f.path().filename().string()[0] == '.';
        return count;
    };

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"import", "--create", "Timing", file}), 0) << errors;
    auto duration =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int64_t> delay(0, duration.count());
    int killed = 0, leftovers = 0;
    for (int round = 0; round < 8; ++round) {
        std::string name = "Killed" + std::to_string(round);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::ostringstream out, err;
            std::istringstream in;
            _exit(runAddressBookTool({"import", "--create", name, file}, in, out, err));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        killed += WIFSIGNALED(status);
        leftovers += hidden() > 0;
        if (std::filesystem::exists(resolveBookPath(name))) {
            EXPECT_EQ(book(name).entries.size(), size_t(kRows)) << "round " << round;
        }
        // The next creation cleans up.
        ASSERT_EQ(
            run({"import", "--create", "Next" + std::to_string(round), write("one.csv", "name,fax\nA,1\n")}),
            0)
            << errors;
        EXPECT_EQ(hidden(), 0u) << "round " << round;
    }
    std::printf("%d of 8 imports killed, %d left hidden files; one import takes %lld us\n", killed, leftovers,
                (long long)duration.count());
    EXPECT_GT(killed, 0);
}

} // namespace
