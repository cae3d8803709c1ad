// Base64 (RFC 4648, one line, padded) encoding and decoding of byte buffers.
#include "QuoLib.h"

#include <cstddef>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr uint8_t kNotInAlphabet = 0xFF;

// Character code (0-127) -> position in the alphabet, 0xFF for every other character ("=" too).
struct DecodeTable {
    uint8_t value[128];
};

constexpr DecodeTable makeDecodeTable() {
    DecodeTable table{};
    for (uint8_t& v : table.value)
        v = kNotInAlphabet;
    for (uint8_t i = 0; i < 64; ++i)
        table.value[static_cast<uint8_t>(B64CHR[i])] = i;
    return table;
}

constexpr DecodeTable kB64Index = makeDecodeTable();

// For the fast path: per position in a group of four, the character's six bits already shifted to
// their place in the 24-bit group; any byte that is not an alphabet character sets bit 24.
constexpr uint32_t kNeedsCare = 0x01000000;

struct GroupTables {
    uint32_t shifted[4][256];
};

constexpr GroupTables makeGroupTables() {
    GroupTables tables{};
    for (int c = 0; c < 256; ++c) {
        const uint8_t v = c < 128 ? kB64Index.value[c] : kNotInAlphabet;
        for (int position = 0; position < 4; ++position)
            tables.shifted[position][c] =
                v == kNotInAlphabet ? kNeedsCare : static_cast<uint32_t>(v) << (6 * (3 - position));
    }
    return tables;
}

constexpr GroupTables kGroupTables = makeGroupTables();

constexpr bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Largest input whose Base64 text still has a length that fits a signed 32-bit value.
constexpr int32_t kMaxEncodableLength = 1610612733;

// The general decoder: white space, zero byte, padding and characters outside the alphabet. It
// takes over from the fast path at a group boundary and counts on without writing once the
// capacity is reached.
class TextDecoder {
public:
    TextDecoder(const unsigned char* text, int32_t length, int32_t position, uint8_t* output,
                int32_t capacity, int32_t written)
        : text_(text), length_(length), position_(position), output_(output), capacity_(capacity),
          count_(written) {}

    // False for malformed text.
    bool run() {
        skipSpace();
        while (!atEnd()) {
            unsigned char c[4];
            for (int i = 0; i < 2; ++i) {
                if (!take(c[i]) || c[i] == kQuoB64Pad || atEnd())
                    return false;
            }
            if (!take(c[2]) || atEnd())
                return false;
            if (c[2] == kQuoB64Pad) {
                if (!take(c[3]) || c[3] != kQuoB64Pad)
                    return false;
                emit(static_cast<uint8_t>(value(c[0]) << 2 | value(c[1]) >> 4));
                return atEnd();
            }
            if (!take(c[3]))
                return false;
            emit(static_cast<uint8_t>(value(c[0]) << 2 | value(c[1]) >> 4));
            emit(static_cast<uint8_t>(value(c[1]) << 4 | value(c[2]) >> 2));
            if (c[3] == kQuoB64Pad)
                return atEnd();
            emit(static_cast<uint8_t>(value(c[2]) << 6 | value(c[3])));
        }
        return true;
    }

    int32_t count() const { return count_; }

private:
    bool atEnd() const { return position_ >= length_ || text_[position_] == 0; }

    void skipSpace() {
        while (!atEnd() && isSpace(text_[position_]))
            ++position_;
    }

    // Takes the next character and the white space after it; false for a byte outside ASCII.
    bool take(unsigned char& c) {
        c = text_[position_++];
        skipSpace();
        return c < 128;
    }

    static uint8_t value(unsigned char c) { return kB64Index.value[c]; }

    void emit(uint8_t byte) {
        if (count_ < capacity_)
            output_[count_] = byte;
        ++count_;
    }

    const unsigned char* text_;
    int32_t length_;
    int32_t position_;
    uint8_t* output_;
    int32_t capacity_;
    int32_t count_;
};

} // namespace

int32_t QuoBinToB64(const uint8_t* input, int32_t inputLength, char* output, int32_t* outputLength,
                    int32_t capacity) {
    if (input == nullptr || outputLength == nullptr || (output == nullptr && capacity != 0))
        return kQuoNullPointer;
    if (inputLength < 1 || capacity < 0 || inputLength > kMaxEncodableLength)
        return kQuoBadLength;

    const int32_t groups = inputLength / 3;
    const int32_t tail = inputLength % 3;
    const int32_t needed = 4 * groups + (tail != 0 ? 4 : 0);
    if (capacity == 0 || needed > capacity) {
        *outputLength = needed;
        return kQuoBufferTooSmall;
    }

    const uint8_t* in = input;
    char* out = output;
    for (int32_t g = 0; g < groups; ++g, in += 3, out += 4) {
        const uint32_t bits = static_cast<uint32_t>(in[0]) << 16 | static_cast<uint32_t>(in[1]) << 8 | in[2];
        out[0] = B64CHR[bits >> 18];
        out[1] = B64CHR[(bits >> 12) & 0x3F];
        out[2] = B64CHR[(bits >> 6) & 0x3F];
        out[3] = B64CHR[bits & 0x3F];
    }
    if (tail != 0) {
        const uint32_t bits =
            static_cast<uint32_t>(in[0]) << 16 | (tail == 2 ? static_cast<uint32_t>(in[1]) << 8 : 0);
        out[0] = B64CHR[bits >> 18];
        out[1] = B64CHR[(bits >> 12) & 0x3F];
        out[2] = tail == 2 ? B64CHR[(bits >> 6) & 0x3F] : kQuoB64Pad;
        out[3] = kQuoB64Pad;
    }
    *outputLength = needed;
    return kQuoSuccess;
}

int32_t QuoB64ToBin(const char* input, int32_t inputLength, uint8_t* output, int32_t* outputLength,
                    int32_t capacity) {
    if (input == nullptr || outputLength == nullptr || (output == nullptr && capacity != 0))
        return kQuoNullPointer;
    if (inputLength < 1 || capacity < 0 || inputLength % 4 != 0)
        return kQuoBadLength;

    const auto* text = reinterpret_cast<const unsigned char*>(input);
    int32_t padding = 0;
    for (int32_t i = inputLength - 1; i >= 0 && text[i] == kQuoB64Pad; --i)
        ++padding;
    int32_t needed = 3 * (inputLength / 4) - padding;
    if (needed < 0)
        needed = 0;
    if (capacity == 0 || needed > capacity) {
        *outputLength = needed;
        return kQuoBufferTooSmall;
    }

    // Fast path: whole groups of four alphabet characters that fit the capacity.
    const auto& t = kGroupTables.shifted;
    int32_t position = 0;
    int32_t written = 0;
    while (inputLength - position >= 4 && capacity - written >= 3) {
        const unsigned char* g = text + position;
        const uint32_t bits = t[0][g[0]] | t[1][g[1]] | t[2][g[2]] | t[3][g[3]];
        if (bits & kNeedsCare)
            break;
        output[written] = static_cast<uint8_t>(bits >> 16);
        output[written + 1] = static_cast<uint8_t>(bits >> 8);
        output[written + 2] = static_cast<uint8_t>(bits);
        position += 4;
        written += 3;
    }

    TextDecoder decoder(text, inputLength, position, output, capacity, written);
    if (!decoder.run())
        return kQuoBadLength;
    *outputLength = decoder.count();
    return decoder.count() > capacity ? kQuoBufferTooSmall : kQuoSuccess;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
