// A process killed in the middle of adding leaves the file readable with all or none of that add.
#include "AbifTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace abiftest;

namespace {

std::vector<Entry> batch(int round, int size) {
    std::vector<Entry> entries;
    entries.reserve(size_t(size));
    for (int i = 0; i < size; ++i)
        entries.push_back({abif::fromUtf8("R" + std::to_string(round) + " " + std::to_string(i)),
                           u"+1 555 0100", u"Company", u"A note long enough to make pages fill up"});
    return entries;
}

TEST(AbifCrash, KilledAddLeavesAllOrNone) {
    constexpr int kBatch = 6000;
    constexpr int kRounds = 6;
    TempDir dir;
    std::string path = dir.file("book");
    ASSERT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileComputer), 0);
    ASSERT_EQ(addEntries(path, {{u"Before", u"1"}}), 0);

    // How long one whole add takes here, to aim the kills inside it.
    std::string timing = dir.file("timing");
    ASSERT_EQ(AbifGADFile_Create(timing.c_str(), kAbifFileComputer), 0);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(addEntries(timing, batch(-1, kBatch)), 0);
    auto duration =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int64_t> delay(0, duration.count());
    size_t expected = 1;
    int killed = 0;
    int hotJournals = 0; // kills that left a journal for the next reader to roll back
    for (int round = 0; round < kRounds; ++round) {
        std::vector<Entry> entries = batch(round, kBatch);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(addEntries(path, entries) == 0 ? 0 : 1);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (std::filesystem::exists(path + "-journal"))
            ++hotJournals;
        if (WIFSIGNALED(status))
            ++killed;
        else
            EXPECT_EQ(WEXITSTATUS(status), 0);

        Contents c = readFile(path);
        ASSERT_EQ(c.result, 0) << "round " << round;
        ASSERT_TRUE(c.entries.size() == expected || c.entries.size() == expected + kBatch)
            << "round " << round << ": " << c.entries.size() << " entries";
        expected = c.entries.size();
        // The file takes further adds after a killed one.
        ASSERT_EQ(addEntries(path, {{abif::fromUtf8("After " + std::to_string(round)), u"1"}}), 0);
        ++expected;
    }
    std::printf("%d of %d adds killed, %d left a journal; one add takes %lld us\n", killed, kRounds,
                hotJournals, (long long)duration.count());
    EXPECT_GT(killed, 0); // at least one add was cut off
}

// A writer that died after changing pages of the file itself leaves a hot journal; a reader
// opens the file read-only and still sees it as it was before that change.
TEST(AbifCrash, ReaderRollsBackWhatADeadWriterLeft) {
    TempDir dir;
    std::string path = dir.file("book");
    ASSERT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileComputer), 0);
    ASSERT_EQ(addEntries(path, batch(0, 500)), 0);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA cache_size = 2; BEGIN; UPDATE entry SET note = 'changed';"
                     "INSERT INTO entry (name, fax) SELECT name || ' copy', fax FROM entry;",
                     nullptr, nullptr, nullptr);
        _exit(0); // dies in the middle of the transaction, its changes partly in the file
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(std::filesystem::exists(path + "-journal"));

    Contents c = readFile(path);
    ASSERT_EQ(c.result, 0);
    ASSERT_EQ(c.entries.size(), 500u);
    for (const auto& e : c.entries)
        ASSERT_EQ(text(e.bytes, ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE),
                  u"A note long enough to make pages fill up");
    EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
}

} // namespace
