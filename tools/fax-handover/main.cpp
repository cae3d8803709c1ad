// directfax-handover: the CUPS backend of the fax printer that every program can print to. It
// hands the printed document (PDF) to the job's owner, and only to them: into the fax inbox of
// the owner's desktop session, where the owner's fax agent opens the fax dialog on it.
//
// Arguments as CUPS gives them: job-id user title copies options [file]; the document on standard
// input when no file is given. Without arguments (device discovery) it names its device.
//
// Run as root (mode 0700, as the package installs it), it takes on the job owner's identity
// before it touches any folder, so that it can reach nothing the owner could not. Run as another
// user, it hands documents to that user only. It waits a bounded time for the owner's session
// and fax agent, and bounds the document's size and the time it takes to arrive
// (HandOverLimits.h); the job fails with the reason as its message otherwise.
#include "HandOverLimits.h"
#include "SchedulerMessage.h"
#include "SessionInbox.h"

#include <cups/backend.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::handover;
using com::velmora::cps::print::pde::tarncrest::directfax::reportErrorToScheduler;

namespace {

constexpr auto kPoll = std::chrono::milliseconds(250);

// Set when the scheduler cancels the job (SIGTERM): what was written goes.
volatile std::sig_atomic_t cancelled = 0;

void onCancel(int) {
    cancelled = 1;
}

// The job fails; the printer stays ready for the next one (the queue's error policy is
// abort-job).
int fail(const std::string& message) {
    reportErrorToScheduler(message);
    return CUPS_BACKEND_FAILED;
}

// Becomes `user` for good; false when that does not work.
bool becomeUser(const passwd& user) {
    if (::geteuid() != 0)
        return ::geteuid() == user.pw_uid;
    return ::initgroups(user.pw_name, user.pw_gid) == 0 &&
           ::setresgid(user.pw_gid, user.pw_gid, user.pw_gid) == 0 &&
           ::setresuid(user.pw_uid, user.pw_uid, user.pw_uid) == 0 && ::geteuid() == user.pw_uid &&
           ::getegid() == user.pw_gid;
}

std::string deliveryFailure(Delivery delivery, const HandOverLimits& limits) {
    switch (delivery) {
    case Delivery::TooLarge:
        return "The document is larger than the fax printer takes (" +
               std::to_string(limits.maxBytes / (1024 * 1024)) + " MB).";
    case Delivery::TooSlow:
        return "The document did not arrive whole within " + std::to_string(limits.readSeconds) + " seconds.";
    case Delivery::Empty:
        return "The document is empty.";
    case Delivery::ReadError:
        return "The document could not be read.";
    case Delivery::Cancelled:
        return "The job was cancelled.";
    default:
        return "The document could not be put into your session's fax inbox.";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        std::puts("direct directfax-handover \"Unknown\" \"Fax (DirectFax)\"");
        return CUPS_BACKEND_OK;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Without SA_RESTART, so that the signal ends a wait for more of the document.
    struct sigaction cancel {};
    cancel.sa_handler = onCancel;
    ::sigaction(SIGTERM, &cancel, nullptr);
    if (argc < 6 || argc > 7) {
        std::fputs("usage: directfax-handover job-id user title copies options [file]\n", stderr);
        return CUPS_BACKEND_FAILED;
    }
    const HandOverLimits limits = HandOverLimits::forServerBin(std::getenv("CUPS_SERVERBIN"));
    // The spool file is the scheduler's: opened before the backend becomes the job's owner.
    const int in = argc == 7 ? ::open(argv[6], O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
    if (in < 0)
        return fail("The document could not be read.");
    const std::string owner = argv[2];
    const passwd* found = ::getpwnam(owner.c_str());
    if (!found)
        return fail("The job's owner \"" + owner + "\" is not a user of this computer.");
    const passwd user = *found;
    if (!becomeUser(user))
        return fail("The fax printer cannot hand the document to \"" + owner +
                    "\": it hands documents only to the user it runs as.");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.sessionWaitSeconds);
    int inbox = -1;
    InboxState state;
    bool told = false;
    while ((state = openInbox(limits.sessionsRoot, user.pw_uid, &inbox)) != InboxState::Ready &&
           state != InboxState::Unsafe && !cancelled && std::chrono::steady_clock::now() < deadline) {
        if (!told) {
            std::fprintf(stderr, "INFO: Waiting for the desktop session of %s\n", owner.c_str());
            told = true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    if (cancelled)
        return fail("The job was cancelled.");
    if (state == InboxState::Unsafe)
        return fail("The fax inbox of " + owner +
                    " is not a private folder of theirs; nothing was handed over.");
    if (state == InboxState::NoSession)
        return fail(owner + " has no desktop session: log in and print again to fax the document.");
    if (state == InboxState::NoAgent)
        return fail("The DirectFax fax agent does not run in the session of " + owner +
                    ": start directfax-fax-agent (or log in again) and print again.");

    std::fputs("INFO: Handing the document to the fax dialog\n", stderr);
    const Delivery delivery =
        deliver(in, inbox, documentName(argv[1], argv[3]), limits.maxBytes, limits.readSeconds, &cancelled);
    ::close(inbox);
    if (delivery != Delivery::Delivered)
        return fail(deliveryFailure(delivery, limits));
    std::fprintf(stderr, "INFO: The fax dialog opens in the session of %s\n", owner.c_str());
    return CUPS_BACKEND_OK;
}
