// The emulator's FaxOut service against hostile clients: a request larger than it reads, and a
// client that says nothing, neither of which may keep it from serving the next client.
#include "EmulatorProcess.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::testing;

namespace {

using Clock = std::chrono::steady_clock;

class FaxOutServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("faxout-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::string error;
        ASSERT_TRUE(
            emulator.start({"--faxout-port", "0", "--outbox", (dir / "outbox").string()}, dir / "log", error))
            << error;
        ASSERT_FALSE(emulator.faxOutUri().empty());
        port = std::stoi(emulator.faxOutUri().substr(emulator.faxOutUri().rfind(':') + 1));
    }
    void TearDown() override {
        emulator.stop();
        std::filesystem::remove_all(dir);
    }

    // A Get-Printer-Attributes request with `padding` bytes of job names; the IPP status, or -1
    // when no answer came.
    int ask(size_t padding) {
        http_t* http =
            httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
        if (!http)
            return -1;
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                     emulator.faxOutUri().c_str());
        const std::string name(1000, 'x');
        for (size_t added = 0; added < padding; added += name.size())
            ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, name.c_str());
        ipp_t* response = cupsDoRequest(http, request, "/ipp/faxout");
        const int status = response ? int(ippGetStatusCode(response)) : -1;
        ippDelete(response);
        httpClose(http);
        return status;
    }

    std::filesystem::path dir;
    EmulatorProcess emulator;
    int port = 0;
};

TEST_F(FaxOutServiceTest, ARequestOverItsBoundIsRefusedAndTheNextIsServed) {
    EXPECT_EQ(ask(200 * 1000), IPP_STATUS_OK); // under the 256 KiB the service reads
    const auto start = Clock::now();
    EXPECT_EQ(ask(300 * 1000), -1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(ask(0), IPP_STATUS_OK);
}

TEST_F(FaxOutServiceTest, ASilentClientDoesNotHoldOthersUp) {
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto start = Clock::now();
    EXPECT_EQ(ask(0), IPP_STATUS_OK);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    ::close(silent);
}

} // namespace
