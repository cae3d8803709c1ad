#include "PropertyListLimits.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// Element nesting of XML: the <plist> element and a leaf element come on top of the containers.
PropertyListCheck checkXml(std::string_view text) {
    // A zero byte would reach libplist inside a string or a key, which stops the process; UTF-8
    // text has none.
    if (text.find('\0') != std::string_view::npos)
        return PropertyListCheck::Malformed;
    constexpr int kMaxElementDepth = kMaxPropertyListDepth + 2;
    int depth = 0;
    size_t elements = 0;
    size_t i = 0;
    auto skipPast = [&](std::string_view end) {
        size_t found = text.find(end, i);
        i = found == std::string_view::npos ? text.size() : found + end.size();
    };
    while ((i = text.find('<', i)) != std::string_view::npos) {
        std::string_view rest = text.substr(i);
        if (rest.starts_with("<!--")) {
            skipPast("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.starts_with("<?")) {
            skipPast("?>");
        } else if (rest.starts_with("<!")) {
            // A document type with an internal subset could declare entities.
            size_t end = text.find('>', i);
            if (text.substr(i, end == std::string_view::npos ? text.size() - i : end - i).find('[') !=
                std::string_view::npos)
                return PropertyListCheck::Malformed;
            skipPast(">");
        } else if (rest.starts_with("</")) {
            if (depth > 0)
                --depth;
            skipPast(">");
        } else {
            // A start tag; quoted attribute values may hold '>'.
            char quote = 0;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
                char c = text[j];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (j >= text.size())
                break; // cut short: the parser refuses it
            if (++elements > kMaxPropertyListNodes)
                return PropertyListCheck::TooLarge;
            if (text[j - 1] != '/' && ++depth > kMaxElementDepth)
                return PropertyListCheck::TooDeep;
            i = j + 1;
        }
    }
    return PropertyListCheck::Acceptable;
}

// The binary format ("bplist00"): objects, an offset table, and a 32-byte trailer. A path from the
// top object holds at most the containers and one scalar.
class BinaryChecker {
    static constexpr size_t kMaxPath = size_t(kMaxPropertyListDepth) + 1;

public:
    explicit BinaryChecker(std::string_view data) : data_(data) {}

    PropertyListCheck check() {
        if (data_.size() < 8 + 32)
            return PropertyListCheck::Malformed;
        const size_t trailer = data_.size() - 32;
        offsetSize_ = uint8_t(data_[trailer + 6]);
        refSize_ = uint8_t(data_[trailer + 7]);
        const uint64_t count = readBig(trailer + 8, 8);
        const uint64_t top = readBig(trailer + 16, 8);
        tableOffset_ = readBig(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || count == 0 ||
            top >= count || tableOffset_ < 8 || tableOffset_ > trailer ||
            count > (trailer - tableOffset_) / offsetSize_)
            return PropertyListCheck::Malformed;
        count_ = size_t(count);
        height_.assign(count_, 0);
        size_.assign(count_, 0);
        state_.assign(count_, State::New);
        return walk(size_t(top));
    }

private:
    enum class State : uint8_t { New, Open, Done };
    struct Frame {
        size_t object;
        size_t firstRef; // byte offset of its first reference
        size_t refs;     // number of references
        size_t next;     // the next reference to follow
    };

    uint64_t readBig(size_t offset, size_t width) const {
        uint64_t value = 0;
        for (size_t k = 0; k < width; ++k)
            value = value << 8 | uint8_t(data_[offset + k]);
        return value;
    }

    // Whether the `length` characters of `width` bytes at `at` hold no zero character, which
    // libplist cannot take in a string or a key (it stops the process on one).
    bool textWithoutZero(size_t at, uint64_t length, size_t width) const {
        if (length > (tableOffset_ - at) / width)
            return false;
        for (size_t k = 0; k < length; ++k) {
            bool zero = true;
            for (size_t b = 0; b < width; ++b)
                zero = zero && data_[at + k * width + b] == 0;
            if (zero)
                return false;
        }
        return true;
    }

    // Where the references of `object` lie; false for a malformed object (or a string with a zero
    // character). Scalars have none.
    bool references(size_t object, size_t& firstRef, size_t& refs) const {
        const uint64_t offset = readBig(size_t(tableOffset_) + object * offsetSize_, offsetSize_);
        if (offset < 8 || offset >= tableOffset_)
            return false;
        const uint8_t marker = uint8_t(data_[offset]);
        const uint8_t type = marker >> 4;
        firstRef = 0;
        refs = 0;
        const bool text = type == 0x5 || type == 0x6;
        if (!text && type != 0xA && type != 0xC && type != 0xD)
            return true;
        size_t at = size_t(offset) + 1;
        uint64_t length = marker & 0x0F;
        if (length == 0x0F) {
            if (at >= tableOffset_)
                return false;
            const uint8_t sizeMarker = uint8_t(data_[at]);
            const size_t width = size_t(1) << (sizeMarker & 0x0F);
            if ((sizeMarker >> 4) != 0x1 || width > 8 || at + 1 + width > tableOffset_)
                return false;
            length = readBig(at + 1, width);
            at += 1 + width;
        }
        if (text)
            return textWithoutZero(at, length, type == 0x6 ? 2 : 1);
        const uint64_t total = type == 0xD ? 2 * length : length; // a dictionary: keys, then values
        if (length > tableOffset_ || total > (tableOffset_ - at) / refSize_)
            return false;
        firstRef = at;
        refs = size_t(total);
        return true;
    }

    PropertyListCheck walk(size_t top) {
        std::vector<Frame> stack;
        if (!push(top, stack))
            return PropertyListCheck::Malformed;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.refs) {
                state_[frame.object] = State::Done;
                const size_t object = frame.object;
                stack.pop_back();
                if (!stack.empty()) {
                    const size_t parent = stack.back().object;
                    if (!adopt(parent, object))
                        return PropertyListCheck::TooLarge;
                }
                continue;
            }
            const uint64_t child = readBig(frame.firstRef + frame.next * refSize_, refSize_);
            ++frame.next;
            if (child >= count_)
                return PropertyListCheck::Malformed;
            const size_t object = frame.object;
            switch (state_[child]) {
            case State::Open:
                return PropertyListCheck::Malformed; // refers to itself
            case State::Done:
                // Shared: libplist copies it out again under this parent.
                if (stack.size() + height_[child] + 1 > kMaxPath)
                    return PropertyListCheck::TooDeep;
                if (!adopt(object, size_t(child)))
                    return PropertyListCheck::TooLarge;
                break;
            case State::New:
                if (stack.size() + 1 > kMaxPath)
                    return PropertyListCheck::TooDeep;
                if (!push(size_t(child), stack))
                    return PropertyListCheck::Malformed;
                break;
            }
        }
        return PropertyListCheck::Acceptable;
    }

    // Counts the finished `child` into `parent`; false when the tree grows too large.
    bool adopt(size_t parent, size_t child) {
        height_[parent] = std::max<uint8_t>(height_[parent], uint8_t(height_[child] + 1));
        size_[parent] += size_[child];
        return size_[parent] <= kMaxPropertyListNodes;
    }

    bool push(size_t object, std::vector<Frame>& stack) {
        size_t firstRef = 0, refs = 0;
        if (!references(object, firstRef, refs))
            return false;
        state_[object] = State::Open;
        size_[object] = 1;
        stack.push_back({object, firstRef, refs, 0});
        return true;
    }

    std::string_view data_;
    uint8_t offsetSize_ = 0;
    uint8_t refSize_ = 0;
    uint64_t tableOffset_ = 0;
    size_t count_ = 0;
    // Of each finished object: the longest path below it (at most kMaxPath) and the nodes of its
    // tree (at most kMaxPropertyListNodes), small so a file of many objects costs little.
    std::vector<uint8_t> height_;
    std::vector<uint32_t> size_;
    std::vector<State> state_;
};

} // namespace

PropertyListCheck CheckPropertyListLimits(const QByteArray& data) {
    if (data.size() > kMaxPropertyListBytes)
        return PropertyListCheck::TooLarge;
    const std::string_view text(data.constData(), size_t(data.size()));
    if (text.starts_with("bplist00"))
        return BinaryChecker(text).check();
    return checkXml(text);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
