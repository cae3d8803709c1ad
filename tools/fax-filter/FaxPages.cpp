#include "FaxPages.h"

#include "FaxJobStream.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

std::uint64_t lowered(const char* (*environment)(const char*), const char* name, std::uint64_t value) {
    const char* text = environment(name);
    if (!text)
        return value;
    const char* end = text + std::strlen(text);
    std::uint64_t given = 0;
    const auto [ptr, ec] = std::from_chars(text, end, given);
    if (ec != std::errc() || ptr != end || given == 0)
        return value;
    return std::min(value, given);
}

std::string count(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string seconds(std::chrono::seconds time) {
    return count(std::uint64_t(time.count()), "second", "seconds");
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes >= kMegabyte && bytes % kMegabyte == 0)
        return std::to_string(bytes / kMegabyte) + " MB";
    return count(bytes, "byte", "bytes");
}

std::string tooManyPages(int maxPages) {
    return "The document has more than " + count(std::uint64_t(maxPages), "page", "pages") +
           "; a fax takes at most " + std::to_string(maxPages) + ".";
}

std::string tooLarge(std::uint64_t maxBytes) {
    return "The fax pages are larger than the printer takes (at most " + sizeText(maxBytes) + ").";
}

// The page count a PDF announces before its pages ("Processing pages 1 through N.").
std::optional<int> announcedPages(std::string_view said) {
    constexpr std::string_view kAnnouncement = "Processing pages 1 through ";
    const size_t at = said.find(kAnnouncement);
    if (at == std::string_view::npos)
        return std::nullopt;
    const char* first = said.data() + at + kAnnouncement.size();
    int pages = 0;
    const auto [ptr, ec] = std::from_chars(first, said.data() + said.size(), pages);
    return ec == std::errc() ? std::optional(pages) : std::nullopt;
}

std::optional<std::string> pdfFault(const RenderRun& run, std::string_view said, int pages) {
    const std::string unreadable = "The document is not a readable PDF: ";
    if (said.find("requires a password") != std::string_view::npos)
        return unreadable + "it is protected by a password.";
    if (said.find("has no pages") != std::string_view::npos)
        return "The document has no page to send.";
    const std::optional<int> announced = announcedPages(said);
    if (announced && pages < *announced) {
        const std::string all = count(std::uint64_t(*announced), "page", "pages");
        return unreadable +
               (pages == 0 ? "none of its " + all : "only " + std::to_string(pages) + " of its " + all) +
               " can be read.";
    }
    if (!announced || run.exitStatus != 0 || pages == 0)
        return unreadable + "it is damaged or incomplete.";
    return std::nullopt;
}

} // namespace

FaxPageFormat faxPageFormat(std::string_view quality) {
    FaxPageFormat format;
    format.yDpi = quality == "Standard" ? 98 : quality == "SuperFine" ? 391 : 196;
    format.length = (297 * format.yDpi * 10 + 127) / 254; // 297 mm in whole lines
    return format;
}

FilterLimits filterLimits(const char* (*environment)(const char*)) {
    FilterLimits limits;
    RenderLimits& render = limits.render;
    render.maxOutputBytes = kMaxPages;
    render.pageTime = std::chrono::seconds(
        lowered(environment, "DIRECTFAX_FAX_PAGE_SECONDS", std::uint64_t(render.pageTime.count())));
    render.jobTime = std::chrono::seconds(
        lowered(environment, "DIRECTFAX_FAX_JOB_SECONDS", std::uint64_t(render.jobTime.count())));
    render.maxPages = int(lowered(environment, "DIRECTFAX_FAX_MAX_PAGES", std::uint64_t(render.maxPages)));
    render.maxOutputBytes = lowered(environment, "DIRECTFAX_FAX_MAX_BYTES", render.maxOutputBytes);
    limits.maxDocumentBytes =
        lowered(environment, "DIRECTFAX_FAX_MAX_DOCUMENT_BYTES", limits.maxDocumentBytes);
    return limits;
}

DocumentKind documentKind(std::string_view head) {
    return head.substr(0, 1024).find("%PDF-") != std::string_view::npos ? DocumentKind::Pdf
                                                                        : DocumentKind::PostScript;
}

std::vector<std::string> ghostscriptArguments(const FaxPageFormat& format, const std::string& input,
                                              const std::string& output, const std::string& pageToken) {
    // "%" in the output name would stand for the page number.
    std::string outputName;
    for (char c : output)
        outputName += c == '%' ? std::string("%%") : std::string(1, c);
    return {
        "gs",
        "-dSAFER",
        "-dBATCH",
        "-dNOPAUSE",
        "-sDEVICE=tiffg3",
        "-r" + format.resolution(),
        "-g" + std::to_string(format.width) + "x" + std::to_string(format.length),
        // Bits in the order a fax modem sends them, as fax TIFFs keep them.
        "-dFillOrder=2",
        // Every page scaled (and turned when that fits better) onto the fax page, centred, at
        // the fax resolution: no document asks for other sizes or resolutions.
        "-dFIXEDMEDIA",
        "-dFIXEDRESOLUTION",
        "-dFitPage",
        // Images are not smoothed: it costs time and is lost on a 1-bit page. (A fax page's
        // bitmap, 1 MB at most, stays below ghostscript's MaxBitmap, so pages are drawn in memory,
        // not banded through temporary files.)
        "-dNOINTERPOLATE",
        "-sOutputFile=" + outputName,
        "-c",
        "<< /EndPage { exch pop dup 2 ne { (\\n" + pageToken +
            "\\n) print flush } if 2 ne } bind >> setpagedevice",
        "-f",
        input,
    };
}

std::optional<int> tiffPageCount(int fd, std::uint64_t size, int atMost) {
    unsigned char header[8];
    if (size < sizeof header || pread(fd, header, sizeof header, 0) != ssize_t(sizeof header))
        return std::nullopt;
    const bool little = std::memcmp(header, "II*\0", 4) == 0;
    if (!little && std::memcmp(header, "MM\0*", 4) != 0)
        return std::nullopt;
    const auto number = [little](const unsigned char* bytes, int length) {
        std::uint64_t value = 0;
        for (int i = 0; i < length; ++i)
            value |= std::uint64_t(bytes[little ? i : length - 1 - i]) << (8 * i);
        return value;
    };
    std::uint64_t offset = number(header + 4, 4);
    int pages = 0;
    for (; offset != 0 && pages < atMost; ++pages) {
        unsigned char entries[2];
        unsigned char link[4];
        if (offset + 2 > size || pread(fd, entries, 2, off_t(offset)) != 2)
            return std::nullopt;
        const std::uint64_t linkAt = offset + 2 + 12 * number(entries, 2);
        if (linkAt + 4 > size || pread(fd, link, 4, off_t(linkAt)) != 4)
            return std::nullopt;
        offset = number(link, 4);
    }
    return pages;
}

std::optional<std::string> documentFault(long long bytes, const FilterLimits& limits) {
    if (bytes < 0)
        return "The fax job's document could not be read.";
    if (bytes == 0)
        return "The document is empty: it has no page to send.";
    if (std::uint64_t(bytes) > limits.maxDocumentBytes)
        return "The document is larger than a fax job may be (at most " + sizeText(limits.maxDocumentBytes) +
               ").";
    return std::nullopt;
}

std::optional<std::string> renderFault(const RenderRun& run, DocumentKind kind, const FilterLimits& limits,
                                       std::optional<int> pages, std::uint64_t bytes) {
    const RenderLimits& render = limits.render;
    switch (run.ending) {
    case RenderRun::Ending::PageTimeOut:
        return "The document took too long to render: page " + std::to_string(run.pagesDone + 1) +
               " did not finish within " + seconds(render.pageTime) + ".";
    case RenderRun::Ending::JobTimeOut:
        return "The document took too long to render: its pages were not done within " +
               seconds(render.jobTime) + ".";
    case RenderRun::Ending::TooManyPages:
        return tooManyPages(render.maxPages);
    case RenderRun::Ending::OutputTooLarge:
        return tooLarge(render.maxOutputBytes);
    case RenderRun::Ending::NotStarted:
        return "The fax pages could not be rendered: ghostscript, which renders them, could not be started.";
    case RenderRun::Ending::Killed:
    case RenderRun::Ending::Cancelled:
        return "The fax pages could not be rendered: ghostscript stopped before the end.";
    case RenderRun::Ending::Exited:
        break;
    }
    if (bytes > render.maxOutputBytes)
        return tooLarge(render.maxOutputBytes);
    if (pages && *pages > render.maxPages)
        return tooManyPages(render.maxPages);
    const std::string_view said = run.messages;
    if (said.find("VMerror") != std::string_view::npos)
        return "The document needs more memory to render than a fax job may use.";
    if (bytes > 0 && !pages)
        return "The fax pages could not be rendered: ghostscript wrote no readable pages.";
    if (kind == DocumentKind::Pdf)
        return pdfFault(run, said, pages.value_or(0));
    if (run.exitStatus != 0)
        return "The document is not a readable PostScript file: it stops with an error.";
    if (pages.value_or(0) == 0)
        return "The document has no page to send.";
    return std::nullopt;
}

std::string pageToken() {
    unsigned char bytes[12] = {};
    if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
        return {};
    std::string token = "DIRECTFAX-PAGE-";
    for (unsigned char b : bytes) {
        token += "0123456789ABCDEF"[b >> 4];
        token += "0123456789ABCDEF"[b & 15];
    }
    return token;
}

RenderedPages renderFaxPages(const FaxPageFormat& format, const std::string& input, std::string_view head,
                             const FilterLimits& limits, const std::string& pagesPath, int pagesFd) {
    RenderedPages rendered;
    const std::string token = pageToken();
    if (token.empty()) {
        rendered.fault = "The fax pages could not be rendered: there is no room for them on this computer.";
        return rendered;
    }
    rendered.run = runBounded(ghostscriptArguments(format, input, pagesPath, token), limits.render, token);
    if (rendered.run.ending == RenderRun::Ending::Cancelled)
        return rendered;
    struct stat info = {};
    rendered.bytes = fstat(pagesFd, &info) == 0 ? std::uint64_t(info.st_size) : 0;
    rendered.pages = tiffPageCount(pagesFd, rendered.bytes, limits.render.maxPages + 1);
    rendered.fault = renderFault(rendered.run, documentKind(head), limits, rendered.pages, rendered.bytes);
    return rendered;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
