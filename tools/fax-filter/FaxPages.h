// The fax pages as a fax machine sends them (ITU-T T.4), and how the filter has ghostscript
// render them: the page format of an image quality, the filter's limits, ghostscript's
// arguments, the pages of the TIFF it wrote, and the reason in words when a document gives
// no pages a printer may send.
#pragma once

#include "BoundedRun.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

// A fax line is 1728 pels at 204 per inch across (A4 and Letter alike); pages are A4 long.
struct FaxPageFormat {
    int xDpi = 204;
    int yDpi = 196; // lines per inch: 98 Standard, 196 Fine and Photo, 391 SuperFine
    int width = 1728;
    int length = 2292; // 297 mm at yDpi
    std::string resolution() const { return std::to_string(xDpi) + "x" + std::to_string(yDpi); }
};

// The format of a VMFaxImageQuality choice; a photo goes at fine resolution, dithered by the
// device; an unknown choice gets the PPD's default, Fine.
FaxPageFormat faxPageFormat(std::string_view quality);

// Longest document the filter takes (bytes).
inline constexpr std::uint64_t kMaxDocumentBytes = 256 * 1024 * 1024;

struct FilterLimits {
    RenderLimits render;
    std::uint64_t maxDocumentBytes = kMaxDocumentBytes;
};

// The defaults, each lowered (never raised) by its variable in `environment` when that holds a
// positive decimal number; `environment` is getenv or a stand-in for it.
FilterLimits filterLimits(const char* (*environment)(const char*));

enum class DocumentKind { Pdf, PostScript };
// What ghostscript will take the document for, from its first bytes.
DocumentKind documentKind(std::string_view head);

// ghostscript's command line: the fax device at `format`, every page fitted to it, and the
// page token printed at the end of every page.
std::vector<std::string> ghostscriptArguments(const FaxPageFormat& format, const std::string& input,
                                              const std::string& output, const std::string& pageToken);

// The number of pages (image directories) of the TIFF in `fd`, counting no further than
// `atMost`; nullopt when it is not a TIFF whose directories lie inside its `size` bytes.
std::optional<int> tiffPageCount(int fd, std::uint64_t size, int atMost);

// Why a document of `bytes` bytes (-1: unreadable) cannot be rendered at all; nullopt when it
// can be tried.
std::optional<std::string> documentFault(long long bytes, const FilterLimits& limits);

// Why the rendering gives no fax job, in words for the job's state message; nullopt when
// its `pages` pages (of `bytes` bytes) go to the printer.
std::optional<std::string> renderFault(const RenderRun& run, DocumentKind kind, const FilterLimits& limits,
                                       std::optional<int> pages, std::uint64_t bytes);

// A token no document can know, which ghostscript prints at the end of every page; empty when
// the system has no randomness to give.
std::string pageToken();

// The pages of a rendering: how ghostscript ran, the pages it wrote into the file and their size.
struct RenderedPages {
    RenderRun run;
    std::optional<int> pages;
    std::uint64_t bytes = 0;
    std::optional<std::string> fault; // why there is no fax job, in words; nullopt: the pages go
};

// Renders the document `input` (whose first bytes are `head`) at `format` into the file
// `pagesPath`, open as `pagesFd`, under `limits`. A cancelled run has no fault: the caller stops.
RenderedPages renderFaxPages(const FaxPageFormat& format, const std::string& input, std::string_view head,
                             const FilterLimits& limits, const std::string& pagesPath, int pagesFd);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
