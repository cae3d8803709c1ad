// JSON encoding and strict decoding of the device protocol's messages.
#include "DeviceProtocol.h"

#include <nlohmann/json.hpp>

#include <limits>

namespace abif {

namespace {

using Json = nlohmann::json;

// The messages are flat (an address-book reply nests four levels); anything nested deeper is
// not one of them, and is refused before parsing.
constexpr size_t kMaxDepth = 8;

// Answers whether the arrays and objects of the JSON text `body` nest at most kMaxDepth levels.
bool shallow(std::string_view body) {
    size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : body) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth)
                return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

// Parses `body` without exceptions; answers a discarded value when it is not JSON or too deep.
Json parseShallow(std::string_view body) {
    if (!shallow(body))
        return Json(Json::value_t::discarded);
    return Json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
}

std::string dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool readId(const Json& value, uint16_t& id) {
    if (!value.is_number_integer())
        return false;
    if (value.is_number_unsigned()) {
        auto v = value.get<uint64_t>();
        if (v > std::numeric_limits<uint16_t>::max())
            return false;
        id = uint16_t(v);
        return true;
    }
    auto v = value.get<int64_t>();
    if (v < 0 || v > std::numeric_limits<uint16_t>::max())
        return false;
    id = uint16_t(v);
    return true;
}

bool readString(const Json& object, const char* key, std::string& out) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return false;
    out = it->get<std::string>();
    return true;
}

// An optional array member: missing counts as empty.
const Json* arrayMember(const Json& object, const char* key, bool& ok) {
    static const Json empty = Json::array();
    auto it = object.find(key);
    if (it == object.end())
        return &empty;
    if (!it->is_array())
        ok = false;
    return &*it;
}

bool decodeEntry(const Json& value, DeviceEntry& entry) {
    if (!value.is_object())
        return false;
    auto id = value.find("id");
    return id != value.end() && readId(*id, entry.id) && readString(value, "name", entry.name) &&
           readString(value, "number", entry.number);
}

bool decodeGroup(const Json& value, DeviceGroup& group) {
    if (!value.is_object() || !readString(value, "name", group.name))
        return false;
    bool ok = true;
    const Json* members = arrayMember(value, "members", ok);
    if (!ok)
        return false;
    group.members.resize(members->size());
    for (size_t i = 0; i < members->size(); ++i)
        if (!readId((*members)[i], group.members[i]))
            return false;
    return true;
}

} // namespace

std::string encodeStatus(bool ready) {
    return dump(Json{{"ready", ready}, {"state", ready ? "idle" : "busy"}});
}

int32_t decodeStatus(std::string_view body) {
    Json value = parseShallow(body);
    if (!value.is_object())
        return kAbifErrProtocol;
    auto ready = value.find("ready");
    if (ready == value.end() || !ready->is_boolean())
        return kAbifErrProtocol;
    return ready->get<bool>() ? kAbifDeviceReachable : kAbifDeviceNotReady;
}

std::string encodeReadRequest(std::string_view password) {
    return dump(Json{{"password", password}});
}

bool decodeReadRequest(std::string_view body, std::string& password) {
    Json value = parseShallow(body);
    return value.is_object() && readString(value, "password", password);
}

std::string encodeAddressBook(const DeviceBook& book) {
    Json entries = Json::array();
    for (const DeviceEntry& entry : book.entries)
        entries.push_back({{"id", entry.id}, {"name", entry.name}, {"number", entry.number}});
    Json groups = Json::array();
    for (const DeviceGroup& group : book.groups)
        groups.push_back({{"name", group.name}, {"members", group.members}});
    return dump(Json{{"entries", std::move(entries)}, {"groups", std::move(groups)}});
}

int32_t decodeAddressBook(std::string_view body, DeviceBook& book) {
    Json value = parseShallow(body);
    if (!value.is_object())
        return kAbifErrProtocol;
    bool ok = true;
    const Json* entries = arrayMember(value, "entries", ok);
    const Json* groups = arrayMember(value, "groups", ok);
    if (!ok || entries->size() > kMaxDeviceEntries || groups->size() > kMaxDeviceGroups)
        return kAbifErrProtocol;
    DeviceBook result;
    result.entries.resize(entries->size());
    for (size_t i = 0; i < entries->size(); ++i)
        if (!decodeEntry((*entries)[i], result.entries[i]))
            return kAbifErrProtocol;
    result.groups.resize(groups->size());
    for (size_t i = 0; i < groups->size(); ++i)
        if (!decodeGroup((*groups)[i], result.groups[i]))
            return kAbifErrProtocol;
    book = std::move(result);
    return kAbifSuccess;
}

std::string encodeError(std::string_view error) {
    return dump(Json{{"error", error}});
}

} // namespace abif
