// directfax-fax-filter: the CUPS filter of the DirectFax fax queue, standing in for the fax
// printer's driver. Arguments as CUPS gives them: job-id user title copies options [file].
//
// It reads the fax record from the job's options and checks it before anything is sent; a
// missing or damaged record fails the job with one "ERROR:" line that CUPS shows as the
// printer's state message. A good job is rendered as a fax machine sends it (TIFF G3 at the
// resolution of the VMFaxImageQuality choice, by ghostscript's tiffg3 device) and written to
// standard output as one fax job stream (FaxJobStream.h) for the backend to hand to the printer.
#include "FaxJobStream.h"
#include "FaxRecord.h"
#include "JobOptions.h"
#include "PpdFeature.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob;

namespace {

// The fax options of the printer that travel with the pages.
constexpr const char* kFaxOptions[] = {"VMFaxImageQuality", "VMFaxTransmissionReport", "VMFaxCoverPageMode",
                                       "VMFaxSenderMode"};

int fail(const std::string& message) {
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
    return 1;
}

// ghostscript's resolution for an image-quality choice: standard, fine and super-fine fax lines;
// a photo goes at fine resolution, dithered by the device.
const char* resolutionFor(const std::string& quality) {
    if (quality == "Standard")
        return "200x100";
    if (quality == "SuperFine")
        return "200x400";
    return "200x200";
}

struct TempFile {
    std::string path;
    explicit TempFile(const char* stem) {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/" + stem + "-XXXXXX";
        const int fd = mkstemp(path.data());
        if (fd < 0)
            path.clear();
        else
            close(fd);
    }
    ~TempFile() {
        if (!path.empty())
            unlink(path.c_str());
    }
};

bool copyStream(std::FILE* from, std::FILE* to) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
        if (std::fwrite(buffer, 1, n, to) != n)
            return false;
    }
    return !std::ferror(from);
}

// Runs ghostscript on `input`; its messages go to our standard error, which CUPS logs.
bool renderFax(const std::string& input, const std::string& output, const char* resolution) {
    std::string program = "gs";
    std::vector<std::string> args{program,
                                  "-q",
                                  "-dSAFER",
                                  "-dBATCH",
                                  "-dNOPAUSE",
                                  "-sDEVICE=tiffg3",
                                  std::string("-r") + resolution,
                                  "-sOutputFile=" + output,
                                  "--",
                                  input};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // ghostscript must not write into the job's output.
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "gs", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6 || argc > 7) {
        std::fputs("usage: directfax-fax-filter job-id user title copies options [file]\n", stderr);
        return 1;
    }
    cups_option_t* options = nullptr;
    const int numOptions = parseJobOptions(argv[5], 0, &options);

    ppd_file_t* ppd = nullptr;
    if (const char* ppdPath = std::getenv("PPD"))
        ppd = ppdOpenFile(ppdPath);
    if (ppd) {
        ppdMarkDefaults(ppd);
        cupsMarkOptions(ppd, numOptions, options);
    }

    std::string error;
    const auto record = readFaxRecord(numOptions, options, GetEncodingInfoFromPPD(ppd), error);
    if (!record)
        return fail(error);

    nlohmann::ordered_json json;
    json["job"] = std::atoi(argv[1]);
    json["user"] = argv[2];
    json["title"] = argv[3];
    for (const char* keyword : kFaxOptions) {
        ppd_choice_t* choice = ppd ? ppdFindMarkedChoice(ppd, keyword) : nullptr;
        const char* given = cupsGetOption(keyword, numOptions, options);
        json[keyword] = choice ? choice->choice : given ? given : "";
    }
    const std::string quality = json["VMFaxImageQuality"].get<std::string>();
    const char* resolution = resolutionFor(quality);
    json["resolution"] = resolution;
    const char* sender =
        cupsGetOption((std::string(kRecordPrefix) + "DFaxCoverSenderName").c_str(), numOptions, options);
    json["senderName"] = sender ? sender : "";
    json["password"] = record->password;
    json["delayedPrint"] = record->delayedPrint;
    json["delayedTime"] = record->delayedTime;
    json["destinations"] = nlohmann::json::array();
    for (const FaxDestination& destination : record->destinations)
        json["destinations"].push_back(
            {{"name", destination.name}, {"phoneNumber", destination.phoneNumber}});
    // Names come from the job's options and need not be UTF-8: keep their bytes readable.
    const std::string recordText = json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    if (ppd)
        ppdClose(ppd);
    cupsFreeOptions(numOptions, options);

    // ghostscript needs a file it can seek in: the job's file, or standard input copied.
    TempFile copied("directfax-in");
    std::string input = argc == 7 ? argv[6] : std::string();
    if (input.empty()) {
        std::FILE* to = copied.path.empty() ? nullptr : std::fopen(copied.path.c_str(), "wb");
        const bool ok = to && copyStream(stdin, to);
        if (to)
            std::fclose(to);
        if (!ok)
            return fail("The fax job's document could not be read.");
        input = copied.path;
    }
    TempFile pages("directfax-fax");
    std::fprintf(stderr, "INFO: Rendering the fax pages at %s dpi\n", resolution);
    if (pages.path.empty() || !renderFax(input, pages.path, resolution))
        return fail("The fax pages could not be rendered from the document.");

    std::ifstream in(pages.path, std::ios::binary);
    const std::string tiff((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (tiff.empty() || tiff.size() > kMaxPages)
        return fail("The fax pages are empty or larger than the printer takes.");
    const std::string header = encodeHeader(recordText, tiff.size());
    if (std::fwrite(header.data(), 1, header.size(), stdout) != header.size() ||
        std::fwrite(tiff.data(), 1, tiff.size(), stdout) != tiff.size() || std::fflush(stdout) != 0)
        return fail("The fax job could not be handed to the printer.");
    std::fprintf(stderr, "INFO: Fax job for %zu destination(s) sent to the printer\n",
                 record->destinations.size());
    return 0;
}
