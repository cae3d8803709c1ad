// The fax inbox in a user's session: "directfax-inbox" in the user's session folder, made and
// watched by the user's fax agent, which holds a lock on the inbox's ".agent" file for as long as
// it runs. Everything here runs as the user the document is for: a link is never followed, and
// a folder that is not the user's alone is refused.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::handover {

enum class InboxState { Ready, NoSession, NoAgent, Unsafe };

// Opens the inbox of user `uid` under `sessionsRoot`; `*inbox` is its descriptor when Ready.
InboxState openInbox(const std::string& sessionsRoot, uid_t uid, int* inbox);

enum class Delivery { Delivered, ReadError, WriteError, TooLarge, TooSlow, Empty, Cancelled };

// The document's file name for the job `jobId` titled `title`: the title as far as it makes a
// file name (no '/', no control characters, no leading dot, at most kMaxTitleBytes of whole UTF-8
// characters; "Document" without one), then " (job ID-RANDOM).pdf", new for every call.
inline constexpr size_t kMaxTitleBytes = 80;
std::string documentName(const std::string& jobId, const std::string& title);

// Copies the document from `in` into the inbox under `name`, within `maxBytes` and `seconds`:
// written as a hidden part file (0600, created anew) and renamed once whole, so that the agent
// never sees half a document; nothing is left on failure, nor once `*cancelled` is set (by a
// signal handler: the signal ends a wait for the document).
Delivery deliver(int in, int inbox, const std::string& name, std::int64_t maxBytes, int seconds,
                 const volatile std::sig_atomic_t* cancelled);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::handover
