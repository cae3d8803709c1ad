// Request handling of the device emulator.
#include "DeviceEmulator.h"

#include "BookLoader.h"
#include "PeerUser.h"

#include <unistd.h>

#include "DeviceProtocol.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

// Larger than any reply a client takes in.
constexpr size_t kOversizedBody = abif::kMaxAddressBookBody + 4 * 1024 * 1024;
constexpr size_t kChunk = 64 * 1024;
constexpr auto kTricklePause = std::chrono::milliseconds(200);

// Streams `total` bytes of a JSON-looking body: an opening, then filler spaces.
bool writeFiller(size_t offset, size_t total, httplib::DataSink& sink) {
    static const std::string opening = "{\"entries\":[";
    static const std::string filler(kChunk, ' ');
    if (offset == 0)
        return sink.write(opening.data(), opening.size());
    size_t n = std::min(kChunk, total - offset);
    return sink.write(filler.data(), n);
}

// The revision of a book: a digest of its content (64-bit FNV-1a of `encoded`, its encoding
// without a revision), so that it names the same book after a restart and a changed book
// differently.
std::string revisionOf(const std::string& encoded) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : encoded)
        hash = (hash ^ c) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

DeviceEmulator::DeviceEmulator(EmulatorOptions options, abif::DeviceBook book)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    writesFile_ = options_.writeBook && !isSqliteFile(options_.bookPath);
    book.revision.clear();
    book.revision = revisionOf(abif::encodeAddressBook(book));
    revision_ = book.revision;
    bookReply_ = abif::encodeAddressBook(book);
    // A write carries a whole book; every other request is held to the smaller limit.
    server_->set_payload_max_length(abif::kMaxWriteRequestBody);
    server_->Get(abif::kStatusPath,
                 [this](const httplib::Request& req, httplib::Response& res) { answerStatus(req, res); });
    server_->Post(abif::kAddressBookPath, [this](const httplib::Request& req, httplib::Response& res) {
        answerAddressBook(req, res);
    });
    server_->Put(abif::kAddressBookPath,
                 [this](const httplib::Request& req, httplib::Response& res) { answerWrite(req, res); });
    // The printer belongs to the user who started it: another user of this machine is turned
    // away (a client on another machine, as a network printer has them, is not).
    server_->set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        const std::optional<uid_t> peer = localPeerUser(req.local_port, req.remote_port);
        if (!peer || *peer == ::geteuid())
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        return httplib::Server::HandlerResponse::Handled;
    });
    // One log line per request: method, path and status; never a body, which holds the password.
    server_->set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::fprintf(stderr, "directfax-device-emulator: %s %s -> %d\n", req.method.c_str(), req.path.c_str(),
                     res.status);
    });
}

DeviceEmulator::~DeviceEmulator() = default;

int DeviceEmulator::bind() {
    if (options_.port == 0)
        return server_->bind_to_any_port(options_.host);
    return server_->bind_to_port(options_.host, options_.port) ? options_.port : -1;
}

bool DeviceEmulator::serve() {
    return server_->listen_after_bind();
}

void DeviceEmulator::answerStatus(const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(options_.delay);
    std::string body = abif::encodeStatus(!options_.notReady);
    if (spoil(res, body))
        return;
    res.status = options_.notReady ? 503 : 200;
    res.set_content(body, abif::kJsonType);
}

bool DeviceEmulator::refused(bool wellFormed, const std::string& password, httplib::Response& res) const {
    if (!wellFormed) {
        res.status = 400;
        res.set_content(abif::encodeError(abif::kErrorBadRequest), abif::kJsonType);
    } else if (options_.notReady) {
        res.status = 503;
        res.set_content(abif::encodeError(abif::kErrorNotReady), abif::kJsonType);
    } else if (!passwordMatches(password)) {
        res.status = 403;
        res.set_content(abif::encodeError(abif::kErrorPassword), abif::kJsonType);
    } else {
        return false;
    }
    return true;
}

void DeviceEmulator::answerAddressBook(const httplib::Request& req, httplib::Response& res) {
    std::this_thread::sleep_for(options_.delay);
    std::string reply;
    {
        std::lock_guard lock(bookMutex_);
        reply = bookReply_;
    }
    if (spoil(res, reply))
        return;
    if (req.body.size() > abif::kMaxRequestBody) {
        res.status = 413;
        return;
    }
    std::string password;
    if (refused(abif::decodeReadRequest(req.body, password), password, res))
        return;
    res.status = 200;
    res.set_content(reply, abif::kJsonType);
}

void DeviceEmulator::answerWrite(const httplib::Request& req, httplib::Response& res) {
    std::this_thread::sleep_for(options_.delay);
    {
        std::lock_guard lock(bookMutex_);
        if (spoil(res, abif::encodeWriteReply(revision_)))
            return;
    }
    std::string password;
    abif::DeviceBook book;
    // The book as the device's records hold it: a group beyond their slots is not taken.
    bool wellFormed = abif::decodeWriteRequest(req.body, password, book) &&
                      std::all_of(book.groups.begin(), book.groups.end(), [](const abif::DeviceGroup& g) {
                          return g.members.size() <= ABIF_FAXGROUP_MAX_MEMBERS;
                      });
    ABIFData records;
    std::string revision = book.revision;
    if (wellFormed) {
        std::vector<ABIF_Fax> entries;
        std::vector<ABIF_FaxGroup> groups;
        abif::makeFaxRecords(book, entries, groups);
        records.fax.assign(entries);
        records.faxGroups.assign(groups);
        wellFormed = abif::deviceBookForWrite(records, book) == kAbifSuccess;
    }
    if (refused(wellFormed, password, res))
        return;
    std::lock_guard lock(bookMutex_);
    std::string error;
    if (revision != revision_) {
        res.status = 409;
        res.set_content(abif::encodeError(abif::kErrorRevision), abif::kJsonType);
    } else if (!store(std::move(book), error)) {
        std::fprintf(stderr, "directfax-device-emulator: %s\n", error.c_str());
        res.status = 500;
        res.set_content(abif::encodeError("storage"), abif::kJsonType);
    } else {
        res.status = 200;
        res.set_content(abif::encodeWriteReply(revision_), abif::kJsonType);
    }
}

bool DeviceEmulator::store(abif::DeviceBook book, std::string& error) {
    book.revision.clear();
    std::string text = abif::encodeAddressBook(book);
    if (writesFile_ && !replaceFile(options_.bookPath, text, options_.writePause, error))
        return false;
    book.revision = revisionOf(text);
    revision_ = book.revision;
    bookReply_ = abif::encodeAddressBook(book);
    return true;
}

bool DeviceEmulator::spoil(httplib::Response& res, const std::string& body) {
    res.status = 200;
    switch (options_.garbage) {
    case Garbage::None:
        return false;
    case Garbage::Malformed:
        res.set_content(body.substr(0, body.size() / 2), abif::kJsonType);
        return true;
    case Garbage::Oversized:
        res.set_content_provider(kOversizedBody, abif::kJsonType,
                                 [](size_t offset, size_t, httplib::DataSink& sink) {
                                     return writeFiller(offset, kOversizedBody, sink);
                                 });
        return true;
    case Garbage::OversizedChunked:
        res.set_chunked_content_provider(abif::kJsonType, [](size_t offset, httplib::DataSink& sink) {
            if (offset >= kOversizedBody) {
                sink.done();
                return true;
            }
            return writeFiller(offset, kOversizedBody, sink);
        });
        return true;
    case Garbage::Truncated: {
        // Announces the whole body, sends the first half, then drops the connection.
        auto half = std::make_shared<std::string>(body.substr(0, body.size() / 2));
        res.set_content_provider(body.size(), abif::kJsonType,
                                 [half](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset < half->size())
                                         return sink.write(half->data() + offset, half->size() - offset);
                                     return false;
                                 });
        return true;
    }
    case Garbage::Trickle: {
        // A whole, valid reply, but one byte every kTricklePause.
        auto whole = std::make_shared<std::string>(body);
        res.set_content_provider(body.size(), abif::kJsonType,
                                 [whole](size_t offset, size_t, httplib::DataSink& sink) {
                                     std::this_thread::sleep_for(kTricklePause);
                                     return sink.write(whole->data() + offset, 1);
                                 });
        return true;
    }
    }
    return false;
}

bool DeviceEmulator::passwordMatches(const std::string& given) const {
    // Looks at every byte whatever the first difference, like a device should.
    const std::string& expected = options_.password;
    if (given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    return difference == 0;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
