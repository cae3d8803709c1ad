// The fax filter program run as CUPS runs it (its arguments, $PPD, the document as a file or on
// standard input) on the documents of tests/fixtures/fax: the pages it writes, as libtiff's
// tiffdump and efax's efix read them; its limits on their edges; the documents it refuses; and
// ghostscript, which must not outlive it. Whatever the filter leaves running becomes ours
// (child subreaper), so a ghostscript left behind shows.
#include "FaxJobStream.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob;

namespace {

const fs::path kDocuments = DIRECTFAX_SOURCE_DIR "/tests/fixtures/fax";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What `command` writes, run in `dir`.
std::string shell(const fs::path& dir, const std::string& command) {
    return std::system(("cd " + dir.string() + " && " + command + " > said 2>&1").c_str()) == 0
               ? readFile(dir / "said")
               : "";
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// True as soon as `done` holds; false when it still does not after `milliseconds`.
bool waitFor(const std::function<bool()>& done, int milliseconds) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= milliseconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// True once `pid` has ended and is reaped (by us into `status`, or by its parent) within
// `milliseconds`; false when it had to be killed.
bool ended(pid_t pid, int milliseconds, int* status = nullptr) {
    int ignored = 0;
    const auto reaped = [&] { return waitpid(pid, status ? status : &ignored, WNOHANG) == pid; };
    if (waitFor([&] { return reaped() || (kill(pid, 0) < 0 && errno == ESRCH); }, milliseconds))
        return true;
    kill(pid, SIGKILL);
    waitpid(pid, &ignored, 0);
    return false;
}

// A file of /proc/PID.
std::string proc(pid_t pid, const std::string& file) {
    return readFile("/proc/" + std::to_string(pid) + "/" + file);
}

// The soft limit of a line of /proc/PID/limits ("Max file size  67108864  67108864  bytes").
std::string limitOf(pid_t pid, const std::string& name) {
    const std::string limits = proc(pid, "limits");
    const size_t at = limits.find(name);
    std::string soft;
    if (at != std::string::npos)
        std::istringstream(limits.substr(at + name.size())) >> soft;
    return soft;
}

// The black pixels' box (left, top, right, bottom) of a PBM page; the page's size in `size`.
std::array<int, 4> blackBox(const std::string& pbm, std::array<int, 2>& size) {
    std::istringstream in(pbm);
    std::string magic;
    in >> magic >> size[0] >> size[1];
    const size_t start = size_t(in.tellg()) + 1, rowBytes = size_t(size[0] + 7) / 8;
    std::array<int, 4> box{size[0], size[1], -1, -1};
    for (int y = 0; y < size[1] && start + rowBytes * size_t(y + 1) <= pbm.size(); ++y)
        for (int x = 0; x < size[0]; ++x)
            if (pbm[start + rowBytes * size_t(y) + size_t(x / 8)] & (0x80 >> (x % 8)))
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    return box;
}

class FaxFilter : public ::testing::Test {
protected:
    static void SetUpTestSuite() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
    void SetUp() override {
        char name[] = "/tmp/fax-filter-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(name));
        dir = name;
    }
    void TearDown() override {
        // The filter's own files are gone with it; nothing it started is left.
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_NE(entry.path().filename().string().rfind("directfax-", 0), 0u) << entry.path();
        std::istringstream left(proc(getpid(), "task/" + std::to_string(getpid()) + "/children"));
        for (pid_t child = 0; left >> child;) {
            ADD_FAILURE() << "left running: " << proc(child, "comm");
            ended(child, 0);
        }
        fs::remove_all(dir);
    }

    // Starts the filter as CUPS would on `document`, with a good fax record and `quality`.
    pid_t start(const fs::path& document, const std::string& quality = "Fine",
                const std::vector<std::string>& environment = {}, bool onStandardInput = false) {
        const std::string p = "com.velmora.cps.print.printsettings.", path = getenv("PATH");
        // As the scheduler writes them: an empty value is nothing after the "=".
        const std::string options = p + "DFaxPassword= " + p + "DFaxDelayedPrint=0 " + p +
                                    "DFaxDelayedTime=07:00 " + p + "DFaxDestinationNumber=1 " + p +
                                    "DFaxDestinationName1=Zoe " + p +
                                    "DFaxDestinationPhoneNumber1=#* VMFaxImageQuality=" + quality;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(open(onStandardInput ? document.c_str() : "/dev/null", O_RDONLY), 0);
            dup2(open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            dup2(open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            clearenv();
            setenv("PPD", DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd", 1);
            setenv("TMPDIR", dir.c_str(), 1);
            setenv("PATH", path.c_str(), 1);
            for (const std::string& variable : environment)
                putenv(const_cast<char*>(variable.c_str()));
            const char* filter = DIRECTFAX_BINARY_DIR "/tools/fax-filter/directfax-fax-filter";
            execl(filter, filter, "7", "anna", "fax test", "1", options.c_str(),
                  onStandardInput ? nullptr : document.c_str(), nullptr);
            _exit(127);
        }
        return pid;
    }

    // Runs the filter to its end: its exit status (-1 if it did not end within 60 s).
    int run(const fs::path& document, const std::string& quality = "Fine",
            const std::vector<std::string>& environment = {}, bool onStandardInput = false) {
        int status = 0;
        if (!ended(start(document, quality, environment, onStandardInput), 60000, &status))
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir;
};

} // namespace

// The filter starts once per job: it loads neither a Qt library nor libcups (with the libraries
// libcups needs, that was two thirds of its start).
TEST(FaxFilterProgram, LoadsNeitherQtNorLibcups) {
    const std::string command =
        "LD_TRACE_LOADED_OBJECTS=1 " DIRECTFAX_BINARY_DIR "/tools/fax-filter/directfax-fax-filter";
    FILE* loader = popen(command.c_str(), "r");
    ASSERT_TRUE(loader);
    std::string libraries;
    std::array<char, 4096> chunk{};
    for (size_t n; (n = fread(chunk.data(), 1, chunk.size(), loader)) > 0;)
        libraries.append(chunk.data(), n);
    EXPECT_EQ(pclose(loader), 0);
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libcups"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libQt"), std::string::npos) << libraries;
}

// The scheduler shows "Filter failed" instead of the reason when it sees the filter end before
// it has read the reason: the filter ends only once its error line has been read.
TEST(FaxFilterProgram, EndsOnlyOnceTheSchedulerHasReadItsError) {
    int status[2];
    ASSERT_EQ(pipe(status), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(status[1], 2);
        const char* filter = DIRECTFAX_BINARY_DIR "/tools/fax-filter/directfax-fax-filter";
        execl(filter, filter, "7", "anna", "fax test", "1", "", "/dev/null", nullptr);
        _exit(127);
    }
    close(status[1]);
    pollfd readable{status[0], POLLIN, 0};
    ASSERT_EQ(poll(&readable, 1, 10000), 1);
    // Still there a good while after its line (it waits up to a second for it to be read).
    int early = 0;
    EXPECT_FALSE(waitFor([&] { return waitpid(pid, &early, WNOHANG) == pid; }, 300))
        << "ended with its error line unread";
    std::array<char, 512> line{};
    const ssize_t n = read(status[0], line.data(), line.size());
    EXPECT_EQ(std::string(line.data(), size_t(std::max<ssize_t>(n, 0))),
              "ERROR: The job carries no fax destinations. Send it again from the fax dialog.\n");
    int ending = 0;
    ASSERT_TRUE(ended(pid, 10000, &ending));
    EXPECT_TRUE(WIFEXITED(ending) && WEXITSTATUS(ending) == 1);
    close(status[0]);
}

TEST_F(FaxFilter, WritesFaxPagesOfTheImageQuality) {
    struct Row {
        const char* document;
        const char* quality;
        int lines, length, pages;
    } const rows[] = {{"a4-filled.pdf", "Standard", 98, 1146, 2},
                      {"letter-filled.ps", "Fine", 196, 2292, 1},
                      {"a4-filled.pdf", "Photo", 196, 2292, 2},
                      {"letter-filled.ps", "SuperFine", 391, 4572, 1},
                      {"huge-pages.pdf", "Fine", 196, 2292, 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.document) + " " + row.quality);
        ASSERT_EQ(run(kDocuments / row.document, row.quality, {}, row.pages == 1), 0)
            << readFile(dir / "err");
        std::string why;
        const std::string stream = readFile(dir / "out");
        const auto job = decode(stream, why);
        ASSERT_TRUE(job) << why;
        const std::string lines = std::to_string(row.lines), length = std::to_string(row.length);
        EXPECT_NE(job->record.find("\"resolution\": \"204x" + lines + "\""), std::string::npos)
            << job->record;
        std::ofstream(dir / "pages.tiff", std::ios::binary) << job->pages;

        // libtiff: one directory per page, each with the fields of a fax page.
        const std::string dump = shell(dir, "tiffdump pages.tiff");
        EXPECT_EQ(occurrences(dump, "Directory "), row.pages) << dump;
        for (const std::string& field : std::vector<std::string>{
                 "SubFileType (254) LONG (4) 1<2>", "ImageWidth (256) SHORT (3) 1<1728>",
                 "ImageLength (257) SHORT (3) 1<" + length + ">", "Compression (259) SHORT (3) 1<3>",
                 "FillOrder (266) SHORT (3) 1<2>", "XResolution (282) RATIONAL (5) 1<204>",
                 "YResolution (283) RATIONAL (5) 1<" + lines + ">", "Group3Options (292) LONG (4) 1<4>",
                 "ResolutionUnit (296) SHORT (3) 1<2>"})
            EXPECT_EQ(occurrences(dump, field), row.pages) << field << "\n" << dump;

        // efax reads every page back; the document's page, black all over, lies centred on it.
        const std::string read = shell(dir, "efix -v ewif -i tiffg3 -o pbm -n page%d pages.tiff");
        for (int page = 1; page <= row.pages; ++page) {
            std::array<int, 2> size{};
            const auto box = blackBox(readFile(dir / ("page" + std::to_string(page))), size);
            EXPECT_EQ(size, (std::array<int, 2>{1728, row.length})) << read;
            EXPECT_NEAR(box[0], size[0] - 1 - box[2], 1);
            EXPECT_NEAR(box[1], size[1] - 1 - box[3], 1);
            EXPECT_GT(box[2] - box[0], 1680) << "the page is fitted across, not cut";
        }
    }
}

TEST_F(FaxFilter, RefusesWhatGivesNoFaxWithTheReasonAndHoldsItsLimitsOnTheirEdges) {
    std::ofstream(dir / "empty.pdf").flush();
    ASSERT_EQ(run(kDocuments / "three-pages.pdf"), 0);
    std::string why;
    const auto pagesBytes = decode(readFile(dir / "out"), why)->pages.size();
    const auto documentBytes = fs::file_size(kDocuments / "three-pages.pdf");
    const std::string pageLimit = "DIRECTFAX_FAX_PAGE_SECONDS=1";
    struct Row {
        fs::path document;
        std::vector<std::string> environment;
        std::string refusal; // "": sent
        bool onStandardInput = false;
    } const rows[] = {
        {dir / "empty.pdf", {}, "The document is empty: it has no page to send.", true},
        {"no-pages.pdf", {}, "The document has no page to send."},
        {"no-page.ps", {}, "The document has no page to send."},
        {"garbage.pdf", {}, "The document is not a readable PDF: it is damaged or incomplete."},
        {"truncated.pdf", {}, "The document is not a readable PDF: only 2 of its 3 pages can be read."},
        {"encrypted.pdf", {}, "The document is not a readable PDF: it is protected by a password."},
        {"error.ps", {}, "The document is not a readable PostScript file: it stops with an error."},
        {"huge-300-pages.pdf", {}, "The document has more than 200 pages; a fax takes at most 200."},
        {"three-pages.pdf", {"DIRECTFAX_FAX_MAX_PAGES=3"}, ""},
        {"four-pages.pdf", {"DIRECTFAX_FAX_MAX_PAGES=3"}, "more than 3 pages; a fax takes at most 3."},
        {"three-pages.pdf", {"DIRECTFAX_FAX_MAX_BYTES=" + std::to_string(pagesBytes)}, ""},
        {"three-pages.pdf",
         {"DIRECTFAX_FAX_MAX_BYTES=" + std::to_string(pagesBytes - 1)},
         "The fax pages are larger than the printer takes (at most " + std::to_string(pagesBytes - 1) +
             " bytes)."},
        {"three-pages.pdf", {"DIRECTFAX_FAX_MAX_DOCUMENT_BYTES=" + std::to_string(documentBytes)}, "", true},
        {"three-pages.pdf",
         {"DIRECTFAX_FAX_MAX_DOCUMENT_BYTES=" + std::to_string(documentBytes - 1)},
         "larger than a fax job may be (at most " + std::to_string(documentBytes - 1) + " bytes).",
         true},
        {"endless.ps", {pageLimit}, "too long to render: page 1 did not finish within 1 second."},
        // 300 ms a page: the page's time starts again with each page, the job's does not.
        {"slow-pages.ps",
         {pageLimit, "DIRECTFAX_FAX_JOB_SECONDS=3"},
         "its pages were not done within 3 seconds."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.document.string() + " " + (row.environment.empty() ? "" : row.environment[0]));
        EXPECT_EQ(run(kDocuments / row.document, "Fine", row.environment, row.onStandardInput),
                  row.refusal.empty() ? 0 : 1);
        const std::string said = readFile(dir / "err");
        const size_t error = said.find("ERROR: ");
        EXPECT_EQ(error == std::string::npos, row.refusal.empty()) << said;
        EXPECT_TRUE(row.refusal.empty() || said.find(row.refusal + "\n", error) != std::string::npos) << said;
        EXPECT_EQ(readFile(dir / "out").empty(), !row.refusal.empty());
    }
}

TEST_F(FaxFilter, GhostscriptRunsUnderLimitsAndEndsWithTheFilter) {
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        const pid_t filter = start(kDocuments / "endless.ps");
        const std::string children = "task/" + std::to_string(filter) + "/children";
        pid_t gs = 0;
        const auto running = [&] {
            return std::istringstream(proc(filter, children)) >> gs && proc(gs, "comm") == "gs\n";
        };
        ASSERT_TRUE(waitFor(running, 10000));
        EXPECT_EQ(getpgid(gs), gs);
        EXPECT_EQ(limitOf(gs, "Max address space"), "536870912");
        EXPECT_EQ(limitOf(gs, "Max file size"), "67108864");
        EXPECT_EQ(limitOf(gs, "Max cpu time"), "301");
        EXPECT_EQ(limitOf(gs, "Max core file size"), "0");

        kill(filter, signal);
        int status = 0;
        ASSERT_TRUE(ended(filter, 10000, &status));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(ended(gs, 10000)) << "ghostscript outlived the filter";
        if (signal == SIGKILL) // nobody removes the files of a killed filter
            for (const auto& entry : fs::directory_iterator(dir))
                fs::remove(entry.path());
    }
}
