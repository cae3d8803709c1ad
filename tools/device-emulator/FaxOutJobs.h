// The jobs of the emulated printer's FaxOut service: created by Print-Job or Create-Job, pending
// until their document has come, then sent one at a time as a fax machine does (rendered to fax
// pages and filed in the outbox with their destinations and attributes), and kept, completed,
// aborted or canceled, for Get-Jobs.
#pragma once

#include "FaxOutAttributes.h"

#include <condition_variable>
#include <cups/ipp.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

// Largest document a job takes (bytes), and the most jobs the printer keeps.
inline constexpr size_t kMaxFaxOutDocument = 64 * 1024 * 1024;
inline constexpr size_t kMaxFaxOutJobs = 500;

struct FaxOutJob {
    int id = 0;
    std::string user;
    std::string name;
    std::string format;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    std::string reason = "job-incoming";
    std::string message;
    int created = 0;
    int processing = 0;
    int completed = 0;
    int pages = 0;
    int yDpi = 196;
    std::vector<FaxDestinationUri> destinations;
    std::vector<std::pair<std::string, std::string>> attributes; // the job's own, as texts
    std::string document;
    bool documentComplete = false;

    bool done() const { return state >= IPP_JSTATE_CANCELED; }
};

class FaxOutJobs {
public:
    FaxOutJobs(std::filesystem::path outbox, std::string printerUri);
    ~FaxOutJobs();
    FaxOutJobs(const FaxOutJobs&) = delete;
    FaxOutJobs& operator=(const FaxOutJobs&) = delete;

    // Sends the jobs whose documents have come, on a thread of its own until the object goes.
    void start();

    // A new job from the job group of `request`; 0 when the printer keeps too many.
    int create(ipp_t* request, const std::string& user, std::vector<FaxDestinationUri> destinations);
    // Adds document bytes to pending job `id`; with `last`, the job is ready to go. False when the
    // job takes no more documents (or has gone), or the document grows beyond its limit, which
    // aborts the job.
    bool addDocument(int id, const std::string& format, std::string&& bytes, bool last, std::string& why);
    // Cancels job `id`: IPP_STATUS_OK, or client-error-not-found / client-error-not-possible.
    ipp_status_t cancel(int id, const std::string& user);

    // The job's description attributes into `response` (a job group of its own), filtered by
    // `requested` (NULL: all); false when there is no such job.
    bool describe(int id, ipp_t* response, cups_array_t* requested);
    // The ids of the jobs Get-Jobs lists: `completed` ones or the others, of `user` only when
    // not empty, at most `limit` (0: all).
    std::vector<int> list(bool completed, const std::string& user, int limit);
    int queued();
    std::string jobUri(int id) const { return printerUri_ + "/" + std::to_string(id); }

private:
    void run();
    void send(int id);

    std::filesystem::path outbox_;
    std::string printerUri_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::map<int, FaxOutJob> jobs_;
    int nextId_ = 1;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
