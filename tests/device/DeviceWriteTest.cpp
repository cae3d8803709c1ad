// Writing the printer's book back: the device write against the emulator on loopback (password,
// revision, a kill in the middle, another local user) and against hostile replies.
#include "AbifRecords.h"
#include "AbifTestSupport.h"
#include "AddressBookIf.h"
#include "DeviceProtocol.h"
#include "DeviceTestSupport.h"
#include "EmulatorProcess.h"
#include "HostileServer.h"
#include "SecondUser.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <thread>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::testing;
using abif::DeviceBook;

namespace {

using namespace devicetest;

DeviceBook oldBook() {
    return {{{1, "Anna Berg", "0301234"}, {2, "Bob", "5550100"}}, {{"Team", {1, 2}}}};
}

// `count` entries whose names tell them from the old book's, and one group of the first 205.
DeviceBook newBook(size_t count) {
    DeviceBook book;
    for (size_t i = 1; i <= count; ++i)
        book.entries.push_back({uint16_t(i), "New " + std::to_string(i), "0" + std::to_string(1000000 + i)});
    book.groups.push_back({"All", {}});
    for (size_t i = 1; i <= std::min<size_t>(count, ABIF_FAXGROUP_MAX_MEMBERS); ++i)
        book.groups.back().members.push_back(uint16_t(i));
    return book;
}

// The handle holding `book` as Fax and FaxGroup records.
void fill(ABIFData* data, const DeviceBook& book) {
    std::vector<ABIF_Fax> entries;
    std::vector<ABIF_FaxGroup> groups;
    abif::makeFaxRecords(book, entries, groups);
    data->fax.assign(entries);
    data->faxGroups.assign(groups);
}

std::string contentOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The book a file holds, by its encoding without a revision ("" when it is not a JSON book).
std::string bookIn(const std::string& file) {
    DeviceBook book;
    if (abif::decodeAddressBook(contentOf(file), book) != kAbifSuccess)
        return {};
    book.revision.clear();
    return abif::encodeAddressBook(book);
}

class DeviceWriteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Abif_Initialize(0), kAbifSuccess); }
    void TearDown() override {
        emulator.stop();
        unsetenv("ABIF_DEVICE_PORT");
    }

    void startDevice(std::vector<std::string> extra = {}, bool writeBook = true) {
        if (writeBook)
            writeJsonBook(book, oldBook());
        std::vector<std::string> args{"--book", book, "--write-book", "--port", "0", "--password", kPassword};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string error;
        ASSERT_TRUE(emulator.start(args, dir.file("emulator.log"), error)) << error;
        setenv("ABIF_DEVICE_PORT", std::to_string(emulator.port()).c_str(), 1);
        ASSERT_EQ(AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1"), kAbifSuccess);
    }

    Handle readDevice() {
        Handle data = newHandle();
        EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kAbifReadFax | kAbifReadFaxGroup, kPassword),
                  kAbifSuccess);
        return data;
    }

    abiftest::TempDir dir;
    std::string book = dir.file("book.json");
    EmulatorProcess emulator;
};

struct WriteCase {
    const char* name;
    const char* password;
    enum { Read, Stale, None } revision;
    int32_t result;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class DeviceWriteCaseTest : public DeviceWriteTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(DeviceWriteCaseTest, OnlyTheRightPasswordAndTheRevisionReadWrite) {
    const WriteCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(startDevice());
    Handle mine = readDevice();
    const std::string revision = ABIFData_GetDeviceRevision(mine.get());
    ASSERT_FALSE(revision.empty());
    std::string before = bookIn(book);
    if (c.revision == WriteCase::Stale) {
        // Someone else writes in between.
        Handle theirs = readDevice();
        fill(theirs.get(), newBook(3));
        ASSERT_EQ(AbifDevice_WriteData(0, theirs.get(), kPassword), kAbifSuccess);
        before = bookIn(book);
    } else if (c.revision == WriteCase::None) {
        ASSERT_EQ(ABIFData_SetDeviceRevision(mine.get(), ""), kAbifSuccess);
    }
    fill(mine.get(), newBook(5));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(AbifDevice_WriteData(0, mine.get(), c.password), c.result);
    ::testing::internal::GetCapturedStderr();
    if (c.result != kAbifSuccess) {
        EXPECT_EQ(bookIn(book), before); // untouched
        return;
    }
    DeviceBook expected = newBook(5);
    EXPECT_EQ(bookIn(book), abif::encodeAddressBook(expected));
    const std::string after = ABIFData_GetDeviceRevision(mine.get());
    EXPECT_NE(after, revision);
    Handle again = readDevice();
    EXPECT_EQ(ABIFData_GetDeviceRevision(again.get()), after); // the next write may follow
    EXPECT_EQ(ABIFData_GetCount_Fax(again.get()), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, DeviceWriteCaseTest,
    ::testing::Values(WriteCase{"right_password", kPassword, WriteCase::Read, kAbifSuccess},
                      WriteCase{"wrong_password", "7318", WriteCase::Read, kAbifErrWrongPassword},
                      WriteCase{"changed_since_read", kPassword, WriteCase::Stale, kAbifErrDeviceBookChanged},
                      WriteCase{"no_revision", kPassword, WriteCase::None, kAbifErrInvalidArgument}),
    [](const auto& info) { return std::string(info.param.name); });

// A printer killed while it writes leaves its old book or the new one, never a mix: once held
// halfway through writing, and then killed at times spread over the write.
TEST_F(DeviceWriteTest, KilledMidWriteLeavesTheOldOrTheNewBook) {
    const std::string oldText = abif::encodeAddressBook(oldBook());
    const std::string newText = abif::encodeAddressBook(newBook(2000));
    ::testing::internal::CaptureStderr();
    int sawNew = 0;
    for (int delayMs : {-1, 0, 1, 2, 4, 8, 16, 32, 64}) {
        SCOPED_TRACE(delayMs);
        ASSERT_NO_FATAL_FAILURE(startDevice(delayMs < 0 ? std::vector<std::string>{"--write-pause-ms", "3000"}
                                                        : std::vector<std::string>{}));
        Handle data = readDevice();
        fill(data.get(), newBook(2000));
        auto write =
            std::async(std::launch::async, [&] { return AbifDevice_WriteData(0, data.get(), kPassword); });
        // Held halfway: killed once the new book's file has begun.
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs < 0 ? 500 : delayMs));
        ASSERT_EQ(::kill(emulator.pid(), SIGKILL), 0);
        emulator.stop();
        int32_t result = write.get();
        const std::string left = bookIn(book);
        ASSERT_TRUE(left == oldText || left == newText) << "a mixed book: " << contentOf(book).substr(0, 200);
        if (delayMs < 0) {
            EXPECT_EQ(left, oldText);
            EXPECT_NE(result, kAbifSuccess);
        }
        if (result == kAbifSuccess) {
            EXPECT_EQ(left, newText); // what the printer confirmed is what it keeps
        }
        sawNew += left == newText;
    }
    ::testing::internal::GetCapturedStderr();
    std::printf("the new book was in place after %d of 8 kills\n", sawNew);
}

// What the write refuses before it sends anything: a book beyond the device's limits, at each edge.
TEST_F(DeviceWriteTest, BooksBeyondTheDevicesLimitsAreNotSent) {
    HostileServer server(fixed("HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\n{\"revision\":\"2\"}"));
    // Counted as the server takes them, a little after the call returns.
    auto requestsSeen = [&server](int expected) {
        for (auto end = Clock::now() + kCallBound; server.requests() != expected && Clock::now() < end;)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return server.requests();
    };
    setenv("ABIF_DEVICE_PORT", std::to_string(server.port()).c_str(), 1);
    ASSERT_EQ(AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1"), kAbifSuccess);
    auto withGroups = [](size_t count, size_t members) {
        DeviceBook book = newBook(ABIF_FAXGROUP_MAX_MEMBERS + 1);
        book.groups.assign(count, {"G", {}});
        for (size_t i = 1; i <= members; ++i)
            book.groups[0].members.push_back(uint16_t(i));
        return book;
    };
    DeviceBook noName = oldBook(), idTwice = oldBook(), strayMember = oldBook();
    noName.entries[1].name.clear();
    idTwice.entries[1].id = 1;
    strayMember.groups[0].members.push_back(3);
    struct Case {
        const char* name;
        DeviceBook book;
        int32_t result;
    };
    const Case cases[] = {
        {"most entries", newBook(ABIF_DEVICE_MAX_ENTRIES), kAbifSuccess},
        {"one entry more", newBook(ABIF_DEVICE_MAX_ENTRIES + 1), kAbifErrFull},
        {"most groups", withGroups(ABIF_DEVICE_MAX_GROUPS, 0), kAbifSuccess},
        {"one group more", withGroups(ABIF_DEVICE_MAX_GROUPS + 1, 0), kAbifErrFull},
        {"a full group", withGroups(1, ABIF_FAXGROUP_MAX_MEMBERS), kAbifSuccess},
        {"an entry without a name", noName, kAbifErrNoName},
        {"an entry Id twice", idTwice, kAbifErrInvalidArgument},
        {"a member naming no entry", strayMember, kAbifErrInvalidArgument},
    };
    ::testing::internal::CaptureStderr();
    int sent = 0;
    for (const Case& c : cases) {
        Handle data = newHandle();
        fill(data.get(), c.book);
        ASSERT_EQ(ABIFData_SetDeviceRevision(data.get(), "1"), kAbifSuccess);
        // A book within the limits is sent (the server, which reads no body, may cut it short).
        int32_t result = AbifDevice_WriteData(0, data.get(), kPassword);
        if (c.result != kAbifSuccess) {
            EXPECT_EQ(result, c.result) << c.name;
        }
        sent += c.result == kAbifSuccess;
        EXPECT_EQ(requestsSeen(sent), sent) << c.name;
    }
    // A group record claiming more members than its slots.
    Handle data = newHandle();
    fill(data.get(), oldBook());
    ABIF_FaxGroup overfull = data->faxGroups[0];
    abif::writeU16(overfull.bytes + ABIF_FAXGROUP_COUNT, ABIF_FAXGROUP_MAX_MEMBERS + 1);
    data->faxGroups.assign({overfull});
    ASSERT_EQ(ABIFData_SetDeviceRevision(data.get(), "1"), kAbifSuccess);
    EXPECT_EQ(AbifDevice_WriteData(0, data.get(), kPassword), kAbifErrTooManyMembers);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(server.requests(), sent);
}

struct HostileWrite {
    const char* name;
    Reply reply;
    int32_t result;
};

void PrintTo(const HostileWrite& c, std::ostream* os) {
    *os << c.name;
}

class HostileWriteTest : public ::testing::TestWithParam<HostileWrite> {
protected:
    void SetUp() override { Abif_Initialize(0); }
    void TearDown() override { unsetenv("ABIF_DEVICE_PORT"); }
};

TEST_P(HostileWriteTest, EndsWithinTheLimitAndKeepsTheRevision) {
    HostileServer server(GetParam().reply);
    setenv("ABIF_DEVICE_PORT", std::to_string(server.port()).c_str(), 1);
    ASSERT_EQ(AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1"), kAbifSuccess);
    Handle data = newHandle();
    fill(data.get(), oldBook());
    ASSERT_EQ(ABIFData_SetDeviceRevision(data.get(), "read"), kAbifSuccess);
    ::testing::internal::CaptureStderr();
    auto start = Clock::now();
    EXPECT_EQ(AbifDevice_WriteData(0, data.get(), kPassword), GetParam().result);
    EXPECT_LT(Clock::now() - start, kCallBound);
    ::testing::internal::GetCapturedStderr();
    EXPECT_STREQ(ABIFData_GetDeviceRevision(data.get()), "read");
    EXPECT_EQ(ABIFData_GetCount_Fax(data.get()), 2);
}

std::string okHead(size_t length) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(length) +
           "\r\n\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HostileWriteTest,
    ::testing::Values(
        HostileWrite{
            "oversized",
            {okHead(abif::kMaxStatusBody + 1) + "{\"revision\": \"", "a", abif::kMaxStatusBody, "\"}"},
            kAbifErrProtocol},
        HostileWrite{"oversized_chunked",
                     {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "1\r\na\r\n", 0, {}, true},
                     kAbifErrProtocol},
        HostileWrite{
            "endless_headers", {"HTTP/1.1 200 OK\r\n", "X-Many: a\r\n", 0, {}, true}, kAbifErrProtocol},
        HostileWrite{"endless_chunk_extension",
                     {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;", "a", 0, {}, true},
                     kAbifErrDeviceUnreachable},
        HostileWrite{"revision_too_long",
                     fixed(okHead(abif::kMaxRevisionBytes + 16) + "{\"revision\": \"" +
                           std::string(abif::kMaxRevisionBytes + 1, 'r') + "\"}"),
                     kAbifErrProtocol},
        HostileWrite{"no_revision", fixed(okHead(2) + "{}"), kAbifErrProtocol},
        HostileWrite{"conflict", fixed("HTTP/1.1 409 Conflict\r\nContent-Length: 0\r\n\r\n"),
                     kAbifErrDeviceBookChanged}),
    [](const auto& info) { return std::string(info.param.name); });

// Another user of this machine cannot write the printer's book, even with its password and revision.
TEST_F(DeviceWriteTest, AnotherLocalUserCannotWrite) {
    if (const QString why = second_user::unavailable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    ASSERT_NO_FATAL_FAILURE(startDevice());
    Handle data = readDevice();
    DeviceBook attempt = newBook(2);
    attempt.revision = ABIFData_GetDeviceRevision(data.get());
    const std::string body = abif::encodeWriteRequest(kPassword, attempt);
    const second_user::Outcome outcome = second_user::probe(
        {"put", QString::number(emulator.port()), abif::kAddressBookPath}, QByteArray::fromStdString(body));
    EXPECT_TRUE(outcome.keptOut()) << outcome.output.toStdString();
    EXPECT_EQ(bookIn(book), abif::encodeAddressBook(oldBook()));
}

} // namespace
