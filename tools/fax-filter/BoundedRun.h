// Runs the renderer (ghostscript) as a child the fax filter keeps on a short leash: its own
// process group, killed with the filter (parent-death signal), limits on memory, on the size of
// the files it writes and on CPU time, a time limit per page and one for the whole job, and a
// bound on the number of pages. A page counts as done when the child prints a line that is
// exactly the page token (the caller has it printed at the end of every page).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

struct RenderLimits {
    std::chrono::seconds pageTime{60}; // from the start of a page to its end
    std::chrono::seconds jobTime{300}; // from the start to the end of the child
    int maxPages = 200;
    std::uint64_t maxOutputBytes = 64 * 1024 * 1024; // largest file the child may write
    std::uint64_t memoryBytes = 512 * 1024 * 1024;   // its address space
};

struct RenderRun {
    enum class Ending {
        Exited,         // by itself; exitStatus says how
        PageTimeOut,    // a page took longer than pageTime; killed
        JobTimeOut,     // the child ran longer than jobTime; killed
        TooManyPages,   // more than maxPages pages done; killed
        OutputTooLarge, // it wrote beyond maxOutputBytes
        Killed,         // by another signal
        Cancelled,      // the filter was told to stop (SIGTERM, SIGINT, SIGHUP); killed
        NotStarted,
    };
    Ending ending = Ending::NotStarted;
    int exitStatus = -1;
    int pagesDone = 0;
    int cancelSignal = 0; // the signal that stopped the filter (Cancelled)
    std::string messages; // what the child printed besides the page tokens (bounded)
};

// Runs `argv` (argv[0] looked up in PATH) with standard input from /dev/null and its output
// read line by line: page tokens count pages, other lines are kept in `messages` and passed on
// to standard error as "DEBUG:" lines for the CUPS log (both bounded). Returns when the child
// has ended and been reaped, with its process group killed.
RenderRun runBounded(const std::vector<std::string>& argv, const RenderLimits& limits,
                     const std::string& pageToken);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
