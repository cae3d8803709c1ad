// The emulated printer's print socket: whole fax jobs are filed and acknowledged, anything else
// is refused with its reason and without a trace in the outbox; the outbox keeps other users out
// and loses no job when printers share it.
#include "EmulatorProcess.h"
#include "FaxJobStream.h"
#include "SecondUser.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <vector>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
namespace fs = std::filesystem;
using Emulator = com::velmora::cps::print::pde::tarncrest::directfax::testing::EmulatorProcess;

namespace {

// Sends `bytes` to the print socket and answers the printer's reply line ("" when it gave none).
std::string send(const fs::path& socket, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "(no connection)";
    }
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // the printer may refuse before the end
        sent += size_t(n);
    }
    ::shutdown(fd, SHUT_WR);
    std::string reply;
    char c;
    while (::recv(fd, &c, 1, 0) > 0)
        reply += c;
    ::close(fd);
    return reply;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string job(const std::string& record, const std::string& pages) {
    return faxjob::encodeHeader(record, pages.size()) + pages;
}

std::string numberedJob(int n) {
    return job(R"({"n":)" + std::to_string(n) + "}", "pages of job " + std::to_string(n));
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class PrintPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("printport-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "run");
        fs::permissions(dir / "run", fs::perms::owner_all);
        outbox = dir / "outbox";
    }
    void TearDown() override {
        for (Emulator& emulator : emulators)
            emulator.stop();
        fs::remove_all(dir);
    }
    fs::path socket(size_t n) const { return dir / "run" / ("print" + std::to_string(n) + ".sock"); }
    void start(size_t count = 1) {
        emulators = std::vector<Emulator>(count);
        for (size_t n = 0; n < count; ++n) {
            std::string error;
            ASSERT_TRUE(emulators[n].start({"--print-socket", socket(n), "--outbox", outbox},
                                           dir / ("log" + std::to_string(n)), error))
                << error;
        }
    }
    std::vector<fs::path> filed() const {
        std::vector<fs::path> folders;
        for (const auto& entry : fs::directory_iterator(outbox))
            folders.push_back(entry.path());
        return folders;
    }

    fs::path dir;
    fs::path outbox;
    std::vector<Emulator> emulators;
};

} // namespace

TEST_F(PrintPortTest, FilesWholeJobsAndRefusesTheRestWithItsReason) {
    start();
    const std::string record = R"({"destinations":[{"name":"A","phoneNumber":"1"}]})";
    const std::string pages("II*\0pages", 9);
    const std::string whole = job(record, pages);
    std::string deep = std::string(20, '[') + std::string(20, ']');
    const std::pair<std::string, std::string> refused[] = {
        {"", "not a fax job"},
        {"PK\x03\x04 not a fax job", "not a fax job"},
        {whole.substr(0, whole.size() - 1), "cut short"},
        {whole + "x", "unexpected data"},
        {job("not json", pages), "not a JSON object"},
        {job(R"({"a":)" + deep + "}", pages), "not a JSON object"}, // deeper than any record
        {std::string(faxjob::kMagic) + "record 99999999999999999999\n", "too long"},
        {std::string(faxjob::kMagic) + "record " + std::to_string(faxjob::kMaxRecord + 1) + "\n" +
             std::string(faxjob::kMaxRecord + 1, ' '),
         "too long"},
    };
    for (const auto& [bytes, why] : refused) {
        const std::string reply = send(socket(0), bytes);
        EXPECT_TRUE(reply.starts_with("ERROR ") && reply.find(why) != std::string::npos) << reply;
        EXPECT_TRUE(fs::is_empty(outbox)) << bytes.substr(0, 40);
    }

    // The printer answers once the job is filed, with the folder's name.
    EXPECT_EQ(send(socket(0), whole), "OK job-000001\n");
    EXPECT_EQ(send(socket(0), whole), "OK job-000002\n");
    EXPECT_EQ(readAll(outbox / "job-000001" / "pages.tiff"), pages);
    EXPECT_NE(readAll(outbox / "job-000002" / "record.json").find("\"phoneNumber\": \"1\""),
              std::string::npos);
}

TEST_F(PrintPortTest, TheOutboxIsPrivateWhateverTheUmask) {
    // An outbox an older run left open is closed; what is filed is the owner's alone.
    fs::create_directories(outbox);
    fs::permissions(outbox, fs::perms::all);
    const mode_t mask = ::umask(0);
    start();
    ::umask(mask);
    ASSERT_EQ(send(socket(0), numberedJob(1)), "OK job-000001\n");
    EXPECT_EQ(modeOf(socket(0)), 0600u);
    EXPECT_EQ(modeOf(outbox), 0700u);
    EXPECT_EQ(modeOf(outbox / "job-000001"), 0700u);
    EXPECT_EQ(modeOf(outbox / "job-000001" / "record.json"), 0600u);
    EXPECT_EQ(modeOf(outbox / "job-000001" / "pages.tiff"), 0600u);
}

TEST_F(PrintPortTest, PrintersSharingAnOutboxLoseNoJob) {
    start(2);
    constexpr int kJobs = 120;
    std::vector<std::future<std::string>> replies;
    for (int n = 0; n < kJobs; ++n)
        replies.push_back(
            std::async(std::launch::async, [&, n] { return send(socket(size_t(n % 2)), numberedJob(n)); }));
    std::set<std::string> names;
    for (auto& reply : replies) {
        const std::string line = reply.get();
        EXPECT_TRUE(line.starts_with("OK job-")) << line;
        names.insert(line);
    }
    EXPECT_EQ(names.size(), size_t(kJobs));
    // Every folder holds one whole job: its record and its own pages; nothing half-written.
    std::set<std::string> pages;
    for (const fs::path& folder : filed()) {
        ASSERT_TRUE(folder.filename().string().starts_with("job-")) << folder;
        const std::string record = readAll(folder / "record.json");
        const std::string n = record.substr(record.find(':') + 1, record.find('}') - record.find(':') - 1);
        EXPECT_EQ(readAll(folder / "pages.tiff"), "pages of job " + std::to_string(std::stoi(n))) << folder;
        pages.insert(n);
    }
    EXPECT_EQ(pages.size(), size_t(kJobs));
}

TEST_F(PrintPortTest, AFullOutboxIsToldToTheSender) {
    // The printer may write files of at most 64 bytes: the record goes in, the pages do not.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{64, limit.rlim_max};
    ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    start();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_DFL);
    const std::string reply = send(socket(0), job("{}", std::string(65, 'p')));
    EXPECT_TRUE(reply.starts_with("ERROR cannot write into the outbox")) << reply;
    EXPECT_TRUE(filed().empty()); // not even the hidden folder of the half-written job
}

TEST_F(PrintPortTest, AnotherUserCannotFileAJob) {
    if (const QString why = second_user::unavailable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    start();
    // The socket's folder keeps the other user out...
    EXPECT_TRUE(second_user::probe({"send", QString::fromStdString(socket(0))},
                                   QByteArray::fromStdString(numberedJob(1)))
                    .keptOut());
    // ...and were it open, the printer refuses whom it does not belong to.
    fs::permissions(dir / "run", fs::perms::all);
    fs::permissions(socket(0), fs::perms::all);
    const auto opened = second_user::probe({"send", QString::fromStdString(socket(0))},
                                           QByteArray::fromStdString(numberedJob(1)));
    EXPECT_TRUE(opened.output.startsWith("ERROR ")) << opened.exitCode << opened.output.toStdString();
    EXPECT_TRUE(filed().empty());
}
