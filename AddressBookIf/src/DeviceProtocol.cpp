// JSON encoding, and strict decoding as the text streams in, of the device protocol's messages.
#include "DeviceProtocol.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <optional>
#include <vector>

namespace abif {

namespace {

using Json = nlohmann::json;

// The messages are flat (an address-book reply nests four levels); anything nested deeper is
// not one of them.
constexpr size_t kMaxDepth = 8;

// Answers whether every string of the JSON text `body` (member names included) is at most
// kMaxTextBytes long. Checked before parsing: the parser keeps two growing copies of the string
// it reads, so a long one would cost several times its size.
bool textsWithinLimit(std::string_view body) {
    bool inString = false;
    bool escaped = false;
    size_t length = 0;
    for (char c : body) {
        if (!inString) {
            if (c == '"') {
                inString = true;
                length = 0;
            }
        } else if (++length > kMaxTextBytes) {
            return false;
        } else if (escaped) {
            escaped = false;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == '"') {
            inString = false;
        }
    }
    return true;
}

// One scalar value of a message, as the parser hands it over.
struct Scalar {
    enum class Type { Null, Boolean, Integer, Unsigned, Float, String, Binary } type;
    bool boolean = false;
    int64_t integer = 0;
    uint64_t unsignedInteger = 0;
    const std::string* text = nullptr; // the parser's buffer
};

// What a container of a message stands for.
enum class Frame { Root, Entries, Entry, Groups, Group, Members, Skipped };

// Reads a message as the parser streams it, keeping only what the message is made of: members it
// does not know are skipped without being stored, so no reply is ever built as a whole tree, and
// the limits of the message stop the parser as soon as they are passed. Subclasses handle the
// values inside the root object.
class MessageReader : public nlohmann::json_sax<Json> {
public:
    bool null() override { return scalar({Scalar::Type::Null}); }
    bool boolean(bool value) override {
        Scalar s{Scalar::Type::Boolean};
        s.boolean = value;
        return scalar(s);
    }
    bool number_integer(number_integer_t value) override {
        Scalar s{Scalar::Type::Integer};
        s.integer = value;
        return scalar(s);
    }
    bool number_unsigned(number_unsigned_t value) override {
        Scalar s{Scalar::Type::Unsigned};
        s.unsignedInteger = value;
        return scalar(s);
    }
    bool number_float(number_float_t, const string_t&) override { return scalar({Scalar::Type::Float}); }
    bool string(string_t& value) override {
        Scalar s{Scalar::Type::String};
        s.text = &value;
        return scalar(s);
    }
    bool binary(binary_t&) override { return scalar({Scalar::Type::Binary}); }
    bool start_object(std::size_t) override { return open(false); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& value) override {
        keys_.back() = std::move(value);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    // Parses `body` into the reader; answers whether it is a well-formed message.
    bool read(std::string_view body) {
        return textsWithinLimit(body) &&
               Json::sax_parse(body.begin(), body.end(), this, nlohmann::json::input_format_t::json,
                               /*strict=*/true) &&
               complete_;
    }

protected:
    // A value whose parent is `parent` (keyed by `key` in an object). Answers the frame of a
    // container value, or nullopt to refuse the message; scalars answer Frame::Skipped.
    virtual std::optional<Frame> value(Frame parent, const std::string& key, const Scalar* scalar,
                                       bool isArray) = 0;
    // A container of `frame` ends; answers whether it was whole.
    virtual bool closed(Frame) { return true; }

private:
    bool scalar(const Scalar& s) {
        if (frames_.empty())
            return false; // the message is an object
        if (frames_.back() == Frame::Skipped)
            return true;
        return value(frames_.back(), keys_.back(), &s, false).has_value();
    }
    bool open(bool isArray) {
        if (frames_.size() >= kMaxDepth)
            return false;
        std::optional<Frame> frame;
        if (frames_.empty())
            frame = isArray ? std::nullopt : std::optional(Frame::Root);
        else if (frames_.back() == Frame::Skipped)
            frame = Frame::Skipped;
        else
            frame = value(frames_.back(), keys_.back(), nullptr, isArray);
        if (!frame)
            return false;
        frames_.push_back(*frame);
        keys_.emplace_back();
        return true;
    }
    bool close() {
        Frame frame = frames_.back();
        frames_.pop_back();
        keys_.pop_back();
        if (frames_.empty())
            complete_ = true;
        return frame == Frame::Skipped || closed(frame);
    }

    std::vector<Frame> frames_;
    std::vector<std::string> keys_; // the current key of each open object
    bool complete_ = false;
};

bool readId(const Scalar* value, uint16_t& id) {
    if (!value)
        return false;
    if (value->type == Scalar::Type::Unsigned &&
        value->unsignedInteger <= std::numeric_limits<uint16_t>::max()) {
        id = uint16_t(value->unsignedInteger);
        return true;
    }
    if (value->type == Scalar::Type::Integer && value->integer >= 0 &&
        value->integer <= std::numeric_limits<uint16_t>::max()) {
        id = uint16_t(value->integer);
        return true;
    }
    return false;
}

bool readString(const Scalar* value, std::string& out) {
    if (!value || value->type != Scalar::Type::String)
        return false;
    // A copy holds just the text; the parser's buffer may have grown to twice its size.
    out.assign(*value->text);
    return true;
}

// The answer to a member the reader does not need: containers are skipped.
std::optional<Frame> skip(const Scalar*) {
    return Frame::Skipped;
}

// A message that is one object; `member(key, value)` sees each of its scalar members, and answers
// false to refuse the message.
template <typename Member> class ObjectReader : public MessageReader {
public:
    explicit ObjectReader(Member member) : member_(std::move(member)) {}

protected:
    std::optional<Frame> value(Frame, const std::string& key, const Scalar* scalar, bool) override {
        if (!member_(key, scalar))
            return std::nullopt;
        return skip(scalar);
    }

private:
    Member member_;
};

// The address-book reply. The last of repeated members counts; a record that lacks a member it
// needs, or has one of the wrong type, refuses the reply.
class BookReader : public MessageReader {
public:
    DeviceBook book;
    std::optional<std::string> password; // of a write request

protected:
    std::optional<Frame> value(Frame parent, const std::string& key, const Scalar* scalar,
                               bool isArray) override {
        switch (parent) {
        case Frame::Root:
            if (key == "revision" &&
                !(readString(scalar, book.revision) && book.revision.size() <= kMaxRevisionBytes))
                return std::nullopt;
            if (key == "password") {
                password.emplace();
                if (!readString(scalar, *password))
                    return std::nullopt;
            }
            if (key == "entries" || key == "groups") {
                if (scalar || !isArray)
                    return std::nullopt;
                if (key == "entries") {
                    book.entries.clear();
                    return Frame::Entries;
                }
                book.groups.clear();
                return Frame::Groups;
            }
            return skip(scalar);
        case Frame::Entries:
            if (scalar || isArray || book.entries.size() >= kMaxDeviceEntries)
                return std::nullopt;
            book.entries.emplace_back();
            fields_ = 0;
            return Frame::Entry;
        case Frame::Groups:
            if (scalar || isArray || book.groups.size() >= kMaxDeviceGroups)
                return std::nullopt;
            book.groups.emplace_back();
            fields_ = kMembersField; // members may be missing
            return Frame::Group;
        case Frame::Entry: {
            DeviceEntry& entry = book.entries.back();
            if (key == "id")
                mark(kIdField, readId(scalar, entry.id));
            else if (key == "name")
                mark(kNameField, readString(scalar, entry.name));
            else if (key == "number")
                mark(kNumberField, readString(scalar, entry.number));
            return skip(scalar);
        }
        case Frame::Group:
            if (key == "name")
                mark(kNameField, readString(scalar, book.groups.back().name));
            if (key != "members")
                return skip(scalar);
            book.groups.back().members.clear();
            mark(kMembersField, !scalar && isArray);
            return scalar || !isArray ? skip(scalar) : std::optional(Frame::Members);
        case Frame::Members: {
            uint16_t id = 0;
            if (!readId(scalar, id))
                return std::nullopt;
            book.groups.back().members.push_back(id);
            return Frame::Skipped;
        }
        case Frame::Skipped:
            break;
        }
        return skip(scalar);
    }

    bool closed(Frame frame) override {
        if (frame == Frame::Entry)
            return fields_ == (kIdField | kNameField | kNumberField);
        if (frame == Frame::Group)
            return fields_ == (kNameField | kMembersField);
        return true;
    }

private:
    static constexpr unsigned kIdField = 1, kNameField = 2, kNumberField = 4, kMembersField = 8;
    void mark(unsigned field, bool valid) { fields_ = valid ? fields_ | field : fields_ & ~field; }
    unsigned fields_ = 0; // the valid members of the record being read
};

std::string dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace

std::string encodeStatus(bool ready) {
    return dump(Json{{"ready", ready}, {"state", ready ? "idle" : "busy"}});
}

int32_t decodeStatus(std::string_view body) {
    std::optional<bool> ready;
    ObjectReader reader([&](const std::string& key, const Scalar* value) {
        if (key == "ready")
            ready =
                value && value->type == Scalar::Type::Boolean ? std::optional(value->boolean) : std::nullopt;
        return true;
    });
    if (!reader.read(body) || !ready)
        return kAbifErrProtocol;
    return *ready ? kAbifDeviceReachable : kAbifDeviceNotReady;
}

std::string encodeReadRequest(std::string_view password) {
    return dump(Json{{"password", password}});
}

bool decodeReadRequest(std::string_view body, std::string& password) {
    std::optional<std::string> found;
    ObjectReader reader([&](const std::string& key, const Scalar* value) {
        if (key == "password") {
            found.reset();
            std::string text;
            if (readString(value, text))
                found = std::move(text);
        }
        return true;
    });
    if (!reader.read(body) || !found)
        return false;
    password = std::move(*found);
    return true;
}

namespace {

Json bookJson(const DeviceBook& book) {
    Json entries = Json::array();
    for (const DeviceEntry& entry : book.entries)
        entries.push_back({{"id", entry.id}, {"name", entry.name}, {"number", entry.number}});
    Json groups = Json::array();
    for (const DeviceGroup& group : book.groups)
        groups.push_back({{"name", group.name}, {"members", group.members}});
    Json message{{"entries", std::move(entries)}, {"groups", std::move(groups)}};
    if (!book.revision.empty())
        message["revision"] = book.revision;
    return message;
}

} // namespace

std::string encodeAddressBook(const DeviceBook& book) {
    return dump(bookJson(book));
}

int32_t decodeAddressBook(std::string_view body, DeviceBook& book) {
    BookReader reader;
    if (!reader.read(body))
        return kAbifErrProtocol;
    book = std::move(reader.book);
    return kAbifSuccess;
}

std::string encodeWriteRequest(std::string_view password, const DeviceBook& book) {
    Json message = bookJson(book);
    message["password"] = password;
    return dump(message);
}

bool decodeWriteRequest(std::string_view body, std::string& password, DeviceBook& book) {
    BookReader reader;
    if (!reader.read(body) || !reader.password || reader.book.revision.empty())
        return false;
    password = std::move(*reader.password);
    book = std::move(reader.book);
    return true;
}

std::string encodeWriteReply(std::string_view revision) {
    return dump(Json{{"revision", revision}});
}

int32_t decodeWriteReply(std::string_view body, std::string& revision) {
    std::optional<std::string> found;
    ObjectReader reader([&](const std::string& key, const Scalar* value) {
        if (key != "revision")
            return true;
        found.emplace();
        return readString(value, *found) && found->size() <= kMaxRevisionBytes;
    });
    if (!reader.read(body) || !found || found->empty())
        return kAbifErrProtocol;
    revision = std::move(*found);
    return kAbifSuccess;
}

std::string encodeError(std::string_view error) {
    return dump(Json{{"error", error}});
}

} // namespace abif
