// The emulated printer's raw print port: whole fax jobs are filed, anything else is refused
// without a trace in the outbox, and the port goes on taking jobs.
#include "EmulatorProcess.h"
#include "FaxJobStream.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
namespace fs = std::filesystem;

namespace {

// Sends `bytes` to the print port and waits until the printer has closed the connection.
void send(int port, const std::string& bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // the printer may refuse before the end
        sent += size_t(n);
    }
    ::shutdown(fd, SHUT_WR);
    char c;
    while (::recv(fd, &c, 1, 0) > 0) {
    }
    ::close(fd);
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string job(const std::string& record, const std::string& pages) {
    return faxjob::encodeHeader(record, pages.size()) + pages;
}

} // namespace

TEST(PrintPort, FilesWholeJobsAndRefusesTheRest) {
    const fs::path dir = fs::temp_directory_path() / ("printport-" + std::to_string(::getpid()));
    const fs::path outbox = dir / "outbox";
    fs::create_directories(dir);
    com::velmora::cps::print::pde::tarncrest::directfax::testing::EmulatorProcess emulator;
    std::string error;
    ASSERT_TRUE(emulator.start({"--print-port", "0", "--outbox", outbox.string()}, dir / "log", error))
        << error;
    ASSERT_GT(emulator.printPort(), 0);

    const std::string record = R"({"destinations":[{"name":"A","phoneNumber":"1"}]})";
    const std::string pages("II*\0pages", 9);
    const std::string whole = job(record, pages);
    std::string deep = std::string(20, '[') + std::string(20, ']');
    const std::string refused[] = {
        "",
        "PK\x03\x04 not a fax job",
        whole.substr(0, whole.size() - 1),                             // cut short
        whole + "x",                                                   // trailing bytes
        job("not json", pages),                                        // damaged record
        job(R"({"a":)" + deep + "}", pages),                           // deeper than any record
        std::string(faxjob::kMagic) + "record 99999999999999999999\n", // absurd length
        std::string(faxjob::kMagic) + "record " + std::to_string(faxjob::kMaxRecord + 1) + "\n" +
            std::string(faxjob::kMaxRecord + 1, ' '), // record over the limit
    };
    for (const std::string& bytes : refused) {
        send(emulator.printPort(), bytes);
        EXPECT_TRUE(fs::is_empty(outbox)) << bytes.substr(0, 40);
    }

    // The printer closes the connection once the job is filed.
    send(emulator.printPort(), whole);
    send(emulator.printPort(), whole);
    ASSERT_TRUE(fs::exists(outbox / "job-000001" / "record.json"));
    EXPECT_EQ(readAll(outbox / "job-000001" / "pages.tiff"), pages);
    EXPECT_NE(readAll(outbox / "job-000002" / "record.json").find("\"phoneNumber\": \"1\""),
              std::string::npos);
    emulator.stop();
    fs::remove_all(dir);
}
