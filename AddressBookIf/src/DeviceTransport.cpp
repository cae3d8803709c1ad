// HTTP exchanges with a device over libcurl, bounded in time and in what the reply may hold.
#include "DeviceTransport.h"

#include "AddressBookIf.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <set>

namespace abif {

namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What the callbacks see of one exchange.
struct Transfer {
    CURL* easy = nullptr;
    size_t maxBody = 0;
    std::string body;
    size_t headerBytes = 0;
    bool replyStarted = false;
};

size_t takeHeader(char* data, size_t size, size_t count, void* userdata) {
    auto& transfer = *static_cast<Transfer*>(userdata);
    size_t length = size * count;
    transfer.replyStarted = true;
    // The status line and every header of every reply (an interim 100 included) count.
    transfer.headerBytes += length;
    (void)data;
    return transfer.headerBytes > kMaxReplyHeaderBytes ? 0 : length;
}

size_t takeBody(char* data, size_t size, size_t count, void* userdata) {
    auto& transfer = *static_cast<Transfer*>(userdata);
    size_t length = size * count;
    std::string& body = transfer.body;
    if (length > transfer.maxBody - body.size())
        return 0;
    if (body.size() + length > body.capacity()) {
        // The announced length when there is one, otherwise doubling; never beyond the limit, so
        // the buffer holds at most the largest body taken in.
        curl_off_t announced = -1;
        curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        size_t wanted = announced > 0 && size_t(announced) >= body.size() + length
                            ? size_t(announced)
                            : std::max(body.size() + length, 2 * body.capacity());
        body.reserve(std::min(wanted, transfer.maxBody));
    }
    body.append(data, length);
    return length;
}

// Whether the exchange failed without an answer: no connection, nothing within the time limit,
// or the connection closed before a reply began.
bool noReply(CURLcode code, bool replyStarted) {
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
        return true;
    case CURLE_RECV_ERROR:
        return !replyStarted;
    default:
        return false;
    }
}

// The exchanges in progress, each waiting in its own multi handle, and whether exchanges are
// refused (AbifDevice_Cancel until the next Abif_Initialize).
struct Exchanges {
    std::mutex mutex;
    std::set<CURLM*> waiting;
    std::atomic<bool> cancelled{false};
};

Exchanges& exchanges() {
    static Exchanges instance;
    return instance;
}

struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// Runs the transfer of `easy` to its end; answers false when it was cancelled first. The wait
// is libcurl's own poll, which a cancellation wakes at once.
bool perform(CURL* easy, CURLcode& code) {
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK)
        throw std::bad_alloc();
    Exchanges& all = exchanges();
    bool cancelled;
    {
        std::lock_guard lock(all.mutex);
        cancelled = all.cancelled;
        if (!cancelled)
            all.waiting.insert(multi.get());
    }
    while (!cancelled) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* message = curl_multi_info_read(multi.get(), &left);
            code = message && message->msg == CURLMSG_DONE ? message->data.result : CURLE_RECV_ERROR;
            break;
        }
        // libcurl shortens the wait to its own next deadline (the exchange's time limit).
        if (curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
        cancelled = all.cancelled;
    }
    {
        std::lock_guard lock(all.mutex);
        all.waiting.erase(multi.get());
    }
    curl_multi_remove_handle(multi.get(), easy);
    return !cancelled;
}

void initializeCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_NOTHING); });
}

// "http://192.0.2.7:8631/path", "http://[fe80::1%252]:8631/path".
std::string urlOf(const DeviceEndpoint& endpoint, const std::string& path) {
    std::string host = endpoint.connectHost;
    if (host.find(':') != std::string::npos) {
        if (size_t zone = host.find('%'); zone != std::string::npos)
            host.replace(zone, 1, "%25");
        host = "[" + host + "]";
    }
    return "http://" + host + ":" + std::to_string(endpoint.port) + path;
}

DeviceReply run(const DeviceEndpoint& endpoint, const DeviceRequest& request) {
    initializeCurl();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        return {kAbifErrNoMemory, 0, {}};
    Transfer transfer;
    transfer.easy = easy.get();
    transfer.maxBody = request.maxReplyBody;

    std::unique_ptr<curl_slist, ListDeleter> headers;
    auto addHeader = [&headers](const std::string& line) {
        curl_slist* list = curl_slist_append(headers.get(), line.c_str());
        if (!list)
            throw std::bad_alloc();
        headers.release();
        headers.reset(list);
    };
    addHeader("Host: " + endpoint.hostHeader);
    addHeader("Accept: application/json");
    addHeader("Connection: close");
    addHeader("Expect:");
    if (!request.body.empty())
        addHeader("Content-Type: application/json");

    const std::string url = urlOf(endpoint, request.path);
    const long limitMs = long(std::max<std::chrono::milliseconds::rep>(request.timeLimit.count(), 1));
    CURL* e = easy.get();
    // Plain HTTP to the numeric address only: no proxy from the environment, no redirects, no
    // decoding of compressed bodies, no signals (the caller's process is a print dialog).
    bool set = curl_easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_PROXY, "") == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1)) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_TCP_NODELAY, 1L) == CURLE_OK &&
               // The limit covers the whole exchange, connection included.
               curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, limitMs) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, limitMs) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.maxReplyBody)) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &takeHeader) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &takeBody) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer) == CURLE_OK;
    if (set && (request.method == "POST" || request.method == "PUT"))
        set = curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size())) == CURLE_OK &&
              curl_easy_setopt(e, CURLOPT_POSTFIELDS, request.body.c_str()) == CURLE_OK;
    if (set && request.method == "PUT")
        set = curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, "PUT") == CURLE_OK;
    if (!set)
        return {kAbifErrProtocol, 0, {}};

    CURLcode code = CURLE_OK;
    if (!perform(e, code))
        return {kAbifErrCancelled, 0, {}};
    DeviceReply reply;
    if (code == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
        reply.result = kAbifSuccess;
        reply.status = int(status);
        reply.body = std::move(transfer.body);
    } else if (noReply(code, transfer.replyStarted)) {
        reply.result = kAbifErrDeviceUnreachable;
    } else {
        // Oversized (curl also answers "out of memory" for a header line longer than it takes),
        // broken off, or not HTTP at all.
        reply.result = kAbifErrProtocol;
    }
    return reply;
}

} // namespace

void cancelExchanges() {
    Exchanges& all = exchanges();
    std::lock_guard lock(all.mutex);
    all.cancelled = true;
    for (CURLM* multi : all.waiting)
        curl_multi_wakeup(multi);
}

void allowExchanges() {
    exchanges().cancelled = false;
}

DeviceReply exchange(const DeviceEndpoint& endpoint, const DeviceRequest& request) {
    try {
        return run(endpoint, request);
    } catch (const std::bad_alloc&) {
        return {kAbifErrNoMemory, 0, {}};
    } catch (...) {
        return {kAbifErrProtocol, 0, {}};
    }
}

} // namespace abif
