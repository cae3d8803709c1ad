// The byte stream a fax job travels in from the fax filter to the printer's raw print port:
//
//     DIRECTFAX-FAX-JOB 1\n
//     record LENGTH\n      followed by LENGTH bytes: the fax record as JSON
//     pages LENGTH\n       followed by LENGTH bytes: the pages as one TIFF (G3 fax coding)
//
// Lengths are decimal. The printer reads the stream to its end (the sender shuts down its side of
// the connection) and takes nothing else. It then answers one line:
//
//     OK NAME\n            the job is filed (as NAME)
//     ERROR MESSAGE\n      it is not, for the reason MESSAGE
//
// A sender that gets no answer must take the job as lost.
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

inline constexpr std::string_view kMagic = "DIRECTFAX-FAX-JOB 1\n";
inline constexpr size_t kMaxRecord = 64 * 1024;
inline constexpr size_t kMaxPages = 64 * 1024 * 1024;
// Longest stream a printer takes: both parts at their limits and their header lines.
inline constexpr size_t kMaxStream = kMagic.size() + kMaxRecord + kMaxPages + 64;

inline constexpr std::string_view kFiledReply = "OK ";
inline constexpr std::string_view kRefusedReply = "ERROR ";
// Longest answer line a sender reads.
inline constexpr size_t kMaxReply = 1024;

inline std::string encodeHeader(const std::string& record, size_t pagesLength) {
    std::string header(kMagic);
    header += "record " + std::to_string(record.size()) + "\n" + record;
    header += "pages " + std::to_string(pagesLength) + "\n";
    return header;
}

struct FaxJob {
    std::string_view record;
    std::string_view pages;
};

namespace detail {

// Reads "NAME LENGTH\n" and the LENGTH bytes after it from `stream` at `at`.
inline std::optional<std::string_view> readPart(std::string_view stream, size_t& at, std::string_view name,
                                                size_t limit) {
    const std::string_view rest = stream.substr(at);
    if (!rest.starts_with(name) || rest.size() <= name.size() || rest[name.size()] != ' ')
        return std::nullopt;
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos || end > name.size() + 12)
        return std::nullopt;
    size_t length = 0;
    const char* first = rest.data() + name.size() + 1;
    const auto [ptr, ec] = std::from_chars(first, rest.data() + end, length);
    if (ec != std::errc() || ptr != rest.data() + end || length > limit || rest.size() - end - 1 < length)
        return std::nullopt;
    at += end + 1 + length;
    return rest.substr(end + 1, length);
}

} // namespace detail

// Splits a whole stream; nullopt (with `error` set) when it is not one fax job within the limits.
inline std::optional<FaxJob> decode(std::string_view stream, std::string& error) {
    if (!stream.starts_with(kMagic)) {
        error = "not a fax job";
        return std::nullopt;
    }
    size_t at = kMagic.size();
    const auto record = detail::readPart(stream, at, "record", kMaxRecord);
    if (!record) {
        error = "the fax record is missing, too long or cut short";
        return std::nullopt;
    }
    const auto pages = detail::readPart(stream, at, "pages", kMaxPages);
    if (!pages) {
        error = "the pages are missing, too long or cut short";
        return std::nullopt;
    }
    if (at != stream.size()) {
        error = "unexpected data after the pages";
        return std::nullopt;
    }
    return FaxJob{*record, *pages};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
