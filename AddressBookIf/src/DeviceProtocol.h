// The device protocol: HTTP/JSON messages between the framework and a device's address book.
// docs/device-protocol.md describes it for device makers.
#pragma once

#include "DeviceBook.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace abif {

inline constexpr const char* kStatusPath = "/abif/v1/status";
inline constexpr const char* kAddressBookPath = "/abif/v1/addressbook";
inline constexpr const char* kJsonType = "application/json";

// Default ports: a network device, and the local end of an IPP-over-USB link.
inline constexpr int kDefaultNetworkPort = 8631;
inline constexpr int kUsbPort = 60000;

// Largest reply bodies taken in; a device that sends more is treated as broken.
inline constexpr size_t kMaxStatusBody = 64 * 1024;
inline constexpr size_t kMaxAddressBookBody = 16 * 1024 * 1024;
// Longest string (in bytes, as sent) of any message; the records hold a few dozen characters.
inline constexpr size_t kMaxTextBytes = 64 * 1024;
// Largest request body a device need accept; a write request carries a whole book and may be as
// large as an address-book reply.
inline constexpr size_t kMaxRequestBody = 64 * 1024;
inline constexpr size_t kMaxWriteRequestBody = kMaxAddressBookBody;
// Longest revision (bytes) of a device's book.
inline constexpr size_t kMaxRevisionBytes = 128;

// Status reply: {"ready": true|false, "state": "..."}.
std::string encodeStatus(bool ready);
// kAbifDeviceReachable, kAbifDeviceNotReady, or kAbifErrProtocol for a malformed reply.
int32_t decodeStatus(std::string_view body);

// Read request: {"password": "..."}.
std::string encodeReadRequest(std::string_view password);
// Answers false for a malformed request.
bool decodeReadRequest(std::string_view body, std::string& password);

// Address-book reply: {"entries": [{"id", "name", "number"}...], "groups": [{"name", "members"}...],
// "revision": "..."}; the revision only when the book has one.
std::string encodeAddressBook(const DeviceBook& book);
// kAbifSuccess with `book` filled, or kAbifErrProtocol (malformed, wrong types, Ids out of range,
// more records than kMaxDeviceEntries / kMaxDeviceGroups, nested too deep, or a string longer than
// kMaxTextBytes). Reads the text as it streams through the parser: no tree of the whole reply is
// built, and the parser stops at the first record beyond a limit.
int32_t decodeAddressBook(std::string_view body, DeviceBook& book);

// Write request (PUT to kAddressBookPath): the address-book reply's members, the revision the
// client read included, and "password". Answers false for a malformed request or one without a
// revision; the records are held to the reply's limits.
std::string encodeWriteRequest(std::string_view password, const DeviceBook& book);
bool decodeWriteRequest(std::string_view body, std::string& password, DeviceBook& book);
// Write reply: {"revision": "..."}, the book's revision after the write. kAbifSuccess, or
// kAbifErrProtocol for a malformed reply.
std::string encodeWriteReply(std::string_view revision);
int32_t decodeWriteReply(std::string_view body, std::string& revision);

// Error reply of a refused request: {"error": "password" | "not-ready" | "revision" | "..."}.
inline constexpr const char* kErrorRevision = "revision";
inline constexpr const char* kErrorPassword = "password";
inline constexpr const char* kErrorNotReady = "not-ready";
inline constexpr const char* kErrorBadRequest = "bad-request";
std::string encodeError(std::string_view error);

} // namespace abif
