// The device calls against replies no honest device sends, served by a plain socket server on
// loopback: every one must end within the time limit, without a crash, in little memory.
#include "AddressBookIf.h"
#include "DeviceProtocol.h"
#include "DeviceTransport.h"
#include "HostileServer.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using namespace com::velmora::cps::print::pde::tarncrest::directfax::testing;
using Clock = std::chrono::steady_clock;

constexpr int32_t kReadAll = 23;
constexpr size_t kMiB = 1024 * 1024;
// The documented limits, written out so that a changed constant in the client is noticed.
constexpr size_t kHeadLimit = 64 * 1024;
constexpr size_t kStatusLimit = 64 * 1024;
constexpr size_t kBookLimit = 16 * kMiB;
// No call may hold its caller longer than this.
constexpr auto kCallBound = std::chrono::seconds(5);

std::string okHead(size_t length) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

// A JSON reply of `prefix`, units, `last` and `suffix`, padded with blanks before `suffix` to
// exactly `total` body bytes.
Reply largeBody(const std::string& prefix, const std::string& unit, const std::string& suffix,
                const std::string& last = {}, size_t total = kBookLimit) {
    const size_t fixedBytes = prefix.size() + suffix.size() + last.size();
    const size_t units = (total - fixedBytes) / unit.size();
    const std::string padding(total - fixedBytes - units * unit.size(), ' ');
    return {okHead(total) + prefix, unit, units * unit.size(), last + padding + suffix};
}

void selectServer(const HostileServer& server) {
    setenv("ABIF_DEVICE_PORT", std::to_string(server.port()).c_str(), 1);
    ASSERT_EQ(AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1"), kAbifSuccess);
}

struct HostileCase {
    const char* name;
    Reply reply;
    int32_t status;
    int32_t read;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileDeviceTest : public ::testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override { Abif_Initialize(0); }
    void TearDown() override { unsetenv("ABIF_DEVICE_PORT"); }
};

TEST_P(HostileDeviceTest, EndsWithinTheLimitAndLeavesTheHandleAlone) {
    const HostileCase& c = GetParam();
    HostileServer server(c.reply);
    ASSERT_NO_FATAL_FAILURE(selectServer(server));
    ::testing::internal::CaptureStderr();
    auto start = Clock::now();
    EXPECT_EQ(AbifDevice_GetStatus(0, 1000), c.status);
    EXPECT_LT(Clock::now() - start, kCallBound);

    std::unique_ptr<ABIFData, decltype(&ABIFData_Delete)> data(ABIFData_Create(), ABIFData_Delete);
    ABIF_Fax earlier{};
    ASSERT_EQ(ABIFData_Add_Fax(data.get(), 1, &earlier), kAbifSuccess);
    start = Clock::now();
    int32_t read = AbifDevice_ReadData(0, data.get(), kReadAll, "");
    EXPECT_LT(Clock::now() - start, kCallBound);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(read, c.read);
    if (read != kAbifSuccess) {
        EXPECT_EQ(ABIFData_GetCount_Fax(data.get()), 1);
    }
}

const std::string kStatusBody = R"({"ready": true, "entries": []})";

// A status reply whose head (status line, headers and the blank line) is `headBytes` long.
Reply replyHead(size_t headBytes) {
    const std::string start = "HTTP/1.1 200 ";
    const std::string rest = "\r\nContent-Length: " + std::to_string(kStatusBody.size()) + "\r\n\r\n";
    return {start, "a", headBytes - start.size() - rest.size(), rest + kStatusBody};
}

// A status reply of `bodyBytes`, the status padded with a text the reader passes over.
Reply statusBody(size_t bodyBytes) {
    const std::string open = R"({"ready": true, "pad": ")", close = "\"}";
    return {okHead(bodyBytes) + open, "a", bodyBytes - open.size() - close.size(), close};
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HostileDeviceTest,
    ::testing::Values(
        // A long reason phrase is no reason to fail, until the head passes its limit.
        HostileCase{"head_at_limit", replyHead(kHeadLimit), kAbifDeviceReachable, kAbifSuccess},
        HostileCase{"head_one_byte_over", replyHead(kHeadLimit + 1), kAbifErrProtocol, kAbifErrProtocol},
        // The status is small; the address book reads the same reply as a book without records.
        HostileCase{"status_at_limit", statusBody(kStatusLimit), kAbifDeviceReachable, kAbifSuccess},
        HostileCase{"status_one_byte_over", statusBody(kStatusLimit + 1), kAbifErrProtocol, kAbifSuccess},
        HostileCase{"endless_header_line",
                    {"HTTP/1.1 200 OK\r\nX-Long: ", "a", 0, {}, true},
                    kAbifErrProtocol,
                    kAbifErrProtocol},
        HostileCase{"endless_headers",
                    {"HTTP/1.1 200 OK\r\n", "X-Many: a\r\n", 0, {}, true},
                    kAbifErrProtocol,
                    kAbifErrProtocol},
        HostileCase{"endless_chunk_extension",
                    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;", "a", 0, {}, true},
                    kAbifErrDeviceUnreachable,
                    kAbifErrDeviceUnreachable},
        HostileCase{"redirect",
                    fixed("HTTP/1.1 307 Temporary Redirect\r\nLocation: http://127.0.0.1:1/\r\n"
                          "Content-Length: 0\r\n\r\n"),
                    kAbifErrProtocol, kAbifErrProtocol},
        HostileCase{"http_0_9", fixed(R"({"ready": true})"), kAbifErrProtocol, kAbifErrProtocol},
        HostileCase{"empty_arrays", largeBody(R"({"x": [)", "[],", "]}", "[]"), kAbifErrProtocol,
                    kAbifSuccess},
        HostileCase{"book_one_byte_over", largeBody(R"({"x": [)", "[],", "]}", "[]", kBookLimit + 1),
                    kAbifErrProtocol, kAbifErrProtocol},
        HostileCase{"empty_entries", largeBody(R"({"entries": [)", "{},", "]}", "{}"), kAbifErrProtocol,
                    kAbifErrProtocol},
        HostileCase{"member_ids", largeBody(R"({"groups": [{"name": "g", "members": [)", "0,", "]}]}", "0"),
                    kAbifErrProtocol, kAbifSuccess}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostileDevice, RedirectIsNotFollowed) {
    HostileServer target(fixed(okHead(kStatusBody.size()) + kStatusBody));
    HostileServer redirecting(
        fixed("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" + std::to_string(target.port()) +
              "/abif/v1/status\r\nContent-Length: 0\r\n\r\n"));
    ASSERT_NO_FATAL_FAILURE(selectServer(redirecting));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(AbifDevice_GetStatus(0, 1000), kAbifErrProtocol);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(target.requests(), 0);
    unsetenv("ABIF_DEVICE_PORT");
}

struct Peak {
    long before = -1; // the child's largest resident size before the read (this process's size)
    long after = -1;  // and after it
};

// The largest resident sizes, in bytes, of a child process that reads the address book from
// `server`.
Peak peakBytesOfARead(const HostileServer& server) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        setenv("ABIF_DEVICE_PORT", std::to_string(server.port()).c_str(), 1);
        AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
        ABIFData* data = ABIFData_Create();
        ::close(STDERR_FILENO);
        rusage usage{};
        Peak peak;
        ::getrusage(RUSAGE_SELF, &usage);
        peak.before = usage.ru_maxrss * 1024;
        AbifDevice_ReadData(0, data, kReadAll, "");
        ::getrusage(RUSAGE_SELF, &usage);
        peak.after = usage.ru_maxrss * 1024;
        ssize_t written = ::write(pipeFds[1], &peak, sizeof peak);
        ::_exit(written == sizeof peak ? 0 : 1);
    }
    ::close(pipeFds[1]);
    Peak peak;
    if (::read(pipeFds[0], &peak, sizeof peak) != sizeof peak)
        peak = {};
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? peak : Peak{};
}

// The worst shapes of a 16 MiB reply: one long text, many texts just short enough, member ids,
// and nesting to skip.
TEST(HostileDevice, LargeRepliesKeepTheCallerSmall) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine make resident sizes meaningless";
#endif
    const std::string longName(abif::kMaxTextBytes - 10, 'a');
    for (const Reply& reply :
         {largeBody(R"({"entries": [{"id": 1, "number": "1", "name": ")", "a", "\"}]}"),
          largeBody(R"({"entries": [)", R"({"id": 1, "number": "", "name": ")" + longName + "\"},", "]}",
                    R"({"id": 1, "number": "", "name": ""})"),
          largeBody(R"({"groups": [{"name": "g", "members": [)", "0,", "]}]}", "0"),
          largeBody(R"({"x": [)", "[[[]]],", "]}", "[]"),
          largeBody(R"({"x": [)", "{\"a\":0},", "]}", "{}")}) {
        HostileServer server(reply);
        Peak peak = peakBytesOfARead(server);
        ASSERT_GT(peak.before, 0);
        std::printf("peak resident size %.1f MiB, %.1f MiB before the read (%s...)\n",
                    double(peak.after) / kMiB, double(peak.before) / kMiB,
                    reply.head.substr(reply.head.find("\r\n\r\n") + 4, 20).c_str());
        EXPECT_LT(peak.after, long(64 * kMiB));
    }
}

} // namespace
