// directfax-fax-filter: the CUPS filter of the DirectFax fax queue, standing in for the fax
// printer's driver. Arguments as CUPS gives them: job-id user title copies options [file].
//
// It reads the fax record from the job's options and checks it before anything is sent; a
// missing or damaged record fails the job with one "ERROR:" line that CUPS shows as the
// printer's state message. A good job is rendered as a fax machine sends it (FaxPages.h: TIFF
// G3 pages 1728 pels wide at 204 dpi across and 98, 196 or 391 lines per inch for the
// VMFaxImageQuality choice, by ghostscript's tiffg3 device) and written to standard output as
// one fax job stream (FaxJobStream.h) for the backend to hand to the printer.
//
// Documents are hostile: ghostscript runs under limits (BoundedRun.h) and dies with the filter,
// also when CUPS stops the filter with SIGTERM. A document that breaks a limit, cannot be read
// or gives no page fails the job with the reason. The limits are these constants; the filter's
// own environment (which CUPS sets for it: a job cannot) may lower, never raise, each of them:
//
//     DIRECTFAX_FAX_PAGE_SECONDS        60   time for one page
//     DIRECTFAX_FAX_JOB_SECONDS        300   time for the whole document
//     DIRECTFAX_FAX_MAX_PAGES          200   pages of a fax job
//     DIRECTFAX_FAX_MAX_BYTES     67108864   size of the rendered pages (the stream's limit)
//     DIRECTFAX_FAX_MAX_DOCUMENT_BYTES  268435456   size of the document
//
// ghostscript's address space is limited to 512 MB and its processor time to the job's time.
#include "BoundedRun.h"
#include "FaxJobStream.h"
#include "FaxPages.h"
#include "FaxRecord.h"
#include "JobOptions.h"
#include "PpdEncodingName.h"
#include "PpdFile.h"
#include "SchedulerMessage.h"
#include "WriteAll.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob;

namespace {

// The fax options of the printer that travel with the pages.
constexpr const char* kFaxOptions[] = {"VMFaxImageQuality", "VMFaxTransmissionReport", "VMFaxCoverPageMode",
                                       "VMFaxSenderMode"};

int fail(const std::string& message) {
    reportErrorToScheduler(message);
    return 1;
}

// A file of our own in TMPDIR (0600), open for reading and writing, removed at the end.
struct TempFile {
    std::string path;
    int fd = -1;
    explicit TempFile(const char* stem) {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/" + stem + "-XXXXXX";
        fd = mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0)
            path.clear();
    }
    ~TempFile() {
        if (fd >= 0)
            close(fd);
        if (!path.empty())
            unlink(path.c_str());
    }
};

// Copies at most `limit` + 1 bytes of `from` (from its current offset) to `to` (or nowhere when
// `to` is -1); the number copied, or -1 on an error.
long long copyBounded(int from, int to, std::uint64_t limit) {
    char buffer[65536];
    std::uint64_t copied = 0;
    while (copied <= limit) {
        const ssize_t n =
            read(from, buffer, size_t(std::min<std::uint64_t>(sizeof buffer, limit + 1 - copied)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (to >= 0 && !writeAll(to, buffer, size_t(n))))
            return -1;
        if (n == 0)
            break;
        copied += std::uint64_t(n);
    }
    return (long long)copied;
}

// The first bytes of the document in `fd`, which tell PDF from PostScript.
void readHead(int fd, std::string& head) {
    head.resize(size_t(std::max<ssize_t>(0, pread(fd, head.data(), head.size(), 0))));
}

const char* fromEnvironment(const char* name) {
    return std::getenv(name);
}

// The signal that stopped the filter while ghostscript ran; it ends the filter once its files are
// removed.
int stoppedBy = 0;

int filter(int argc, char** argv) {
    if (argc < 6 || argc > 7) {
        std::fputs("usage: directfax-fax-filter job-id user title copies options [file]\n", stderr);
        return 1;
    }
    const JobOptionList options = parseJobOptions(argv[5]);
    std::optional<PpdFile> ppd;
    if (const char* ppdPath = std::getenv("PPD"))
        ppd = PpdFile::open(ppdPath);
    const std::string* encodingName = ppd ? ppd->attributeStartingWith("VMPrinterLanguageEncoding") : nullptr;

    std::string error;
    const auto record =
        readFaxRecord(options, EncodingNamedInPPD(encodingName ? encodingName->c_str() : nullptr), error);
    if (!record)
        return fail(error);

    nlohmann::ordered_json json;
    json["job"] = std::atoi(argv[1]);
    json["user"] = argv[2];
    json["title"] = argv[3];
    for (const char* keyword : kFaxOptions) {
        const std::optional<std::string> choice = ppd ? ppd->markedChoice(keyword, options) : std::nullopt;
        const char* given = options.get(keyword);
        json[keyword] = choice ? *choice : given ? given : "";
    }
    const FaxPageFormat format = faxPageFormat(json["VMFaxImageQuality"].get<std::string>());
    json["resolution"] = format.resolution();
    const char* sender = options.get(std::string(kRecordPrefix) + "DFaxCoverSenderName");
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

    const FilterLimits limits = filterLimits(fromEnvironment);
    // ghostscript needs a file it can seek in: the job's file, or standard input copied.
    std::optional<TempFile> copied;
    std::string input;
    std::string head(1024, '\0');
    long long documentBytes = -1;
    if (argc == 7) {
        input = argv[6];
        const int fd = open(input.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            readHead(fd, head);
            // The scheduler's spool file tells its size; anything else is read to the bound.
            struct stat info {};
            documentBytes = fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
                                ? std::min<long long>(info.st_size, (long long)limits.maxDocumentBytes + 1)
                                : copyBounded(fd, -1, limits.maxDocumentBytes);
            close(fd);
        }
    } else if (copied.emplace("directfax-in").fd >= 0) {
        input = copied->path;
        documentBytes = copyBounded(STDIN_FILENO, copied->fd, limits.maxDocumentBytes);
        readHead(copied->fd, head);
    }
    if (const auto fault = documentFault(documentBytes, limits))
        return fail(*fault);

    TempFile pages("directfax-fax");
    if (pages.fd < 0)
        return fail("The fax pages could not be rendered: there is no room for them on this computer.");
    std::fprintf(stderr, "INFO: Rendering the fax pages at %s dpi\n", format.resolution().c_str());
    const RenderedPages rendered = renderFaxPages(format, input, head, limits, pages.path, pages.fd);
    if (rendered.run.ending == RenderRun::Ending::Cancelled) {
        stoppedBy = rendered.run.cancelSignal;
        return 1;
    }
    if (rendered.fault)
        return fail(*rendered.fault);
    const std::uint64_t bytes = rendered.bytes;
    const int pageCount = rendered.pages.value_or(0);

    // The pages go out as ghostscript wrote them, a chunk at a time.
    const std::string header = encodeHeader(recordText, bytes);
    if (std::fflush(stdout) != 0 || !writeAll(STDOUT_FILENO, header.data(), header.size()) ||
        lseek(pages.fd, 0, SEEK_SET) != 0 || copyBounded(pages.fd, STDOUT_FILENO, bytes) != (long long)bytes)
        return fail("The fax job could not be handed to the printer.");
    std::fprintf(stderr, "INFO: Fax job of %d page(s) for %zu destination(s) sent to the printer\n",
                 pageCount, record->destinations.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int status = filter(argc, argv);
    if (stoppedBy != 0) {
        // Ended as the signal would have ended it, now that ghostscript and our files are gone.
        std::signal(stoppedBy, SIG_DFL);
        std::raise(stoppedBy);
    }
    return status;
}
