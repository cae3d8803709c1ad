#include "FaxOutJobs.h"

#include "FaxPages.h"
#include "PrintPort.h"

#include <nlohmann/json.hpp>

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

// The longest text of one job attribute the printer keeps for the outbox.
constexpr size_t kMaxAttributeText = 1024;

int now() {
    return int(std::time(nullptr));
}

const char* fromEnvironment(const char* name) {
    return std::getenv(name);
}

// A folder of our own (0700) in TMPDIR with the document and the pages, removed with the object.
struct WorkFolder {
    std::string path;
    WorkFolder() {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/directfax-faxout-XXXXXX";
        if (!::mkdtemp(path.data()))
            path.clear();
    }
    ~WorkFolder() {
        if (!path.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    }
};

bool writeFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

// Renders the job's document into fax pages; answers them, or "" with `why` set.
std::string renderPages(const FaxOutJob& job, int& pages, std::string& why) {
    WorkFolder folder;
    const std::string input = folder.path + "/document";
    const std::string output = folder.path + "/pages.tiff";
    const faxjob::FilterLimits limits = faxjob::filterLimits(fromEnvironment);
    if (const auto fault = faxjob::documentFault((long long)job.document.size(), limits)) {
        why = *fault;
        return {};
    }
    if (folder.path.empty() || !writeFile(input, job.document)) {
        why = "The printer has no room for the document.";
        return {};
    }
    const int fd = ::open(output.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = "The printer has no room for the fax pages.";
        return {};
    }
    faxjob::FaxPageFormat format;
    format.yDpi = job.yDpi;
    format.length = (297 * format.yDpi * 10 + 127) / 254;
    const auto rendered =
        faxjob::renderFaxPages(format, input, job.document.substr(0, 1024), limits, output, fd);
    std::string bytes;
    if (rendered.fault) {
        why = *rendered.fault;
    } else {
        bytes.resize(size_t(rendered.bytes));
        if (::pread(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) {
            why = "The printer could not read its fax pages back.";
            bytes.clear();
        }
        pages = rendered.pages.value_or(0);
    }
    ::close(fd);
    return bytes;
}

std::string record(const FaxOutJob& job) {
    nlohmann::ordered_json json;
    json["service"] = "ipp-faxout";
    json["job"] = job.id;
    json["user"] = job.user;
    json["title"] = job.name;
    json["documentFormat"] = job.format;
    json["resolution"] = "204x" + std::to_string(job.yDpi);
    json["pages"] = job.pages;
    json["destinations"] = nlohmann::json::array();
    for (const FaxDestinationUri& destination : job.destinations)
        json["destinations"].push_back({{"uri", destination.uri}, {"preDialString", destination.preDial}});
    nlohmann::ordered_json attributes = nlohmann::ordered_json::object();
    for (const auto& [name, value] : job.attributes)
        attributes[name] = value;
    json["attributes"] = attributes;
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

FaxOutJobs::FaxOutJobs(std::filesystem::path outbox, std::string printerUri)
    : outbox_(std::move(outbox)), printerUri_(std::move(printerUri)) {}

FaxOutJobs::~FaxOutJobs() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void FaxOutJobs::start() {
    thread_ = std::thread([this] { run(); });
}

int FaxOutJobs::create(ipp_t* request, const std::string& user, std::vector<FaxDestinationUri> destinations) {
    FaxOutJob job;
    job.user = user;
    job.created = now();
    job.destinations = std::move(destinations);
    if (ipp_attribute_t* name = ippFindAttribute(request, "job-name", IPP_TAG_NAME))
        job.name = ippGetString(name, 0, nullptr);
    for (ipp_attribute_t* attr = ippFirstAttribute(request); attr; attr = ippNextAttribute(request)) {
        const char* attrName = ippGetName(attr);
        if (ippGetGroupTag(attr) != IPP_TAG_JOB || !attrName ||
            std::string_view(attrName) == "destination-uris")
            continue;
        char text[kMaxAttributeText];
        ippAttributeString(attr, text, sizeof text);
        job.attributes.emplace_back(attrName, text);
        if (std::string_view(attrName) == "printer-resolution") {
            ipp_res_t units;
            int y = 0;
            ippGetResolution(attr, 0, &y, &units);
            job.yDpi = y <= 98 ? 98 : y >= 391 ? 391 : 196;
        }
    }
    std::lock_guard lock(mutex_);
    // The oldest finished jobs give way to new ones.
    for (auto it = jobs_.begin(); jobs_.size() >= kMaxFaxOutJobs && it != jobs_.end();)
        it = it->second.done() ? jobs_.erase(it) : std::next(it);
    if (jobs_.size() >= kMaxFaxOutJobs)
        return 0;
    job.id = nextId_++;
    const int id = job.id;
    jobs_.emplace(id, std::move(job));
    return id;
}

bool FaxOutJobs::addDocument(int id, const std::string& format, std::string&& bytes, bool last,
                             std::string& why) {
    {
        std::lock_guard lock(mutex_);
        auto it = jobs_.find(id);
        if (it == jobs_.end() || it->second.done() || it->second.documentComplete) {
            why = "The job takes no more documents.";
            return false;
        }
        FaxOutJob& job = it->second;
        if (job.document.size() + bytes.size() > kMaxFaxOutDocument) {
            job.state = IPP_JSTATE_ABORTED;
            job.reason = "aborted-by-system";
            job.message = why = "The document is larger than the printer takes.";
            job.document.clear();
            job.completed = now();
            return false;
        }
        job.format = format;
        job.document += bytes;
        job.documentComplete = last;
        if (last)
            job.reason = "none";
    }
    if (last)
        ready_.notify_all();
    return true;
}

ipp_status_t FaxOutJobs::cancel(int id, const std::string& user) {
    std::lock_guard lock(mutex_);
    auto it = jobs_.find(id);
    if (it == jobs_.end())
        return IPP_STATUS_ERROR_NOT_FOUND;
    if (it->second.done())
        return IPP_STATUS_ERROR_NOT_POSSIBLE;
    if (!user.empty() && !it->second.user.empty() && user != it->second.user)
        return IPP_STATUS_ERROR_NOT_AUTHORIZED;
    it->second.state = IPP_JSTATE_CANCELED;
    it->second.reason = "job-canceled-by-user";
    it->second.completed = now();
    it->second.document.clear();
    return IPP_STATUS_OK;
}

bool FaxOutJobs::describe(int id, ipp_t* response, cups_array_t* requested) {
    ipp_t* attrs = ippNew();
    {
        std::lock_guard lock(mutex_);
        auto it = jobs_.find(id);
        if (it == jobs_.end()) {
            ippDelete(attrs);
            return false;
        }
        const FaxOutJob& job = it->second;
        ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", job.id);
        ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_URI, "job-uri", nullptr, jobUri(job.id).c_str());
        ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_URI, "job-printer-uri", nullptr, printerUri_.c_str());
        ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_NAME, "job-name", nullptr, job.name.c_str());
        ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_NAME, "job-originating-user-name", nullptr,
                     job.user.c_str());
        ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", job.state);
        ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-state-reasons", nullptr, job.reason.c_str());
        if (!job.message.empty())
            ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_TEXT, "job-state-message", nullptr, job.message.c_str());
        ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-printer-up-time", now());
        ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_INTEGER, "time-at-creation", job.created);
        for (const auto& [name, time] : {std::pair{"time-at-processing", job.processing},
                                         std::pair{"time-at-completed", job.completed}}) {
            if (time)
                ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_INTEGER, name, time);
            else
                ippAddOutOfBand(attrs, IPP_TAG_JOB, IPP_TAG_NOVALUE, name);
        }
        ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-impressions-completed", job.pages);
        ippAddInteger(attrs, IPP_TAG_JOB, IPP_TAG_INTEGER, "number-of-intervening-jobs", 0);
    }
    ippAddSeparator(response);
    ippCopyAttributes(
        response, attrs, 0,
        [](void* context, ipp_t*, ipp_attribute_t* attr) -> int {
            auto* wanted = static_cast<cups_array_t*>(context);
            return !wanted || cupsArrayFind(wanted, const_cast<char*>(ippGetName(attr)));
        },
        requested);
    ippDelete(attrs);
    return true;
}

std::vector<int> FaxOutJobs::list(bool completed, const std::string& user, int limit) {
    std::lock_guard lock(mutex_);
    std::vector<int> ids;
    for (const auto& [id, job] : jobs_) {
        if (job.done() == completed && (user.empty() || job.user == user))
            ids.push_back(id);
    }
    // Completed jobs newest first, the others in the order they go.
    if (completed)
        std::reverse(ids.begin(), ids.end());
    if (limit > 0 && ids.size() > size_t(limit))
        ids.resize(size_t(limit));
    return ids;
}

int FaxOutJobs::queued() {
    std::lock_guard lock(mutex_);
    return int(std::count_if(jobs_.begin(), jobs_.end(), [](const auto& job) { return !job.second.done(); }));
}

void FaxOutJobs::run() {
    while (true) {
        int id = 0;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this, &id] {
                const auto it = std::find_if(jobs_.begin(), jobs_.end(), [](const auto& job) {
                    return job.second.state == IPP_JSTATE_PENDING && job.second.documentComplete;
                });
                id = it == jobs_.end() ? 0 : it->first;
                return stopping_ || id != 0;
            });
            if (stopping_)
                return;
            jobs_[id].state = IPP_JSTATE_PROCESSING;
            jobs_[id].reason = "job-printing";
            jobs_[id].processing = now();
        }
        send(id);
    }
}

void FaxOutJobs::send(int id) {
    FaxOutJob job;
    {
        std::lock_guard lock(mutex_);
        job = jobs_[id];
    }
    std::string why;
    const std::string pages = renderPages(job, job.pages, why);
    std::lock_guard lock(mutex_);
    FaxOutJob& kept = jobs_[id];
    kept.document.clear();
    if (kept.state == IPP_JSTATE_CANCELED)
        return;
    std::string filed;
    if (!pages.empty())
        filed = PrintPort::file(outbox_, record(job), pages, why);
    kept.completed = now();
    kept.pages = job.pages;
    if (filed.empty()) {
        kept.state = IPP_JSTATE_ABORTED;
        kept.reason = "aborted-by-system";
        kept.message = why;
        std::fprintf(stderr, "directfax-device-emulator: FaxOut job %d aborted: %s\n", id, why.c_str());
        return;
    }
    kept.state = IPP_JSTATE_COMPLETED;
    kept.reason = "job-completed-successfully";
    std::fprintf(stderr, "directfax-device-emulator: FaxOut job %d filed as %s\n", id,
                 (outbox_ / filed).string().c_str());
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
