// The device's address book: selecting a device, asking its status and reading its entries and
// groups over the device protocol (DeviceProtocol.h).
#include "AbifRecords.h"
#include "DeviceBook.h"
#include "DeviceEndpoint.h"
#include "DeviceProtocol.h"
#include "DeviceTransport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace abif {

namespace {

using std::chrono::milliseconds;

// Every exchange with the device, connection included, is over within this time.
constexpr milliseconds kLongestExchange{4000};
constexpr size_t kMaxPasswordBytes = 256;

// The selected device of the process.
struct Selection {
    std::mutex mutex;
    int32_t result = kAbifErrNotInitialized; // kAbifSuccess once a device is selected
    DeviceEndpoint endpoint;
};

Selection& selection() {
    static Selection instance;
    return instance;
}

int32_t selectedEndpoint(DeviceEndpoint& endpoint) {
    Selection& s = selection();
    std::lock_guard lock(s.mutex);
    if (s.result == kAbifSuccess)
        endpoint = s.endpoint;
    return s.result;
}

// One line on standard error, beginning with the operation. Never given the password.
void logFailure(const char* operation, int32_t code, const std::string& device) {
    const char* what;
    switch (code) {
    case kAbifErrInvalidArgument:
        what = "invalid argument";
        break;
    case kAbifErrNotInitialized:
        what = "no device selected";
        break;
    case kAbifErrDeviceUnreachable:
        what = "no answer from the device";
        break;
    case kAbifErrProtocol:
        what = "malformed or oversized reply from the device";
        break;
    case kAbifErrWrongPassword:
        what = "the device refused the password";
        break;
    case kAbifDeviceNotReady:
        what = "the device is not ready";
        break;
    case kAbifErrNoMemory:
        what = "out of memory";
        break;
    case kAbifErrCancelled:
        what = "cancelled";
        break;
    case kAbifErrDeviceBookChanged:
        what = "the device's address book changed since it was read";
        break;
    case kAbifErrFull:
        what = "more entries or groups than the device holds";
        break;
    case kAbifErrNoName:
        what = "an entry or group without a name";
        break;
    case kAbifErrTooManyMembers:
        what = "a group with more members than the device holds";
        break;
    default:
        what = "failed";
        break;
    }
    if (device.empty())
        std::fprintf(stderr, "%s - %s.\n", operation, what);
    else
        std::fprintf(stderr, "%s - %s (%s).\n", operation, what, device.c_str());
}

// Maps the refusals of the address-book request to result codes.
int32_t refusalResult(int status) {
    switch (status) {
    case 401:
    case 403:
        return kAbifErrWrongPassword;
    case 503:
        return kAbifDeviceNotReady;
    case 409:
        return kAbifErrDeviceBookChanged;
    default:
        return kAbifErrProtocol;
    }
}

int32_t readStatus(int32_t timeoutMs, const DeviceEndpoint& endpoint) {
    milliseconds limit =
        timeoutMs > 0 ? std::min(milliseconds(timeoutMs), kLongestExchange) : kLongestExchange;
    DeviceReply reply = exchange(endpoint, {"GET", kStatusPath, {}, limit, kMaxStatusBody});
    if (reply.result != kAbifSuccess)
        return reply.result;
    if (reply.status != 200 && reply.status != 503)
        return kAbifErrProtocol;
    return decodeStatus(reply.body);
}

int32_t readAddressBook(ABIFData* data, int32_t what, const char* password, const DeviceEndpoint& endpoint) {
    DeviceReply reply = exchange(endpoint, {"POST", kAddressBookPath, encodeReadRequest(password),
                                            kLongestExchange, kMaxAddressBookBody});
    if (reply.result != kAbifSuccess)
        return reply.result;
    if (reply.status != 200)
        return refusalResult(reply.status);
    DeviceBook book;
    if (int32_t result = decodeAddressBook(reply.body, book); result != kAbifSuccess)
        return result;
    reply.body = {};
    std::vector<ABIF_Fax> entries;
    std::vector<ABIF_FaxGroup> groups;
    if (size_t cut = makeFaxRecords(book, entries, groups); cut > 0)
        std::fprintf(stderr,
                     "AbifDevice_ReadData - %zu groups had more than %d members; kept the first %d.\n", cut,
                     int(ABIF_FAXGROUP_MAX_MEMBERS), int(ABIF_FAXGROUP_MAX_MEMBERS));
    // The handle takes the records only once the whole reply has been understood.
    if (what & kAbifReadFax)
        data->fax = std::move(entries);
    if (what & kAbifReadFaxGroup)
        data->faxGroups = std::move(groups);
    data->deviceRevision = std::move(book.revision);
    return kAbifSuccess;
}

int32_t writeAddressBook(ABIFData* data, const char* password, const DeviceEndpoint& endpoint) {
    DeviceBook book;
    if (int32_t result = deviceBookForWrite(*data, book); result != kAbifSuccess)
        return result;
    book.revision = data->deviceRevision;
    DeviceReply reply = exchange(endpoint, {"PUT", kAddressBookPath, encodeWriteRequest(password, book),
                                            kLongestExchange, kMaxStatusBody});
    if (reply.result != kAbifSuccess)
        return reply.result;
    if (reply.status != 200)
        return refusalResult(reply.status);
    std::string revision;
    if (int32_t result = decodeWriteReply(reply.body, revision); result != kAbifSuccess)
        return result;
    data->deviceRevision = std::move(revision);
    return kAbifSuccess;
}

bool validPassword(const char* password) {
    return password && strnlen(password, kMaxPasswordBytes + 1) <= kMaxPasswordBytes;
}

// Runs `body` and turns exceptions into result codes, so none crosses the C interface.
template <typename Body> int32_t guarded(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kAbifErrNoMemory;
    } catch (...) {
        return kAbifErrProtocol;
    }
}

} // namespace

} // namespace abif

using namespace abif;

extern "C" {

int32_t Abif_Initialize(int32_t) {
    Selection& s = selection();
    std::lock_guard lock(s.mutex);
    s.result = kAbifErrNotInitialized;
    s.endpoint = {};
    allowExchanges();
    return kAbifSuccess;
}

int32_t AbifDevice_Cancel(int32_t) {
    cancelExchanges();
    return kAbifSuccess;
}

int32_t AbifDevice_SetDestinationDevice(int32_t, int32_t kind, const char* address) {
    return guarded([&] {
        DeviceEndpoint endpoint;
        int32_t result = makeDeviceEndpoint(kind, address, endpoint);
        Selection& s = selection();
        std::lock_guard lock(s.mutex);
        s.result = result;
        s.endpoint = std::move(endpoint);
        if (result != kAbifSuccess)
            logFailure("AbifDevice_SetDestinationDevice", result, {});
        return result;
    });
}

int32_t AbifDevice_GetStatus(int32_t, int32_t timeoutMs) {
    DeviceEndpoint endpoint;
    int32_t result = guarded([&] {
        int32_t selected = selectedEndpoint(endpoint);
        return selected == kAbifSuccess ? readStatus(timeoutMs, endpoint) : selected;
    });
    if (result != kAbifDeviceReachable)
        logFailure("AbifDevice_GetStatus", result, endpoint.display);
    return result;
}

int32_t AbifDevice_ReadData(int32_t, ABIFData* data, int32_t what, const char* password) {
    DeviceEndpoint endpoint;
    int32_t result = guarded([&] {
        if (!data || !validPassword(password) || (what & (kAbifReadFax | kAbifReadFaxGroup)) == 0)
            return int32_t(kAbifErrInvalidArgument);
        int32_t selected = selectedEndpoint(endpoint);
        return selected == kAbifSuccess ? readAddressBook(data, what, password, endpoint) : selected;
    });
    if (result != kAbifSuccess)
        logFailure("AbifDevice_ReadData", result, endpoint.display);
    return result;
}

int32_t AbifDevice_WriteData(int32_t, ABIFData* data, const char* password) {
    DeviceEndpoint endpoint;
    int32_t result = guarded([&] {
        if (!data || !validPassword(password) || data->deviceRevision.empty())
            return int32_t(kAbifErrInvalidArgument);
        int32_t selected = selectedEndpoint(endpoint);
        return selected == kAbifSuccess ? writeAddressBook(data, password, endpoint) : selected;
    });
    if (result != kAbifSuccess)
        logFailure("AbifDevice_WriteData", result, endpoint.display);
    return result;
}

const char* ABIFData_GetDeviceRevision(const ABIFData* data) {
    return data ? data->deviceRevision.c_str() : "";
}

int32_t ABIFData_SetDeviceRevision(ABIFData* data, const char* revision) {
    if (!data || !revision || strnlen(revision, kMaxRevisionBytes + 1) > kMaxRevisionBytes)
        return kAbifErrInvalidArgument;
    return guarded([&] {
        data->deviceRevision = revision;
        return int32_t(kAbifSuccess);
    });
}

} // extern "C"
