// The address-book tool: vCard and CSV round trips, foreign cards, bad input, and its commands.
#include "AddressBookTool.h"
#include "AbifTestSupport.h"
#include "AddressBook.h"
#include "Csv.h"
#include "ToolTestSupport.h"
#include "VCard.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook;
using abiftest::TempDir;

namespace {

BookEntry entry(uint16_t id, std::string name, std::string fax, std::string company = {},
                std::string note = {}, int64_t added = 0) {
    BookEntry e;
    e.id = id;
    e.name = std::move(name);
    e.fax = std::move(fax);
    e.company = std::move(company);
    e.note = std::move(note);
    e.added = added;
    return e;
}

BookGroup group(std::string name, std::vector<uint16_t> members) {
    BookGroup g;
    g.name = std::move(name);
    g.members = std::move(members);
    return g;
}

Book sampleBook() {
    Book b;
    b.entries = {
        entry(1, "Anna Schmidt", "0049301234", "Velmora, GmbH; Berlin", "first line\nsecond \\ \"quoted\"",
              1700000000),
        entry(2, "\xF0\x9F\x98\x80 B\xC3\xA9rt", "555-0100"),
        entry(3, std::string(32, 'N'), std::string(50, '9'), std::string(64, 'c'), std::string(254, 'x'), 1),
    };
    b.groups = {group("Team", {3, 1}), group("Empty", {})};
    return b;
}

void expectSameEntries(const Book& got, const Book& want, bool withTime) {
    ASSERT_EQ(got.entries.size(), want.entries.size());
    for (size_t i = 0; i < want.entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got.entries[i].name, want.entries[i].name);
        EXPECT_EQ(got.entries[i].fax, want.entries[i].fax);
        EXPECT_EQ(got.entries[i].company, want.entries[i].company);
        EXPECT_EQ(got.entries[i].note, want.entries[i].note);
        if (withTime && want.entries[i].added != 0) { // 0: stamped when added
            EXPECT_EQ(got.entries[i].added, want.entries[i].added);
        }
    }
}

TEST(AddressBookFormats, VCardRoundTripsInBothVersions) {
    Book book = sampleBook();
    for (VCardVersion version : {VCardVersion::V3, VCardVersion::V4}) {
        std::string text = writeVCards(book, version);
        SCOPED_TRACE(text);
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            EXPECT_LE(end - start, 75u); // folded
        EXPECT_NE(text.find(version == VCardVersion::V4 ? "KIND:group" : "X-ADDRESSBOOKSERVER-KIND:group"),
                  std::string::npos);
        Book back = parseVCards(text).book;
        expectSameEntries(back, book, true);
        ASSERT_EQ(back.groups.size(), 2u);
        EXPECT_EQ(back.groups[0].name, "Team");
        EXPECT_EQ(back.groups[0].members, (std::vector<uint16_t>{3, 1}));
        EXPECT_TRUE(back.groups[1].members.empty());
    }
}

TEST(AddressBookFormats, CsvRoundTripsEntries) {
    Book book = sampleBook();
    std::string text = writeCsv(book);
    EXPECT_EQ(text.rfind("name,fax,company,note\r\n", 0), 0u);
    Book back = parseCsv(text).book;
    expectSameEntries(back, book, false);
    EXPECT_TRUE(back.groups.empty());

    Book reordered = parseCsv("\xEF\xBB\xBF"
                              "Fax, NAME\n123,Zed\n\n\"4,5\",\"Quote \"\"Q\"\"\"\n")
                         .book;
    ASSERT_EQ(reordered.entries.size(), 2u);
    EXPECT_EQ(reordered.entries[1].name, "Quote \"Q\"");
    EXPECT_EQ(reordered.entries[1].fax, "4,5");
    EXPECT_EQ(reordered.entries[1].id, 2);
}

TEST(AddressBookFormats, ForeignCardsAreUnderstood) {
    const char* text = "BEGIN:VCARD\n"
                       "VERSION:3.0\n"
                       "N:Doe;Jane;;;\n"
                       "item1.TEL;type=WORK;type=FAX:+1 555\n"
                       " 0199\n"
                       "TEL;TYPE=VOICE:111\n"
                       "ORG:Acme;Sales\n"
                       "UID:ABC-1\n"
                       "END:VCARD\n"
                       "BEGIN:VCARD\n"
                       "VERSION:4.0\n"
                       "FN:Voice first\n"
                       "TEL;VALUE=uri;TYPE=\"voice\":tel:+1-222\n"
                       "TEL;VALUE=uri;TYPE=\"work,fax\":tel:+1-333\n"
                       "UID:urn:uuid:def-2\n"
                       "END:VCARD\n"
                       "BEGIN:VCARD\n"
                       "VERSION:4.0\n"
                       "KIND:group\n"
                       "FN:Both\n"
                       "MEMBER:urn:uuid:abc-1\n"
                       "MEMBER:urn:uuid:DEF-2\n"
                       "MEMBER:urn:uuid:abc-1\n"
                       "END:VCARD\n";
    Book b = parseVCards(text).book;
    ASSERT_EQ(b.entries.size(), 2u);
    EXPECT_EQ(b.entries[0].name, "Jane Doe");
    EXPECT_EQ(b.entries[0].fax, "+1 5550199");
    EXPECT_EQ(b.entries[0].company, "Acme");
    EXPECT_EQ(b.entries[1].fax, "+1-333");
    ASSERT_EQ(b.groups.size(), 1u);
    EXPECT_EQ(b.groups[0].members, (std::vector<uint16_t>{1, 2}));
}

struct BadInput {
    const char* what;
    bool csv;
    std::string text;
    std::string message; // a part of the error message, or of "line N: reason" of the one rejected
    bool rejected = false;
};

std::string columns(int count) {
    std::string header = "c1";
    for (int i = 2; i <= count; ++i)
        header += ",c" + std::to_string(i);
    return header + "\n";
}

// Input that is not vCard or CSV fails whole; a card or row that gives no entry is set aside with
// its line, and the rest is still read.
TEST(AddressBookFormats, BadInputIsRefusedWithItsLine) {
    const std::string card = "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:A\r\nTEL;TYPE=fax:1\r\nEND:VCARD\r\n";
    const BadInput cases[] = {
        {"no fax number", false, card + "BEGIN:VCARD\nFN:B\nTEL:2\nEND:VCARD\n", "line 6: no fax number",
         true},
        {"no name", false, card + "BEGIN:VCARD\nTEL;TYPE=fax:2\nEND:VCARD\n", "line 6: no name", true},
        {"unknown member", false, card + "BEGIN:VCARD\nKIND:group\nFN:G\nMEMBER:urn:uuid:x\nEND:VCARD\n",
         "line 6: line 9: the member urn:uuid:x is not a card", true},
        {"card not ended", false, card + "BEGIN:VCARD\nFN:B\n", "line 6: the card is not ended"},
        {"text outside a card", false, "hello\n" + card, "line 1"},
        {"name too long", false,
         card + "BEGIN:VCARD\nFN:" + std::string(33, 'n') + "\nTEL;TYPE=fax:1\nEND:VCARD\n",
         "line 6: the name is too long (33 characters, at most 32)", true},
        {"quoted-printable", false, "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:=41\nEND:VCARD\n", "line 2"},
        {"empty vCard text", false, "", "no BEGIN:VCARD"},
        {"no fax column", true, "name,company,phone\n", "no fax column found"},
        {"no name column", true, "fax,phone\n", "no name column found"},
        {"unclosed quote", true, "name,fax\n\"A,1\n", "line 2: a quoted field is not closed"},
        {"empty name", true, "name,fax\nA,1\n,1\n", "line 3: no name", true},
        {"invalid UTF-8", true, "name,fax\nA,1\nA\xC3(,1\n", "line 3: the name is not valid UTF-8", true},
        {"control character", true, "name,fax\nA\x01,1\nB,2\n", "line 2: the name holds a control character",
         true},
        // A message shows the start of what is long: the first 20 columns, the first 60 bytes.
        {"wide header without fax column", true, columns(1000), "\"c19\", \"c20\" and 980 more"},
        {"long line without colon", false, std::string(5000, 'A') + "\n" + card,
         "line 1: no \":\" in \"" + std::string(60, 'A') + "...\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            ParsedImport parsed = c.csv ? parseCsv(c.text) : parseVCards(c.text);
            ASSERT_TRUE(c.rejected) << "accepted";
            ASSERT_EQ(parsed.rejected.size(), 1u);
            const Rejected& r = parsed.rejected[0];
            EXPECT_EQ(("line " + std::to_string(r.line) + ": " + r.reason).rfind(c.message, 0), 0u)
                << r.reason;
            EXPECT_EQ(parsed.book.entries.size(), 1u); // the good one
        } catch (const ToolError& e) {
            EXPECT_FALSE(c.rejected) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

// REV carries times from 1970 to the end of 9999: others are read as no time (the entry gets the
// time of adding) and not written.
TEST(AddressBookFormats, RevisionTimesOnTheirEdges) {
    const struct {
        std::string rev;
        int64_t added;
    } read[] = {
        {"20231114T221320Z", 1700000000},   {"19700101T000001Z", 1}, {"19691231T235959Z", 0},
        {"99991231T235959Z", 253402300799}, {"20231314T000000Z", 0}, {"20230014T000000Z", 0},
        {"20230430T000000Z", 1682812800},   {"20230431T000000Z", 0}, {"02311142130456", 0},
    };
    for (const auto& row : read) {
        ParsedImport parsed =
            parseVCards("BEGIN:VCARD\nFN:A\nTEL;TYPE=fax:1\nREV:" + row.rev + "\nEND:VCARD\n");
        ASSERT_EQ(parsed.book.entries.size(), 1u) << row.rev;
        EXPECT_EQ(parsed.book.entries[0].added, row.added) << row.rev;
    }
    const struct {
        int64_t added;
        const char* rev; // "": no REV line
    } written[] = {{1, "REV:19700101T000001Z\r\n"},
                   {253402300799, "REV:99991231T235959Z\r\n"},
                   {253402300800, ""},
                   {-1, ""}};
    for (const auto& row : written) {
        Book book;
        book.entries = {entry(1, "A", "1", {}, {}, row.added)};
        std::string text = writeVCards(book, VCardVersion::V4);
        EXPECT_EQ(text.find("REV:") == std::string::npos, *row.rev == 0) << row.added;
        if (*row.rev) {
            EXPECT_NE(text.find(row.rev), std::string::npos) << text;
        }
    }
}

// A UID is kept without its "urn:uuid:" prefixes (a UUID in lower case), and so comes back the
// same from an export in either version.
TEST(AddressBookFormats, UidsComeBackFromAnExportAsTheyWereKept) {
    const struct {
        std::string given, kept;
    } rows[] = {
        {"urn:uuid:0F8E4C1A-2B3C-4D5E-8F90-A1B2C3D4E5F6", "0f8e4c1a-2b3c-4d5e-8f90-a1b2c3d4e5f6"},
        {"urn:uuid:urn:uuid:x-1", "x-1"},
        {"plain-uid", "plain-uid"},
    };
    for (const auto& row : rows) {
        Book book = parseVCards("BEGIN:VCARD\nFN:A\nUID:" + row.given + "\nTEL;TYPE=fax:1\nEND:VCARD\n").book;
        ASSERT_EQ(book.entries.size(), 1u);
        EXPECT_EQ(book.entries[0].uid, row.kept);
        for (VCardVersion version : {VCardVersion::V3, VCardVersion::V4})
            EXPECT_EQ(parseVCards(writeVCards(book, version)).book.entries.at(0).uid, row.kept) << row.given;
    }
}

TEST(AddressBookFormats, ExcerptsEndOnWholeCharacters) {
    const std::string e = "\xC3\xA9"; // two bytes
    const struct {
        std::string text, shown;
    } rows[] = {
        {std::string(60, 'a'), std::string(60, 'a')},
        {std::string(61, 'a'), std::string(60, 'a') + "..."},
        {std::string(59, 'a') + e, std::string(59, 'a') + "..."}, // the cut would split the character
        {std::string(58, 'a') + e + "b", std::string(58, 'a') + e + "..."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(excerpt(row.text), row.shown) << row.text.size();
}

using AddressBookToolCommands = abiftest::ToolTest;

TEST_F(AddressBookToolCommands, CreateAddListAndGroups) {
    ASSERT_EQ(run({"create", "Office"}), 0) << errors;
    EXPECT_EQ(run({"files"}), 0);
    EXPECT_EQ(output, "Office\n");
    ASSERT_EQ(run({"add-entry", "Office", "--name", "Anna", "--fax", "100"}), 0) << errors;
    ASSERT_EQ(run({"add-entry", "Office", "--name", "Anna", "--fax", "200", "--company", "V"}), 0) << errors;
    EXPECT_EQ(run({"add-entry", "Office", "--name", "Anna", "--fax", "100"}), 1);
    EXPECT_NE(errors.find("already in"), std::string::npos) << errors;
    EXPECT_EQ(run({"add-entry", "Office", "--fax", "100"}), 1);
    EXPECT_NE(errors.find("no name"), std::string::npos) << errors;

    EXPECT_EQ(run({"add-group", "Office", "--name", "G", "Anna"}), 1);
    EXPECT_NE(errors.find("\"Anna\" names 2 entries (#1, #2)"), std::string::npos) << errors;
    ASSERT_EQ(run({"add-group", "Office", "--name", "G", "#2", "#1"}), 0) << errors;
    EXPECT_EQ(run({"add-group", "Office", "--name", "H", "Nobody"}), 1);
    EXPECT_NE(errors.find("no entry is named \"Nobody\""), std::string::npos);

    std::vector<std::string> tooMany = {"add-group", "Office", "--name", "Big"};
    for (int i = 0; i < 36; ++i)
        tooMany.push_back("#1");
    EXPECT_EQ(run(tooMany), 1);
    EXPECT_NE(errors.find("holds at most 35 members; 36 given"), std::string::npos) << errors;

    ASSERT_EQ(run({"list", "Office"}), 0);
    EXPECT_NE(output.find("#2  Anna  fax 200  company: V"), std::string::npos) << output;
    EXPECT_NE(output.find("G (2): #2 Anna, #1 Anna"), std::string::npos) << output;
    EXPECT_EQ(run({"list", dir.file("missing")}), 1);
    EXPECT_EQ(run({"frobnicate"}), 2);
}

TEST_F(AddressBookToolCommands, ImportIsAllOrNothing) {
    ASSERT_EQ(run({"create", "Book"}), 0);
    ASSERT_EQ(run({"add-entry", "Book", "--name", "Kept", "--fax", "1"}), 0);
    std::string csv = write("in.csv", "name,fax\nNew,2\nKept,1\n");
    EXPECT_EQ(run({"import", "Book", csv}), 1);
    EXPECT_NE(errors.find("line 3 (\"Kept\"): already in the address book"), std::string::npos) << errors;
    EXPECT_NE(errors.find("--skip-duplicates"), std::string::npos) << errors;
    EXPECT_NE(errors.find("nothing was"), std::string::npos) << errors;
    Book book = readBook(resolveBookPath("Book"));
    EXPECT_EQ(book.entries.size(), 1u);

    std::string broken = write("broken.vcf", "BEGIN:VCARD\nFN:X\nTEL;TYPE=fax:1\n");
    EXPECT_EQ(run({"import", "--create", "Fresh", broken}), 1);
    EXPECT_FALSE(std::filesystem::exists(resolveBookPath("Fresh")));
    std::string dupes = write("dupes.csv", "name,fax\nA,1\nA,1\n");
    EXPECT_EQ(run({"import", "--create", "Fresh", dupes}), 1);
    EXPECT_FALSE(std::filesystem::exists(resolveBookPath("Fresh"))); // no empty book left behind
}

TEST_F(AddressBookToolCommands, ExportAndImportThroughFiles) {
    ASSERT_EQ(run({"create", "Source"}), 0);
    Book sample = sampleBook();
    addToBook(resolveBookPath("Source"), sample.entries, sample.groups);
    for (const char* format : {"vcard4", "vcard3", "csv"}) {
        SCOPED_TRACE(format);
        std::string file = dir.file(std::string("out.") + format);
        ASSERT_EQ(run({"export", "Source", file, "--format", format}), 0) << errors;
        std::string target = std::string("Copy-") + format;
        ASSERT_EQ(run({"import", "--create", target, file}), 0) << errors;
        Book copy = readBook(resolveBookPath(target));
        expectSameEntries(copy, sample, std::string(format) != "csv");
        EXPECT_EQ(copy.groups.size(), std::string(format) == "csv" ? 0u : 2u);
    }
    ASSERT_EQ(run({"export", "Source", "-", "--format", "csv"}), 0);
    EXPECT_EQ(output.rfind("name,fax,company,note", 0), 0u);
    EXPECT_NE(errors.find("CSV holds no groups"), std::string::npos);
    ASSERT_EQ(run({"import", "FromStdin", "-", "--create"}, output), 0) << errors;
}

TEST_F(AddressBookToolCommands, DeviceBooksHoldGroupsOf205) {
    ASSERT_EQ(run({"create", "--device", "Device"}), 0) << errors;
    std::string cards;
    std::string group = "BEGIN:VCARD\nVERSION:4.0\nKIND:group\nFN:All\n";
    for (int i = 0; i < 205; ++i) {
        std::string n = std::to_string(i);
        cards +=
            "BEGIN:VCARD\nVERSION:4.0\nUID:u" + n + "\nFN:P" + n + "\nTEL;TYPE=fax:" + n + "\nEND:VCARD\n";
        group += "MEMBER:u" + n + "\n";
    }
    std::string file = write("all.vcf", cards + group + "END:VCARD\n");
    ASSERT_EQ(run({"import", "Device", file}), 0) << errors;
    Book book = readBook(resolveBookPath("Device"));
    EXPECT_EQ(book.kind, kAbifFileDevice);
    ASSERT_EQ(book.groups.size(), 1u);
    EXPECT_EQ(book.groups[0].members.size(), 205u);

    ASSERT_EQ(run({"create", "Computer"}), 0);
    EXPECT_EQ(run({"import", "Computer", file}), 1);
    EXPECT_NE(errors.find("has 205 members; a group of this address book holds at most 35"),
              std::string::npos)
        << errors;
    EXPECT_TRUE(readBook(resolveBookPath("Computer")).entries.empty());
}

} // namespace
