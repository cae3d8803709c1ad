// Command-line parsing of the device emulator.
#include "EmulatorOptions.h"

#include "AddressBookIf.h"

#include <charconv>
#include <map>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

const char* const kEmulatorUsage =
    "usage: directfax-device-emulator [--book BOOK] [--password TEXT] [--host ADDRESS] [--port N]\n"
    "                                 [--not-ready] [--write-book] [--delay-ms N] [--write-pause-ms N]\n"
    "                                 [--garbage malformed|oversized|oversized-chunked|truncated|\n"
    "                                            trickle]\n"
    "                                 [--print-socket PATH --outbox DIR]\n"
    "       directfax-device-emulator --help | --version\n"
    "BOOK is an address book of the address-book folder when it holds no \"/\" (as with\n"
    "directfax-addressbook), else the path of an address-book file or a JSON address book.\n";

namespace {

bool parseNumber(const std::string& text, long long max, long long& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0 && value <= max;
}

} // namespace

std::string resolveBook(const std::string& book) {
    if (book.find('/') != std::string::npos || book.empty())
        return book;
    // A book name as the address-book tool takes it; a file of that name in the current folder
    // when the address-book folder has none.
    if (const char* folder = AbifGADFile_GetFileDirectory()) {
        std::string inFolder = std::string(folder) + "/" + book;
        if (::access(inFolder.c_str(), F_OK) == 0 || ::access(book.c_str(), F_OK) != 0)
            return inFolder;
    }
    return book;
}

std::optional<EmulatorOptions> parseEmulatorOptions(const std::vector<std::string>& args,
                                                    std::string& error) {
    static const std::map<std::string, Garbage> kGarbage = {{"malformed", Garbage::Malformed},
                                                            {"oversized", Garbage::Oversized},
                                                            {"oversized-chunked", Garbage::OversizedChunked},
                                                            {"truncated", Garbage::Truncated},
                                                            {"trickle", Garbage::Trickle}};
    EmulatorOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--not-ready" || arg == "--write-book") {
            (arg == "--not-ready" ? options.notReady : options.writeBook) = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = arg.starts_with("--") ? "missing value for " + arg : "unknown argument " + arg;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        long long number = 0;
        if (arg == "--book") {
            options.bookPath = resolveBook(value);
        } else if (arg == "--password") {
            options.password = value;
        } else if (arg == "--host") {
            options.host = value;
        } else if (arg == "--port") {
            if (!parseNumber(value, 65535, number)) {
                error = "not a port: " + value;
                return std::nullopt;
            }
            options.port = int(number);
        } else if (arg == "--print-socket") {
            options.printSocket = value;
        } else if (arg == "--outbox") {
            options.outboxPath = value;
        } else if (arg == "--delay-ms") {
            if (!parseNumber(value, 3600 * 1000, number)) {
                error = "not a delay: " + value;
                return std::nullopt;
            }
            options.delay = std::chrono::milliseconds(number);
        } else if (arg == "--write-pause-ms") {
            if (!parseNumber(value, 3600 * 1000, number)) {
                error = "not a pause: " + value;
                return std::nullopt;
            }
            options.writePause = std::chrono::milliseconds(number);
        } else if (arg == "--garbage") {
            auto it = kGarbage.find(value);
            if (it == kGarbage.end()) {
                error = "unknown kind of garbage: " + value;
                return std::nullopt;
            }
            options.garbage = it->second;
        } else {
            error = "unknown argument " + arg;
            return std::nullopt;
        }
    }
    if (options.writeBook && options.bookPath.empty()) {
        error = "--write-book needs a --book";
        return std::nullopt;
    }
    if (options.printSocket.empty() != options.outboxPath.empty()) {
        error = "--print-socket and --outbox go together";
        return std::nullopt;
    }
    return options;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
