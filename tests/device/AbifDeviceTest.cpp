// The device calls of AddressBookIf against the device emulator on loopback addresses.
#include "AbifRecords.h"
#include "AbifTestSupport.h"
#include "AddressBookIf.h"
#include "DeviceTestSupport.h"
#include "EmulatorProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::testing;
using abif::DeviceBook;

namespace {

using namespace devicetest;

constexpr int32_t kReadAll = 23;
constexpr int32_t kStatusTimeout = 2048;

DeviceBook sampleBook() {
    return {{{1, "Anna Berg", "+49 30 1234"}, {2, "Bob", "555-0100"}, {300, "Zoë 🦊", "0"}},
            {{"Team", {1, 2}}, {"Nobody", {}}}};
}

std::string faxName(const ABIF_Fax& fax) {
    return abif::toUtf8(abif::readText(fax.bytes + ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE));
}

class AbifDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Abif_Initialize(0), kAbifSuccess); }
    void TearDown() override {
        emulator.stop();
        unsetenv("ABIF_DEVICE_PORT");
        unsetenv("ABIF_USB_PORT");
    }

    // Starts the emulator serving `book` with kPassword (unless `extra` sets another) on `host`
    // and points ABIF_DEVICE_PORT at it.
    void startDevice(std::vector<std::string> extra = {}, const DeviceBook& book = sampleBook(),
                     const std::string& host = "127.0.0.1") {
        auto file = dir.file("book.json");
        writeJsonBook(file, book);
        startDeviceWithFile(file, extra, host);
    }
    void startDeviceWithFile(const std::filesystem::path& file, const std::vector<std::string>& extra,
                             const std::string& host = "127.0.0.1") {
        std::vector<std::string> args{"--book", file.string(), "--host",     host,
                                      "--port", "0",           "--password", kPassword};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string error;
        ASSERT_TRUE(emulator.start(args, dir.file("emulator.log"), error)) << error;
        setenv("ABIF_DEVICE_PORT", std::to_string(emulator.port()).c_str(), 1);
    }

    // The caller's sequence: select, status, read; answers the first failure or the read's result.
    int32_t selectAndRead(int32_t kind, const char* address, ABIFData* data,
                          const char* password = kPassword) {
        AbifDevice_SetDestinationDevice(0, kind, address);
        int32_t status = AbifDevice_GetStatus(0, kStatusTimeout);
        if (status != kAbifDeviceReachable)
            return status;
        return AbifDevice_ReadData(0, data, kReadAll, password);
    }

    // Checks that `data` holds sampleBook().
    static void expectSampleBook(const ABIFData* data) {
        ASSERT_EQ(ABIFData_GetCount_Fax(data), 3);
        ABIF_Fax fax;
        ASSERT_EQ(ABIFData_GetAt_Fax(data, 2, &fax), kAbifSuccess);
        EXPECT_EQ(abif::readU16(fax.bytes + ABIF_FAX_ID), 300);
        EXPECT_EQ(faxName(fax), "Zoë 🦊");
        ASSERT_EQ(ABIFData_GetCount_FaxGroup(data), 2);
    }

    // Selects the emulator and checks that status and read both give up on it within kCallBound,
    // leaving the handle empty.
    static void expectUnreachableWithinTheBound() {
        AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
        auto start = Clock::now();
        EXPECT_EQ(AbifDevice_GetStatus(0, kStatusTimeout), kAbifErrDeviceUnreachable);
        EXPECT_LT(Clock::now() - start, kCallBound);

        Handle data = newHandle();
        start = Clock::now();
        EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, kPassword), kAbifErrDeviceUnreachable);
        EXPECT_LT(Clock::now() - start, kCallBound);
        EXPECT_EQ(ABIFData_GetCount_Fax(data.get()), 0);
    }

    abiftest::TempDir dir;
    EmulatorProcess emulator;
};

TEST_F(AbifDeviceTest, RightPasswordReadsEntriesThenGroups) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    Handle data = newHandle();
    ASSERT_EQ(selectAndRead(kAbifDeviceNetwork, "127.0.0.1", data.get()), kAbifSuccess);

    ASSERT_EQ(ABIFData_GetCount_Fax(data.get()), 3);
    ABIF_Fax fax;
    ASSERT_EQ(ABIFData_GetAt_Fax(data.get(), 0, &fax), kAbifSuccess);
    EXPECT_EQ(abif::readU16(fax.bytes + ABIF_FAX_ID), 1);
    EXPECT_EQ(faxName(fax), "Anna Berg");
    EXPECT_EQ(abif::toUtf8(abif::readText(fax.bytes + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE)), "+49 30 1234");

    ASSERT_EQ(ABIFData_GetCount_FaxGroup(data.get()), 2);
    ABIF_FaxGroup group;
    ASSERT_EQ(ABIFData_GetAt_FaxGroup(data.get(), 0, &group), kAbifSuccess);
    EXPECT_EQ(abif::toUtf8(abif::readText(group.bytes + ABIF_FAXGROUP_NAME, ABIF_FAXGROUP_NAME_SIZE)),
              "Team");
    EXPECT_EQ(
        abif::readMembers(group.bytes, ABIF_FAXGROUP_COUNT, ABIF_FAXGROUP_MEMBERS, ABIF_FAXGROUP_MAX_MEMBERS),
        (std::vector<uint16_t>{1, 2}));
    ASSERT_EQ(ABIFData_GetAt_FaxGroup(data.get(), 1, &group), kAbifSuccess);
    EXPECT_EQ(abif::readU16(group.bytes + ABIF_FAXGROUP_COUNT), 0);
}

TEST_F(AbifDeviceTest, DevicePasswordDecidesBetweenBookAndRefusal) {
    struct Case {
        const char* device;
        const char* given;
        int32_t result;
    };
    for (const Case& c : {Case{"7319", "7319", kAbifSuccess}, Case{"7319", "7318", kAbifErrWrongPassword},
                          Case{"7319", "", kAbifErrWrongPassword}, Case{"", "", kAbifSuccess},
                          Case{"", "1", kAbifErrWrongPassword}}) {
        SCOPED_TRACE(std::string("device \"") + c.device + "\", given \"" + c.given + "\"");
        ASSERT_NO_FATAL_FAILURE(startDevice({"--password", c.device}));
        Handle data = newHandle();
        EXPECT_EQ(selectAndRead(kAbifDeviceNetwork, "127.0.0.1", data.get(), c.given), c.result);
        EXPECT_EQ(ABIFData_GetCount_Fax(data.get()), c.result == kAbifSuccess ? 3 : 0);
        emulator.stop();
    }
}

TEST_F(AbifDeviceTest, NotReadyDeviceAnswersButIsNotRead) {
    ASSERT_NO_FATAL_FAILURE(startDevice({"--not-ready"}));
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
    int32_t status = AbifDevice_GetStatus(0, kStatusTimeout);
    EXPECT_NE(status, kAbifDeviceReachable);
    EXPECT_EQ(status, kAbifDeviceNotReady);
    Handle data = newHandle();
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, kPassword), kAbifDeviceNotReady);
    EXPECT_EQ(ABIFData_GetCount_Fax(data.get()), 0);
}

TEST_F(AbifDeviceTest, SilentDeviceGivesUpWithinTheBound) {
    ASSERT_NO_FATAL_FAILURE(startDevice({"--delay-ms", "60000"}));
    expectUnreachableWithinTheBound();
}

TEST_F(AbifDeviceTest, TricklingDeviceIsCutOffWithinTheBound) {
    ASSERT_NO_FATAL_FAILURE(startDevice({"--garbage", "trickle"}));
    expectUnreachableWithinTheBound();
}

TEST_F(AbifDeviceTest, NothingListeningIsUnreachable) {
    int port = unusedLoopbackPort();
    ASSERT_GT(port, 0);
    setenv("ABIF_DEVICE_PORT", std::to_string(port).c_str(), 1);
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
    auto start = Clock::now();
    EXPECT_EQ(AbifDevice_GetStatus(0, kStatusTimeout), kAbifErrDeviceUnreachable);
    Handle data = newHandle();
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, kPassword), kAbifErrDeviceUnreachable);
    EXPECT_LT(Clock::now() - start, kCallBound);
}

TEST_F(AbifDeviceTest, CancelEndsTheCallInProgressAndRefusesMoreUntilInitialize) {
    // A device that takes connections and never answers.
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    setenv("ABIF_DEVICE_PORT", std::to_string(ntohs(address.sin_port)).c_str(), 1);
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");

    int32_t status = kAbifSuccess;
    Clock::time_point ended;
    std::thread caller([&] {
        status = AbifDevice_GetStatus(0, 4000);
        ended = Clock::now();
    });
    // Once its request has come whole, the call waits for the reply.
    const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    std::string request;
    char buffer[1024];
    for (pollfd p{connection, POLLIN, 0};
         request.find("\r\n\r\n") == std::string::npos && poll(&p, 1, 4000) == 1;) {
        const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, size_t(n));
    }
    const auto cancelled = Clock::now();
    EXPECT_EQ(AbifDevice_Cancel(0), kAbifSuccess);
    caller.join();
    EXPECT_EQ(status, kAbifErrCancelled);
    EXPECT_LT(ended - cancelled, std::chrono::milliseconds(100)); // woken, not left to a timer
    close(connection);
    pollfd connected{listener, POLLIN, 0};

    // Refused without connecting until the next initialization.
    Handle data = newHandle();
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, kPassword), kAbifErrCancelled);
    ASSERT_EQ(ABIFData_SetDeviceRevision(data.get(), "1"), kAbifSuccess);
    EXPECT_EQ(AbifDevice_WriteData(0, data.get(), kPassword), kAbifErrCancelled);
    EXPECT_EQ(poll(&connected, 1, 0), 0);
    ASSERT_EQ(Abif_Initialize(0), kAbifSuccess);
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
    EXPECT_EQ(AbifDevice_GetStatus(0, 50), kAbifErrDeviceUnreachable);
    EXPECT_EQ(poll(&connected, 1, 0), 1);
    close(listener);
}

class GarbageTest : public AbifDeviceTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(GarbageTest, BrokenRepliesFailAndLeaveTheHandleAlone) {
    ASSERT_NO_FATAL_FAILURE(startDevice({"--garbage", GetParam()}));
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
    EXPECT_EQ(AbifDevice_GetStatus(0, kStatusTimeout), kAbifErrProtocol);

    Handle data = newHandle();
    ABIF_Fax earlier{};
    ASSERT_EQ(ABIFData_Add_Fax(data.get(), 1, &earlier), kAbifSuccess);
    auto start = Clock::now();
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, kPassword), kAbifErrProtocol);
    EXPECT_LT(Clock::now() - start, kCallBound);
    EXPECT_EQ(ABIFData_GetCount_Fax(data.get()), 1);
    EXPECT_EQ(ABIFData_GetCount_FaxGroup(data.get()), 0);
}

INSTANTIATE_TEST_SUITE_P(Replies, GarbageTest,
                         ::testing::Values("malformed", "oversized", "oversized-chunked", "truncated"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

// Whether this machine has IPv6 on its loopback interface.
bool ipv6LoopbackAvailable() {
    int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

TEST_F(AbifDeviceTest, IPv6LoopbackInEveryNotation) {
    if (!ipv6LoopbackAvailable())
        GTEST_SKIP() << "no IPv6 on the loopback interface";
    ASSERT_NO_FATAL_FAILURE(startDevice({}, sampleBook(), "::1"));
    for (const char* address : {"::1", "[::1]", "0:0:0:0:0:0:0:1", "::1%lo"}) {
        SCOPED_TRACE(address);
        Handle data = newHandle();
        ASSERT_EQ(selectAndRead(kAbifDeviceNetwork, address, data.get()), kAbifSuccess);
        expectSampleBook(data.get());
    }
}

// The link-local address of the loopback interface, when it has one.
std::string loopbackLinkLocal() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    std::string found;
    for (ifaddrs* a = list; a && found.empty(); a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET6 || !(a->ifa_flags & IFF_LOOPBACK))
            continue;
        auto* v6 = reinterpret_cast<sockaddr_in6*>(a->ifa_addr);
        if (!IN6_IS_ADDR_LINKLOCAL(&v6->sin6_addr))
            continue;
        char text[64];
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        found = std::string(text) + "%" + a->ifa_name;
    }
    freeifaddrs(list);
    return found;
}

TEST_F(AbifDeviceTest, LinkLocalAddressWithInterface) {
    std::string address = loopbackLinkLocal();
    if (address.empty())
        GTEST_SKIP() << "the loopback interface has no link-local address (e.g. fe80::1)";
    ASSERT_NO_FATAL_FAILURE(startDevice({}, sampleBook(), address));
    Handle data = newHandle();
    ASSERT_EQ(selectAndRead(kAbifDeviceNetwork, address.c_str(), data.get()), kAbifSuccess);
    expectSampleBook(data.get());
}

TEST_F(AbifDeviceTest, UsbDeviceIsReachedOnTheUsbPort) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    setenv("ABIF_USB_PORT", std::to_string(emulator.port()).c_str(), 1);
    unsetenv("ABIF_DEVICE_PORT");
    Handle data = newHandle();
    ASSERT_EQ(selectAndRead(kAbifDeviceUSB, nullptr, data.get()), kAbifSuccess);
    expectSampleBook(data.get());
}

TEST_F(AbifDeviceTest, LongTextsAndLargeGroupsAreCutToTheirRecords) {
    std::vector<uint16_t> members(300, 1);
    DeviceBook book{{{1, std::string(31, 'x') + "🦊", std::string(200, '5')}}, {{"Big", members}}};
    ASSERT_NO_FATAL_FAILURE(startDevice({}, book));
    Handle data = newHandle();
    ASSERT_EQ(selectAndRead(kAbifDeviceNetwork, "127.0.0.1", data.get()), kAbifSuccess);
    ABIF_Fax fax;
    ASSERT_EQ(ABIFData_GetAt_Fax(data.get(), 0, &fax), kAbifSuccess);
    EXPECT_EQ(faxName(fax), std::string(31, 'x'));
    EXPECT_EQ(abif::readText(fax.bytes + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE).size(), 50u);
    ABIF_FaxGroup group;
    ASSERT_EQ(ABIFData_GetAt_FaxGroup(data.get(), 0, &group), kAbifSuccess);
    EXPECT_EQ(abif::readU16(group.bytes + ABIF_FAXGROUP_COUNT), ABIF_FAXGROUP_MAX_MEMBERS);
}

TEST_F(AbifDeviceTest, NoDeviceOrABadAddressFailsWithoutNetwork) {
    EXPECT_EQ(AbifDevice_GetStatus(0, kStatusTimeout), kAbifErrNotInitialized);
    EXPECT_EQ(AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "printer.example"),
              kAbifErrInvalidArgument);
    EXPECT_EQ(AbifDevice_GetStatus(0, kStatusTimeout), kAbifErrInvalidArgument);
    Handle data = newHandle();
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, kPassword), kAbifErrInvalidArgument);
    // Arguments are checked before the device is asked.
    ASSERT_EQ(AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1"), kAbifSuccess);
    EXPECT_EQ(AbifDevice_ReadData(0, nullptr, kReadAll, kPassword), kAbifErrInvalidArgument);
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, nullptr), kAbifErrInvalidArgument);
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), 0, kPassword), kAbifErrInvalidArgument);
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, std::string(1000, '1').c_str()),
              kAbifErrInvalidArgument);
    // Initialising again forgets the device.
    ASSERT_EQ(Abif_Initialize(0), kAbifSuccess);
    EXPECT_EQ(AbifDevice_GetStatus(0, kStatusTimeout), kAbifErrNotInitialized);
}

TEST_F(AbifDeviceTest, ServesAnAddressBookFile) {
    Handle records = newHandle();
    ABIF_MyFax fax[2] = {abif::makeMyFax(1, u"Anna", u"0301", {}, {}, 0),
                         abif::makeMyFax(2, u"Bob", u"0302", {}, {}, 0)};
    const uint16_t members[] = {1, 2};
    auto group = abif::makeGroup<ABIF_FaxGroup>(abif::kFaxGroupLayout, u"Team", members);
    ASSERT_EQ(ABIFData_Add_MyFax(records.get(), 2, fax), kAbifSuccess);
    ASSERT_EQ(ABIFData_Add_FaxGroup(records.get(), 1, &group), kAbifSuccess);
    // A book of the address-book folder, named as the address-book tool names it.
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    struct Unset {
        ~Unset() { unsetenv("XDG_DATA_HOME"); }
    } unset;
    auto file = std::string(AbifGADFile_GetFileDirectory()) + "/Fax Book";
    ASSERT_EQ(AbifGADFile_Create(file.c_str(), kAbifFileDevice), kAbifSuccess);
    ASSERT_EQ(AbifGADFile_Add(file.c_str(), records.get(), 0), kAbifSuccess);

    ASSERT_NO_FATAL_FAILURE(startDeviceWithFile("Fax Book", {}));
    Handle data = newHandle();
    ASSERT_EQ(selectAndRead(kAbifDeviceNetwork, "127.0.0.1", data.get()), kAbifSuccess);
    ASSERT_EQ(ABIFData_GetCount_Fax(data.get()), 2);
    std::vector<std::string> read;
    for (int i = 0; i < 2; ++i) {
        ABIF_Fax entry;
        ASSERT_EQ(ABIFData_GetAt_Fax(data.get(), i, &entry), kAbifSuccess);
        read.push_back(faxName(entry));
    }
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, (std::vector<std::string>{"Anna", "Bob"}));
    ASSERT_EQ(ABIFData_GetCount_FaxGroup(data.get()), 1);
    ABIF_FaxGroup readGroup;
    ASSERT_EQ(ABIFData_GetAt_FaxGroup(data.get(), 0, &readGroup), kAbifSuccess);
    EXPECT_EQ(abif::readU16(readGroup.bytes + ABIF_FAXGROUP_COUNT), 2);
}

// Captures what is written to standard error (file descriptor 2) while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const std::filesystem::path& file) : file_(file) {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(fd, STDERR_FILENO);
        close(fd);
    }
    ~StderrCapture() { restore(); }
    std::string finish() {
        restore();
        std::ifstream in(file_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::filesystem::path file_;
    int saved_ = -1;
};

TEST_F(AbifDeviceTest, PasswordNeverReachesStandardError) {
    const char* secret = "S3cr3t-Fax-Pw";
    ASSERT_NO_FATAL_FAILURE(startDevice({"--password", secret}));
    StderrCapture capture(dir.file("stderr.txt"));
    Handle data = newHandle();
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, "S3cr3t-Fax-Pw-wrong"), kAbifErrWrongPassword);
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, secret), kAbifSuccess);
    emulator.stop();
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, secret), kAbifErrDeviceUnreachable);
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, secret);
    EXPECT_EQ(AbifDevice_ReadData(0, data.get(), kReadAll, secret), kAbifErrInvalidArgument);
    std::string written = capture.finish();

    EXPECT_NE(written.find("AbifDevice_ReadData - the device refused the password"), std::string::npos)
        << written;
    EXPECT_EQ(written.find("S3cr3t"), std::string::npos) << written;
    // Nor does the device's own log.
    std::ifstream log(dir.file("emulator.log"));
    std::stringstream logText;
    logText << log.rdbuf();
    EXPECT_EQ(logText.str().find("S3cr3t"), std::string::npos) << logText.str();
}

} // namespace
