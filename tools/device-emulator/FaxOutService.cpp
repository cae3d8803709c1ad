#include "FaxOutService.h"

#include "PeerUser.h"
#include "PrintPort.h"

#include <cups/cups.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kResource = "/ipp/faxout";
// Bounds on what one client may make the printer read or wait for.
constexpr size_t kMaxRequestBytes = 256 * 1024; // the attributes of one request
constexpr int kMaxHeaderLines = 100;
constexpr double kIdleSeconds = 15.0;
constexpr auto kRequestLimit = std::chrono::seconds(120);
constexpr int kMaxClients = 16;

struct Connection {
    http_t* http;
    Clock::time_point deadline;
    size_t requestLeft = kMaxRequestBytes;
    bool keepAlive = true;
};

// Reads exactly `bytes` of the request's attributes, within its bounds (ippReadIO asks for each
// piece it needs).
ssize_t readRequestBytes(void* context, ipp_uchar_t* buffer, size_t bytes) {
    auto* connection = static_cast<Connection*>(context);
    if (bytes > connection->requestLeft || Clock::now() > connection->deadline)
        return -1;
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = httpRead2(connection->http, reinterpret_cast<char*>(buffer) + done, bytes - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    connection->requestLeft -= done;
    return done > 0 ? ssize_t(done) : -1;
}

// Reads the document that follows the attributes into `bytes` (nullptr: drops it), at most
// `limit` bytes; false when it is larger, breaks off, or comes too slowly.
bool readDocument(Connection& connection, std::string* bytes, size_t limit) {
    char buffer[65536];
    size_t total = 0;
    while (Clock::now() < connection.deadline) {
        const ssize_t n = httpRead2(connection.http, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 || total + size_t(n) > limit)
            break;
        total += size_t(n);
        if (bytes)
            bytes->append(buffer, size_t(n));
    }
    connection.keepAlive = false;
    return false;
}

void setStatus(ipp_t* response, ipp_status_t status, const std::string& message) {
    ippSetStatusCode(response, status);
    ippAddString(response, IPP_TAG_OPERATION, IPP_TAG_TEXT, "status-message", nullptr, message.c_str());
}

// The names that pass `requested` (NULL: all).
int passes(void* context, ipp_t*, ipp_attribute_t* attr) {
    auto* wanted = static_cast<cups_array_t*>(context);
    return !wanted || cupsArrayFind(wanted, const_cast<char*>(ippGetName(attr)));
}

int compareNames(void* a, void* b, void*) {
    return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

// A set of attribute names, as ippCreateRequestedArray makes them.
cups_array_t* nameSet(std::initializer_list<const char*> names) {
    cups_array_t* set = cupsArrayNew(compareNames, nullptr);
    for (const char* name : names)
        cupsArrayAdd(set, const_cast<char*>(name));
    return set;
}

std::string operationString(ipp_t* request, const char* name, ipp_tag_t tag) {
    ipp_attribute_t* attr = ippFindAttribute(request, name, tag);
    const char* value =
        attr && ippGetGroupTag(attr) == IPP_TAG_OPERATION ? ippGetString(attr, 0, nullptr) : nullptr;
    return value ? value : "";
}

// The job a request names: job-id next to printer-uri, or the end of its job-uri; 0 for none.
int requestedJob(ipp_t* request) {
    if (ipp_attribute_t* id = ippFindAttribute(request, "job-id", IPP_TAG_INTEGER))
        return ippGetInteger(id, 0);
    const std::string uri = operationString(request, "job-uri", IPP_TAG_URI);
    const size_t slash = uri.rfind('/');
    return slash == std::string::npos ? 0 : std::atoi(uri.c_str() + slash + 1);
}

} // namespace

struct FaxOutService::Shared {
    Shared(std::filesystem::path outbox, std::string uri)
        : printerUri(std::move(uri)), jobs(std::move(outbox), printerUri), startTime(int(std::time(nullptr))),
          attributes(faxOutPrinterAttributes(printerUri, startTime)) {}
    ~Shared() { ippDelete(attributes); }

    std::string printerUri;
    FaxOutJobs jobs;
    int startTime;
    ipp_t* attributes;
    std::atomic<int> clients{0};

    void serve(http_t* http);
    bool serveRequest(Connection& connection);
    ipp_t* process(Connection& connection, ipp_t* request);
    bool checkRequest(ipp_t* request, ipp_t* response);
    void printerAttributes(ipp_t* request, ipp_t* response);
    bool destinationsOf(ipp_t* request, ipp_t* response, std::vector<FaxDestinationUri>& destinations,
                        bool required);
    void jobCreated(ipp_t* response, int id);
    void getJobs(ipp_t* request, ipp_t* response);
};

FaxOutService::FaxOutService(std::string host, int port, std::filesystem::path outbox)
    : host_(std::move(host)), port_(port), outbox_(std::move(outbox)) {}

FaxOutService::~FaxOutService() {
    if (listener_ >= 0)
        ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

std::string FaxOutService::uri() const {
    return "ipp://" + host_ + ":" + std::to_string(port_) + kResource;
}

int FaxOutService::bind(std::string& error) {
    if (!PrintPort::makeOutbox(outbox_, error))
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port_));
    if (::inet_pton(AF_INET, host_.c_str(), &address.sin_addr) != 1 ||
        !(ntohl(address.sin_addr.s_addr) >> 24 == 127)) {
        error = "the FaxOut service listens on a loopback address only, not on " + host_;
        return 0;
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, kMaxClients) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot serve FaxOut on " + host_ + ": " + std::strerror(errno);
        return 0;
    }
    port_ = ntohs(address.sin_port);
    shared_ = std::make_shared<Shared>(outbox_, uri());
    return port_;
}

void FaxOutService::start() {
    shared_->jobs.start();
    thread_ = std::thread([this] { acceptLoop(); });
}

void FaxOutService::acceptLoop() {
    while (true) {
        http_t* http = httpAcceptConnection(listener_, 1);
        if (!http) {
            if (errno == EINVAL || errno == EBADF)
                return;
            continue;
        }
        // The printer's own user only; and no more clients than it serves at once.
        const std::optional<uid_t> peer = localPeerUser(port_, httpAddrPort(httpGetAddress(http)));
        if (!peer || *peer != ::geteuid() || shared_->clients >= kMaxClients) {
            std::fprintf(stderr, "directfax-device-emulator: FaxOut connection refused: %s\n",
                         peer && *peer == ::geteuid() ? "too many clients" : "it comes from another user");
            httpClearFields(http);
            httpSetLength(http, 0);
            httpReadRequest(http, nullptr, 0);
            httpWriteResponse(http, HTTP_STATUS_FORBIDDEN);
            httpClose(http);
            continue;
        }
        ++shared_->clients;
        std::thread([shared = shared_, http] {
            shared->serve(http);
            httpClose(http);
            --shared->clients;
        }).detach();
    }
}

void FaxOutService::Shared::serve(http_t* http) {
    httpSetTimeout(http, kIdleSeconds, nullptr, nullptr);
    Connection connection{http, Clock::now() + kRequestLimit};
    while (connection.keepAlive && httpWait(http, int(kIdleSeconds * 1000))) {
        connection.deadline = Clock::now() + kRequestLimit;
        connection.requestLeft = kMaxRequestBytes;
        if (!serveRequest(connection))
            break;
    }
}

bool FaxOutService::Shared::serveRequest(Connection& connection) {
    http_t* http = connection.http;
    char resource[1024];
    const http_state_t method = httpReadRequest(http, resource, sizeof resource);
    if (method == HTTP_STATE_WAITING)
        return true;
    if (method == HTTP_STATE_ERROR || method == HTTP_STATE_UNKNOWN_METHOD ||
        method == HTTP_STATE_UNKNOWN_VERSION)
        return false;
    http_status_t status;
    int lines = 0;
    while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE && ++lines < kMaxHeaderLines &&
           Clock::now() < connection.deadline) {
    }
    const auto answer = [http](http_status_t code) {
        httpClearFields(http);
        httpSetLength(http, 0);
        httpWriteResponse(http, code);
        return false;
    };
    if (status != HTTP_STATUS_OK)
        return answer(HTTP_STATUS_BAD_REQUEST);
    if (method != HTTP_STATE_POST)
        return answer(HTTP_STATUS_METHOD_NOT_ALLOWED);
    if (std::strncmp(resource, kResource, std::strlen(kResource)) != 0)
        return answer(HTTP_STATUS_NOT_FOUND);
    if (std::strcmp(httpGetField(http, HTTP_FIELD_CONTENT_TYPE), "application/ipp") != 0)
        return answer(HTTP_STATUS_BAD_REQUEST);
    if (httpGetExpect(http) == HTTP_STATUS_CONTINUE)
        httpWriteResponse(http, HTTP_STATUS_CONTINUE);
    ipp_t* request = ippNew();
    ipp_state_t read;
    while ((read = ippReadIO(&connection, readRequestBytes, 1, nullptr, request)) != IPP_STATE_DATA &&
           read != IPP_STATE_ERROR) {
    }
    if (read == IPP_STATE_ERROR) {
        ippDelete(request);
        return answer(HTTP_STATUS_BAD_REQUEST);
    }
    ipp_t* response = process(connection, request);
    ippDelete(request);
    // Whatever the client sent and the operation did not read goes, within the bounds.
    if (httpGetState(http) == HTTP_STATE_POST_RECV)
        readDocument(connection, nullptr, kMaxFaxOutDocument);
    httpClearFields(http);
    httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
    httpSetLength(http, ippLength(response));
    bool written = httpWriteResponse(http, HTTP_STATUS_OK) == 0;
    ippSetState(response, IPP_STATE_IDLE);
    written = written && ippWrite(http, response) == IPP_STATE_DATA;
    ippDelete(response);
    httpFlushWrite(http);
    return written;
}

bool FaxOutService::Shared::checkRequest(ipp_t* request, ipp_t* response) {
    int minor = 0;
    const int major = ippGetVersion(request, &minor);
    if (major < 1 || major > 2) {
        setStatus(response, IPP_STATUS_ERROR_VERSION_NOT_SUPPORTED,
                  "This printer speaks IPP/1.1 and IPP/2.0.");
        return false;
    }
    ipp_attribute_t* charset = ippFirstAttribute(request);
    ipp_attribute_t* language = ippNextAttribute(request);
    const auto is = [](ipp_attribute_t* attr, const char* name, ipp_tag_t tag) {
        return attr && ippGetGroupTag(attr) == IPP_TAG_OPERATION && ippGetValueTag(attr) == tag &&
               ippGetName(attr) && std::strcmp(ippGetName(attr), name) == 0 && ippGetCount(attr) == 1;
    };
    if (ippGetRequestId(request) <= 0 || !is(charset, "attributes-charset", IPP_TAG_CHARSET) ||
        !is(language, "attributes-natural-language", IPP_TAG_LANGUAGE)) {
        setStatus(response, IPP_STATUS_ERROR_BAD_REQUEST, "The request does not begin as IPP requests do.");
        return false;
    }
    const char* set = ippGetString(charset, 0, nullptr);
    if (strcasecmp(set, "utf-8") != 0 && strcasecmp(set, "us-ascii") != 0) {
        setStatus(response, IPP_STATUS_ERROR_CHARSET, "This printer takes UTF-8 only.");
        return false;
    }
    const std::string printer = operationString(request, "printer-uri", IPP_TAG_URI);
    const std::string job = operationString(request, "job-uri", IPP_TAG_URI);
    if (printer.empty() && job.empty()) {
        setStatus(response, IPP_STATUS_ERROR_BAD_REQUEST, "The request names no printer.");
        return false;
    }
    return true;
}

void FaxOutService::Shared::printerAttributes(ipp_t* request, ipp_t* response) {
    ipp_t* all = ippNew();
    ippCopyAttributes(all, attributes, 0, nullptr, nullptr);
    const int queued = jobs.queued();
    ippAddInteger(all, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state",
                  queued > 0 ? IPP_PSTATE_PROCESSING : IPP_PSTATE_IDLE);
    ippAddString(all, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "printer-state-reasons", nullptr, "none");
    ippAddBoolean(all, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(all, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "queued-job-count", queued);
    ippAddInteger(all, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "printer-up-time", int(std::time(nullptr)));
    ippAddInteger(all, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "printer-state-change-time", startTime);
    ippAddDate(all, IPP_TAG_PRINTER, "printer-current-time", ippTimeToDate(std::time(nullptr)));
    cups_array_t* requested = ippCreateRequestedArray(request);
    ippCopyAttributes(response, all, 0, passes, requested);
    cupsArrayDelete(requested);
    ippDelete(all);
}

bool FaxOutService::Shared::destinationsOf(ipp_t* request, ipp_t* response,
                                           std::vector<FaxDestinationUri>& destinations, bool required) {
    ipp_status_t status = IPP_STATUS_OK;
    std::string bad;
    if (!required && !ippFindAttribute(request, "destination-uris", IPP_TAG_ZERO))
        return true;
    if (readFaxDestinations(request, destinations, status, bad))
        return true;
    if (status == IPP_STATUS_ERROR_BAD_REQUEST) {
        setStatus(response, status, "A fax job needs its destinations (destination-uris with tel: URIs).");
        return false;
    }
    setStatus(response, status, "The printer cannot dial the " + bad + " given.");
    ipp_attribute_t* given = ippFindAttribute(request, "destination-uris", IPP_TAG_ZERO);
    if (ipp_attribute_t* copy = ippCopyAttribute(response, given, 0))
        ippSetGroupTag(response, &copy, IPP_TAG_UNSUPPORTED_GROUP);
    return false;
}

void FaxOutService::Shared::jobCreated(ipp_t* response, int id) {
    cups_array_t* wanted =
        nameSet({"job-id", "job-uri", "job-state", "job-state-reasons", "job-state-message"});
    jobs.describe(id, response, wanted);
    cupsArrayDelete(wanted);
}

void FaxOutService::Shared::getJobs(ipp_t* request, ipp_t* response) {
    const std::string which = operationString(request, "which-jobs", IPP_TAG_KEYWORD);
    if (!which.empty() && which != "completed" && which != "not-completed") {
        setStatus(response, IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
                  "The printer lists completed or not-completed jobs.");
        return;
    }
    ipp_attribute_t* mine = ippFindAttribute(request, "my-jobs", IPP_TAG_BOOLEAN);
    ipp_attribute_t* limit = ippFindAttribute(request, "limit", IPP_TAG_INTEGER);
    const std::string user =
        mine && ippGetBoolean(mine, 0) ? operationString(request, "requesting-user-name", IPP_TAG_NAME) : "";
    cups_array_t* wanted = ippCreateRequestedArray(request);
    if (!ippFindAttribute(request, "requested-attributes", IPP_TAG_ZERO)) {
        wanted = nameSet({"job-id", "job-uri"});
    }
    for (int id : jobs.list(which == "completed", user, limit ? ippGetInteger(limit, 0) : 0))
        jobs.describe(id, response, wanted);
    cupsArrayDelete(wanted);
}

ipp_t* FaxOutService::Shared::process(Connection& connection, ipp_t* request) {
    ipp_t* response = ippNewResponse(request);
    if (!checkRequest(request, response))
        return response;
    const ipp_op_t operation = ippGetOperation(request);
    const std::string user = operationString(request, "requesting-user-name", IPP_TAG_NAME);
    std::string format = operationString(request, "document-format", IPP_TAG_MIMETYPE);
    if (format.empty())
        format = "application/octet-stream";
    const bool takesDocument = operation == IPP_OP_PRINT_JOB || operation == IPP_OP_VALIDATE_JOB ||
                               operation == IPP_OP_SEND_DOCUMENT;
    if (takesDocument && format != "application/pdf" && format != "application/octet-stream") {
        setStatus(response, IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED,
                  "The printer takes PDF documents.");
        return response;
    }
    std::vector<FaxDestinationUri> destinations;
    std::string why;
    switch (operation) {
    case IPP_OP_GET_PRINTER_ATTRIBUTES:
        printerAttributes(request, response);
        break;
    case IPP_OP_VALIDATE_JOB:
        destinationsOf(request, response, destinations, false);
        break;
    case IPP_OP_CREATE_JOB:
    case IPP_OP_PRINT_JOB: {
        if (!destinationsOf(request, response, destinations, true))
            break;
        std::string document;
        if (operation == IPP_OP_PRINT_JOB && !readDocument(connection, &document, kMaxFaxOutDocument)) {
            setStatus(response, IPP_STATUS_ERROR_REQUEST_ENTITY,
                      "The document is larger than the printer takes.");
            break;
        }
        const int id = jobs.create(request, user, std::move(destinations));
        if (id == 0) {
            setStatus(response, IPP_STATUS_ERROR_BUSY, "The printer holds too many jobs.");
            break;
        }
        if (operation == IPP_OP_PRINT_JOB)
            jobs.addDocument(id, format, std::move(document), true, why);
        jobCreated(response, id);
        break;
    }
    case IPP_OP_SEND_DOCUMENT: {
        ipp_attribute_t* last = ippFindAttribute(request, "last-document", IPP_TAG_BOOLEAN);
        std::string document;
        const int id = requestedJob(request);
        if (!last) {
            setStatus(response, IPP_STATUS_ERROR_BAD_REQUEST, "Send-Document needs last-document.");
        } else if (!readDocument(connection, &document, kMaxFaxOutDocument)) {
            setStatus(response, IPP_STATUS_ERROR_REQUEST_ENTITY,
                      "The document is larger than the printer takes.");
        } else if (!jobs.addDocument(id, format, std::move(document), ippGetBoolean(last, 0), why)) {
            setStatus(response, IPP_STATUS_ERROR_NOT_POSSIBLE, why);
        } else {
            jobCreated(response, id);
        }
        break;
    }
    case IPP_OP_CANCEL_JOB:
        if (const ipp_status_t status = jobs.cancel(requestedJob(request), user); status != IPP_STATUS_OK)
            setStatus(response, status, "The job cannot be canceled.");
        break;
    case IPP_OP_GET_JOB_ATTRIBUTES: {
        cups_array_t* wanted = ippCreateRequestedArray(request);
        if (!jobs.describe(requestedJob(request), response, wanted))
            setStatus(response, IPP_STATUS_ERROR_NOT_FOUND, "There is no such job.");
        cupsArrayDelete(wanted);
        break;
    }
    case IPP_OP_GET_JOBS:
        getJobs(request, response);
        break;
    default:
        setStatus(response, IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED, "The printer does not do that.");
        break;
    }
    return response;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
