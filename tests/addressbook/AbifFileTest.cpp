// Address-book files through the C interface: record bytes, round trips, result codes, damaged files.
#include "AbifEdit.h"
#include "AbifStore.h"
#include "AbifTestSupport.h"
#include "RawSql.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <thread>

using namespace abiftest;

namespace {

class AbifFile : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("book");
        ASSERT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileComputer), 0);
    }

    TempDir dir;
    std::string path;
};

bool zeroFrom(const uint8_t* record, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (record[i] != 0)
            return false;
    return true;
}

TEST(AbifLayout, SizesAndOffsetsAreThoseOfTheRecords) {
    struct Row {
        int value, expected;
    } rows[] = {
        {ABIF_MYFAX_SIZE, 960},
        {ABIF_MYFAX_ID, 0},
        {ABIF_MYFAX_NAME, 2},
        {ABIF_MYFAX_NAME_SIZE, 66},
        {ABIF_MYFAX_PHONE, 68},
        {ABIF_MYFAX_PHONE_SIZE, 102},
        {ABIF_MYFAX_COMPANY, 170},
        {ABIF_MYFAX_COMPANY_SIZE, 130},
        {ABIF_MYFAX_NOTE, 300},
        {ABIF_MYFAX_NOTE_SIZE, 510},
        {ABIF_MYFAX_TIME, 816},
        {ABIF_MYFAXGROUP_SIZE, 152},
        {ABIF_MYFAXGROUP_NAME, 2},
        {ABIF_MYFAXGROUP_COUNT, 80},
        {ABIF_MYFAXGROUP_MEMBERS, 82},
        {ABIF_FAX_SIZE, 184},
        {ABIF_FAX_NAME, 2},
        {ABIF_FAX_PHONE, 68},
        {ABIF_FAXGROUP_SIZE, 480},
        {ABIF_FAXGROUP_COUNT, 68},
        {ABIF_FAXGROUP_MEMBERS, 70},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.value, row.expected);
    EXPECT_EQ(sizeof(ABIF_MyFax), 960u);
    EXPECT_EQ(sizeof(ABIF_MyFaxGroup), 152u);
    EXPECT_EQ(sizeof(ABIF_Fax), 184u);
    EXPECT_EQ(sizeof(ABIF_FaxGroup), 480u);
    // The member slots end inside the record.
    EXPECT_LE(ABIF_MYFAXGROUP_MEMBERS + 2 * ABIF_MYFAXGROUP_MAX_MEMBERS, ABIF_MYFAXGROUP_SIZE);
    EXPECT_LE(ABIF_FAXGROUP_MEMBERS + 2 * ABIF_FAXGROUP_MAX_MEMBERS, ABIF_FAXGROUP_SIZE);
}

TEST_F(AbifFile, ReadGivesTheRecordsByteByByte) {
    ASSERT_EQ(addEntries(path, {{u"Ab", u"12", u"C", u"N", 0, 0x0102030405060708}}, {myFaxGroup(u"G", {0})}),
              kAbifErrInvalidArgument); // member 0 names no entry
    ASSERT_EQ(addEntries(path, {{u"Ab", u"12", u"C", u"N", 7, 0x0102030405060708}}, {myFaxGroup(u"G", {7})}),
              0);

    Contents c = readFile(path);
    ASSERT_EQ(c.result, 0);
    ASSERT_EQ(c.entries.size(), 1u);
    const uint8_t* e = c.entries[0].bytes;
    const uint8_t id[] = {0x01, 0x00};
    const uint8_t name[] = {'A', 0, 'b', 0, 0, 0};
    const uint8_t phone[] = {'1', 0, '2', 0, 0, 0};
    const uint8_t time[] = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(0, std::memcmp(e + 0, id, 2)); // the file's own Id, not the 7 passed in
    EXPECT_EQ(0, std::memcmp(e + 2, name, 6));
    EXPECT_TRUE(zeroFrom(e, 8, 68));
    EXPECT_EQ(0, std::memcmp(e + 68, phone, 6));
    EXPECT_TRUE(zeroFrom(e, 74, 170));
    EXPECT_EQ(e[170], 'C');
    EXPECT_TRUE(zeroFrom(e, 171, 300));
    EXPECT_EQ(e[300], 'N');
    EXPECT_TRUE(zeroFrom(e, 301, 816));
    EXPECT_EQ(0, std::memcmp(e + 816, time, 8));
    EXPECT_TRUE(zeroFrom(e, 824, 960));

    ASSERT_EQ(c.groups.size(), 1u);
    const uint8_t* g = c.groups[0].bytes;
    const uint8_t groupName[] = {'G', 0, 0, 0};
    const uint8_t members[] = {0x01, 0x00, 0x01, 0x00}; // count 1, member Id 1
    EXPECT_TRUE(zeroFrom(g, 0, 2));
    EXPECT_EQ(0, std::memcmp(g + 2, groupName, 4));
    EXPECT_TRUE(zeroFrom(g, 6, 80));
    EXPECT_EQ(0, std::memcmp(g + 80, members, 4));
    EXPECT_TRUE(zeroFrom(g, 84, 152));

    Contents d = readFile(path, kAbifReadDeviceRecords);
    ASSERT_EQ(d.result, 0);
    EXPECT_TRUE(d.entries.empty());
    ASSERT_EQ(d.faxEntries.size(), 1u);
    const uint8_t* f = d.faxEntries[0].bytes;
    EXPECT_EQ(0, std::memcmp(f + 0, id, 2));
    EXPECT_EQ(0, std::memcmp(f + 2, name, 6));
    EXPECT_TRUE(zeroFrom(f, 8, 68));
    EXPECT_EQ(0, std::memcmp(f + 68, phone, 6));
    EXPECT_TRUE(zeroFrom(f, 74, 184));
    ASSERT_EQ(d.faxGroups.size(), 1u);
    const uint8_t* fg = d.faxGroups[0].bytes;
    EXPECT_EQ(0, std::memcmp(fg + 2, groupName, 4));
    EXPECT_TRUE(zeroFrom(fg, 6, 68));
    EXPECT_EQ(0, std::memcmp(fg + 68, members, 4));
    EXPECT_TRUE(zeroFrom(fg, 72, 480));
}

TEST_F(AbifFile, RoundTripKeepsNonBmpAndFullFields) {
    std::u16string emoji = u"\U0001F600 Ω";
    Entry longest{std::u16string(31, u'n') + u"\u00e9",
                  std::u16string(50, u'5'),
                  std::u16string(64, u'c'),
                  std::u16string(252, u'x') + u"\U0001F4E0",
                  0,
                  1700000000};
    ASSERT_EQ(addEntries(path, {{emoji, u"+49 30 1234", emoji, emoji, 0, 5}, longest}), 0);

    Contents c = readFile(path);
    ASSERT_EQ(c.result, 0);
    ASSERT_EQ(c.entries.size(), 2u);
    const uint8_t* first = c.entries[0].bytes;
    EXPECT_EQ(text(first, ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE), emoji);
    EXPECT_EQ(text(first, ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE), emoji);
    EXPECT_EQ(text(first, ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE), emoji);
    const uint8_t* second = c.entries[1].bytes;
    EXPECT_EQ(abif::readU16(second + ABIF_MYFAX_ID), 2);
    EXPECT_EQ(text(second, ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE), longest.name);
    EXPECT_EQ(text(second, ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE), longest.fax);
    EXPECT_EQ(text(second, ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE), longest.company);
    EXPECT_EQ(text(second, ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE), longest.note);
    EXPECT_EQ(abif::readI64(second + ABIF_MYFAX_TIME), 1700000000);
}

TEST_F(AbifFile, FullGroupsAndIdsOfTheCall) {
    std::vector<Entry> entries;
    std::vector<uint16_t> ids;
    for (uint16_t i = 0; i < 35; ++i) {
        entries.push_back({u"P" + abif::fromUtf8(std::to_string(i)), u"1", {}, {}, uint16_t(100 + i)});
        ids.push_back(uint16_t(134 - i)); // reversed: members keep their order
    }
    ASSERT_EQ(addEntries(path, {{u"First", u"9"}}), 0);
    ASSERT_EQ(addEntries(path, entries, {myFaxGroup(u"All", ids), myFaxGroup(u"Old and new", {1, 100})}), 0);

    Contents c = readFile(path);
    ASSERT_EQ(c.result, 0);
    ASSERT_EQ(c.entries.size(), 36u);
    ASSERT_EQ(c.groups.size(), 2u);
    auto all = abif::readMembers(c.groups[0].bytes, ABIF_MYFAXGROUP_COUNT, ABIF_MYFAXGROUP_MEMBERS, 35);
    ASSERT_EQ(all.size(), 35u);
    EXPECT_EQ(all.front(), 36); // entry 100 of the call became Id 2 ... entry 134 Id 36
    EXPECT_EQ(all.back(), 2);
    auto mixed = abif::readMembers(c.groups[1].bytes, ABIF_MYFAXGROUP_COUNT, ABIF_MYFAXGROUP_MEMBERS, 35);
    EXPECT_EQ(mixed, (std::vector<uint16_t>{1, 2}));
}

// Every entry and group added without a UID gets its own new one, a version 4 UUID; given UIDs
// are kept, and a UID given again is refused.
TEST_F(AbifFile, AddedRowsWithoutUidGetNewDistinctOnes) {
    ASSERT_EQ(addEntries(path, {{u"First", u"9", {}, {}, 1}, {u"Second", u"8"}}, {myFaxGroup(u"G1", {1})}),
              0);
    std::vector<ABIF_MyFax> records = {myFax({u"Third", u"7"}), myFax({u"Fourth", u"6"})};
    std::vector<ABIF_MyFaxGroup> groups = {myFaxGroup(u"G2", {}), myFaxGroup(u"G3", {})};
    Data data = newData();
    ABIFData_Add_MyFax(data.get(), 2, records.data());
    ABIFData_Add_MyFaxGroup(data.get(), 2, groups.data());
    ASSERT_EQ(abif::addFileRecords(path.c_str(), data.get(), {{"", "given-entry"}, {}, {"given-group"}}), 0);
    EXPECT_EQ(abif::addFileRecords(path.c_str(), data.get(), {{"given-entry"}, {}, {}}),
              kAbifErrAlreadyInFile);

    abif::Identities ids;
    int32_t kind = 0;
    Data read = newData();
    ASSERT_EQ(abif::readFileRecords(path.c_str(), read.get(), kind, ids), 0);
    ASSERT_EQ(ids.entryUids.size(), 4u);
    ASSERT_EQ(ids.groupUids.size(), 3u);
    EXPECT_EQ(ids.entryUids[3], "given-entry");
    EXPECT_EQ(ids.groupUids[1], "given-group");
    std::vector<std::string> fresh = {ids.entryUids[0], ids.entryUids[1], ids.entryUids[2], ids.groupUids[0],
                                      ids.groupUids[2]};
    const auto isUuid4 = [](const std::string& uid) {
        if (uid.size() != 36 || uid[14] != '4' || std::string("89ab").find(uid[19]) == std::string::npos)
            return false;
        for (size_t i = 0; i < uid.size(); ++i) {
            const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
            if (dash ? uid[i] != '-' : !std::isxdigit(uint8_t(uid[i])) || std::isupper(uint8_t(uid[i])))
                return false;
        }
        return true;
    };
    for (const std::string& uid : fresh)
        EXPECT_TRUE(isUuid4(uid)) << uid;
    std::sort(fresh.begin(), fresh.end());
    EXPECT_EQ(std::unique(fresh.begin(), fresh.end()), fresh.end());
}

struct AddCase {
    const char* what;
    std::vector<Entry> entries;
    std::vector<ABIF_MyFaxGroup> groups;
    int32_t expected;
};

TEST_F(AbifFile, AddResultCodesLeaveTheFileUnchangedOnFailure) {
    ASSERT_EQ(addEntries(path, {{u"Anna", u"100"}}), 0);
    ABIF_MyFaxGroup overfull = myFaxGroup(u"Big", {});
    abif::writeU16(overfull.bytes + ABIF_MYFAXGROUP_COUNT, 36);

    const AddCase cases[] = {
        {"fine", {{u"Bert", u"200"}}, {}, 0},
        {"no name", {{u"Carl", u"300"}, {u"", u"301"}}, {}, kAbifErrNoName},
        {"already in file", {{u"Dora", u"400"}, {u"Anna", u"100"}}, {}, kAbifErrAlreadyInFile},
        {"twice in the call", {{u"Emil", u"500"}, {u"Emil", u"500"}}, {}, kAbifErrAlreadyInFile},
        {"same name, other fax", {{u"Anna", u"101"}}, {}, 0},
        {"case differs", {{u"anna", u"100"}}, {}, 0},
        {"no fax number", {{u"Fritz", u""}}, {}, kAbifErrInvalidArgument},
        {"group without name", {{u"Gus", u"700"}}, {myFaxGroup(u"", {1})}, kAbifErrNoName},
        {"group count beyond slots", {{u"Hans", u"800"}}, {overfull}, kAbifErrTooManyMembers},
        {"unknown member", {{u"Ida", u"900"}}, {myFaxGroup(u"G", {999})}, kAbifErrInvalidArgument},
        {"member twice", {}, {myFaxGroup(u"G", {1, 1})}, kAbifErrInvalidArgument},
    };
    size_t expectedCount = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(addEntries(path, c.entries, c.groups), c.expected);
        std::string log = ::testing::internal::GetCapturedStderr();
        if (c.expected == 0) {
            expectedCount += c.entries.size();
            EXPECT_EQ(log, "");
        } else {
            EXPECT_EQ(log.rfind("AbifGADFile_Add - ", 0), 0u) << log;
            EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        }
        Contents now = readFile(path);
        EXPECT_EQ(now.result, 0);
        EXPECT_EQ(now.entries.size(), expectedCount);
    }
}

TEST_F(AbifFile, UnterminatedFieldsAreRefused) {
    ABIF_MyFax record = myFax({u"N", u"1"});
    for (int i = 0; i < ABIF_MYFAX_NAME_SIZE; i += 2)
        abif::writeU16(record.bytes + ABIF_MYFAX_NAME + i, u'a');
    Data data = newData();
    ASSERT_EQ(ABIFData_Add_MyFax(data.get(), 1, &record), 0);
    EXPECT_EQ(AbifGADFile_Add(path.c_str(), data.get(), 0), kAbifErrNoName);

    record = myFax({u"N", u"1"});
    for (int i = 0; i < ABIF_MYFAX_NOTE_SIZE; i += 2)
        abif::writeU16(record.bytes + ABIF_MYFAX_NOTE + i, u'a');
    Data other = newData();
    ASSERT_EQ(ABIFData_Add_MyFax(other.get(), 1, &record), 0);
    EXPECT_EQ(AbifGADFile_Add(path.c_str(), other.get(), 0), kAbifErrInvalidArgument);
    EXPECT_EQ(readFile(path).entries.size(), 0u);
}

TEST_F(AbifFile, ArgumentAndFileCodes) {
    Data data = newData();
    struct Row {
        const char* what;
        int32_t result, expected;
    } rows[] = {
        {"read without path", AbifGADFile_Read(nullptr, data.get(), 0), kAbifErrInvalidArgument},
        {"read without handle", AbifGADFile_Read(path.c_str(), nullptr, 0), kAbifErrInvalidArgument},
        {"read unknown flag", AbifGADFile_Read(path.c_str(), data.get(), 4), kAbifErrInvalidArgument},
        {"add without path", AbifGADFile_Add("", data.get(), 0), kAbifErrInvalidArgument},
        {"add unknown flag", AbifGADFile_Add(path.c_str(), data.get(), 1), kAbifErrInvalidArgument},
        {"read missing file", AbifGADFile_Read(dir.file("none").c_str(), data.get(), 0), kAbifErrFile},
        {"add to missing file", AbifGADFile_Add(dir.file("none").c_str(), data.get(), 0), kAbifErrFile},
        {"read a folder", AbifGADFile_Read(dir.path().c_str(), data.get(), 0), kAbifErrFile},
        {"create over a file", AbifGADFile_Create(path.c_str(), kAbifFileComputer), kAbifErrFile},
        {"create of unknown kind", AbifGADFile_Create(dir.file("k").c_str(), 7), kAbifErrInvalidArgument},
        {"add nothing", AbifGADFile_Add(path.c_str(), data.get(), 0), kAbifSuccess},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.result, row.expected) << row.what;
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

TEST_F(AbifFile, FullFileRefusesMoreEntries) {
    runSql(path, "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 65534) "
                 "INSERT INTO entry (id, name, fax) SELECT x, 'n' || x, '1' FROM n;");
    EXPECT_EQ(addEntries(path, {{u"Last", u"1"}, {u"Too many", u"2"}}), kAbifErrFull);
    EXPECT_EQ(addEntries(path, {{u"Last", u"1"}}), 0);
    EXPECT_EQ(addEntries(path, {{u"Too many", u"2"}}), kAbifErrFull);
    Contents c = readFile(path);
    ASSERT_EQ(c.entries.size(), 65535u);
    EXPECT_EQ(abif::readU16(c.entries.back().bytes), 65535);
}

TEST_F(AbifFile, DeviceFilesHoldLargeGroups) {
    std::string device = dir.file("device");
    ASSERT_EQ(AbifGADFile_Create(device.c_str(), kAbifFileDevice), 0);
    int32_t kind = -1;
    EXPECT_EQ(AbifGADFile_GetKind(device.c_str(), &kind), 0);
    EXPECT_EQ(kind, kAbifFileDevice);
    EXPECT_EQ(AbifGADFile_GetKind(path.c_str(), &kind), 0);
    EXPECT_EQ(kind, kAbifFileComputer);

    std::vector<Entry> entries;
    std::vector<uint16_t> ids;
    for (uint16_t i = 1; i <= 205; ++i) {
        entries.push_back({u"E" + abif::fromUtf8(std::to_string(i)), u"1", {}, {}, i});
        ids.push_back(i);
    }
    std::vector<ABIF_MyFax> records;
    for (const auto& e : entries)
        records.push_back(myFax(e));
    ABIF_FaxGroup group = faxGroup(u"Everyone", ids);
    for (const std::string& file : {path, device}) {
        Data data = newData();
        ABIFData_Add_MyFax(data.get(), int32_t(records.size()), records.data());
        ABIFData_Add_FaxGroup(data.get(), 1, &group);
        EXPECT_EQ(AbifGADFile_Add(file.c_str(), data.get(), 0), file == path ? kAbifErrTooManyMembers : 0);
    }

    Contents asDevice = readFile(device, kAbifReadDeviceRecords);
    ASSERT_EQ(asDevice.result, 0);
    ASSERT_EQ(asDevice.faxGroups.size(), 1u);
    EXPECT_EQ(abif::readU16(asDevice.faxGroups[0].bytes + ABIF_FAXGROUP_COUNT), 205);
    EXPECT_EQ(abif::readU16(asDevice.faxGroups[0].bytes + ABIF_FAXGROUP_MEMBERS + 2 * 204), 205);
    Contents asComputer = readFile(device);
    EXPECT_EQ(asComputer.result, kAbifErrTooManyMembers);
    EXPECT_TRUE(asComputer.entries.empty()); // nothing reaches the handle on failure
}

struct DamageCase {
    const char* what;
    std::function<void(const std::string&)> damage;
    bool addFails = true; // damage that adding runs into as well; bad rows are found by reading only
};

TEST_F(AbifFile, ForeignTruncatedAndDamagedFilesAreRefused) {
    const auto sql = [](std::string statements) {
        return [statements](const std::string& p) { runSql(p, statements); };
    };
    std::vector<Entry> many;
    for (int i = 0; i < 500; ++i)
        many.push_back(
            {u"Name " + abif::fromUtf8(std::to_string(i)), u"0123456789", {}, {}, uint16_t(i + 1)});
    const DamageCase cases[] = {
        {"foreign SQLite file",
         [](const std::string& p) {
             std::filesystem::remove(p);
             runSql(p, "CREATE TABLE entry (id INTEGER, name TEXT);");
         }},
        {"newer format", [](const std::string& p) { runSql(p, "PRAGMA user_version = 3;"); }},
        {"garbage",
         [](const std::string& p) {
             std::ofstream(p, std::ios::trunc | std::ios::binary) << std::string(8192, '\x5a');
         }},
        {"empty file", [](const std::string& p) { std::ofstream(p, std::ios::trunc); }},
        {"truncated",
         [](const std::string& p) { std::filesystem::resize_file(p, std::filesystem::file_size(p) / 2); }},
        {"header cut", [](const std::string& p) { std::filesystem::resize_file(p, 60); }},
        {"overwritten pages",
         [](const std::string& p) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(4096 * 2);
             f << std::string(4096 * 3, '\xff');
         }},
        // One unit more than each field holds with its terminator (the full fields read back in
        // RoundTripKeepsNonBmpAndFullFields).
        {"name of 33 units", sql("UPDATE entry SET name = printf('%.33c', 'x') WHERE id = 1;"), false},
        {"fax number of 51 units", sql("UPDATE entry SET fax = printf('%.51c', '5') WHERE id = 1;"), false},
        {"company of 65 units", sql("UPDATE entry SET company = printf('%.65c', 'c') WHERE id = 1;"), false},
        {"note of 255 units", sql("UPDATE entry SET note = printf('%.255c', 'n') WHERE id = 1;"), false},
        {"group name of 33 units", sql("UPDATE grp SET name = printf('%.33c', 'g');"), false},
        {"empty fax number",
         [](const std::string& p) { runSql(p, "UPDATE entry SET fax = '' WHERE id = 2;"); }, false},
        {"member without entry",
         [](const std::string& p) { runSql(p, "INSERT INTO member VALUES (1, 9, 4000);"); }, false},
        {"Id out of range",
         [](const std::string& p) {
             runSql(p, "PRAGMA ignore_check_constraints = 1; UPDATE entry SET id = 70000 WHERE id = 3;");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path);
        ASSERT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileComputer), 0);
        ASSERT_EQ(addEntries(path, many, {myFaxGroup(u"G", {1, 2})}), 0);
        c.damage(path);

        Data data = newData();
        ABIF_MyFax kept = myFax({u"Kept", u"1"});
        ABIFData_Add_MyFax(data.get(), 1, &kept);
        ::testing::internal::CaptureStderr();
        int32_t rc = AbifGADFile_Read(path.c_str(), data.get(), 0);
        std::string log = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(rc, kAbifErrNotAddressBook);
        EXPECT_EQ(log.rfind("AbifGADFile_Read - " + path + ": ", 0), 0u) << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        EXPECT_EQ(ABIFData_GetCount_MyFax(data.get()), 1);
        EXPECT_EQ(ABIFData_GetCount_MyFaxGroup(data.get()), 0);

        ::testing::internal::CaptureStderr();
        EXPECT_EQ(addEntries(path, {{u"New", u"2"}}) != 0, c.addFails);
        ::testing::internal::GetCapturedStderr();
    }
}

TEST_F(AbifFile, AddWaitsForAnotherWriter) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(addEntries(path, {{u"Waited", u"1"}}), 0);
    release.join();
    sqlite3_close(other);
    EXPECT_EQ(readFile(path).entries.size(), 1u);
}

// Opening takes several steps that each need the lock; together they wait no longer than one
// busy timeout.
TEST_F(AbifFile, ReadOfALockedFileGivesUpWithinOneWait) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    Data data = newData();
    auto start = std::chrono::steady_clock::now();
    ::testing::internal::CaptureStderr();
    EXPECT_NE(AbifGADFile_Read(path.c_str(), data.get(), 0), kAbifSuccess);
    ::testing::internal::GetCapturedStderr();
    auto waited = std::chrono::steady_clock::now() - start;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    // The documented 5 s, written out so that a changed constant is noticed.
    EXPECT_GE(waited, std::chrono::milliseconds(5000 - 100));
    EXPECT_LT(waited, std::chrono::milliseconds(5000 + 1500));
}

class AbifFolder : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_DATA_HOME", dir.path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }
    TempDir dir;
};

TEST_F(AbifFolder, FolderIsCreatedUnderTheDataHome) {
    std::string expected = dir.path() + "/velmora/directfax/addressbooks";
    const char* folder = AbifGADFile_GetFileDirectory();
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(std::string(folder), expected);
    EXPECT_TRUE(std::filesystem::is_directory(expected));
    EXPECT_EQ(std::filesystem::status(expected).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(std::string(AbifGADFile_GetFileDirectory()),
              dir.path() + "/.local/share/velmora/directfax/addressbooks");

    std::string blocker = dir.file("blocked");
    std::ofstream(blocker) << "x";
    setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(AbifGADFile_GetFileDirectory(), nullptr);
    EXPECT_EQ(AbifGADFile_GetFileList(), nullptr);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("AbifGADFile_GetFileDirectory - "), std::string::npos) << log;
}

TEST_F(AbifFolder, FileListNamesTheBooksSeparatedByZero) {
    const char* empty = AbifGADFile_GetFileList();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], '\0');

    std::string folder = AbifGADFile_GetFileDirectory();
    for (const char* name : {"Office", "Home b\u00fcro", ".hidden", "Office-journal", "x-wal", "x-shm"})
        std::ofstream(folder + "/" + name) << "";
    std::filesystem::create_directory(folder + "/Sub");

    const char* list = AbifGADFile_GetFileList();
    ASSERT_NE(list, nullptr);
    std::vector<std::string> names;
    for (const char* p = list; *p; p += std::strlen(p) + 1)
        names.emplace_back(p);
    EXPECT_EQ(names, (std::vector<std::string>{"Home b\u00fcro", "Office"}));
}

} // namespace

namespace {

TEST(AbifText, Utf8ConversionRefusesMalformedInput) {
    struct Row {
        std::string utf8;
        std::u16string utf16;
    } rows[] = {
        {"A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"A\u00e9\u20ac\U0001F600"},
        {"\xC0\x80x", u"\uFFFD\uFFFDx"},           // overlong zero
        {"\xE0\x80\xAFy", u"\uFFFD\uFFFD\uFFFDy"}, // overlong slash
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},   // encoded surrogate
        {"\xFF", u"\uFFFD"},
        {"ab\xE2\x82", u"ab\uFFFD"}, // cut short by the end
    };
    for (const auto& row : rows) {
        EXPECT_EQ(abif::fromUtf8(row.utf8), row.utf16) << row.utf8;
        EXPECT_EQ(abif::isValidUtf8(row.utf8), &row == &rows[0]) << row.utf8; // only the first is whole
    }
    EXPECT_EQ(abif::toUtf8(u"\U0001F600\xD800"), "\xF0\x9F\x98\x80\xEF\xBF\xBD"); // lone surrogate
}

} // namespace
