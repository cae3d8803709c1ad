// Command line of the device emulator.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

// How the emulator spoils its replies, for testing the framework's defences.
enum class Garbage {
    None,
    Malformed,        // a reply body that is not the JSON it should be
    Oversized,        // a body announced and sent larger than any client takes
    OversizedChunked, // the same without a length, in chunks
    Truncated,        // a body that breaks off before its announced length
    Trickle,          // a body sent a byte at a time, slower than any client waits
};

struct EmulatorOptions {
    std::string bookPath; // SQLite address-book file or JSON book (resolved); empty: an empty book
    std::string password;
    std::string host = "127.0.0.1";
    int port = 0; // 0: any free port
    bool notReady = false;
    bool writeBook = false;             // a write also replaces the JSON book file of bookPath
    std::chrono::milliseconds delay{0}; // before every reply
    // For tests of a write cut short: the pause halfway through writing the book's file.
    std::chrono::milliseconds writePause{0};
    Garbage garbage = Garbage::None;
    std::string printSocket; // Unix socket taking fax jobs; empty: none
    std::string outboxPath;  // where received fax jobs are filed (with the print socket)
};

// Parses the arguments after the program name; answers nothing and sets `error` when they are
// not understood.
std::optional<EmulatorOptions> parseEmulatorOptions(const std::vector<std::string>& args, std::string& error);

// The file that a --book argument names: a name without "/" is an address book of the folder.
std::string resolveBook(const std::string& book);

extern const char* const kEmulatorUsage;

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
