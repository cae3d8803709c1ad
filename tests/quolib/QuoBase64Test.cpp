#include "QuoLib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {
namespace {

constexpr int32_t kUntouched = 0x5A5A5A5A;
constexpr uint8_t kGuard = 0xEE;

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string encode(const Bytes& in) {
    int32_t needed = 0;
    EXPECT_EQ(QuoBinToB64(in.data(), static_cast<int32_t>(in.size()), nullptr, &needed, 0),
              kQuoBufferTooSmall);
    std::string out(needed, '\0');
    int32_t slot = 0;
    EXPECT_EQ(QuoBinToB64(in.data(), static_cast<int32_t>(in.size()), out.data(), &slot, needed),
              kQuoSuccess);
    EXPECT_EQ(slot, needed);
    return out;
}

// Decodes into a buffer of exactly `capacity` bytes, so that a write past it is caught by the
// address sanitizer, and into a guarded copy, so that it is caught without one.
struct Decoded {
    int32_t result;
    int32_t slot;
    Bytes bytes;
};

Decoded decode(const std::string& text, int32_t capacity) {
    auto exact = std::make_unique<uint8_t[]>(capacity > 0 ? capacity : 1);
    Decoded d{0, kUntouched, {}};
    d.result = QuoB64ToBin(text.data(), static_cast<int32_t>(text.size()),
                           capacity != 0 ? exact.get() : nullptr, &d.slot, capacity);
    Bytes guarded(std::max(capacity, 0) + 16, kGuard);
    int32_t slot = kUntouched;
    EXPECT_EQ(QuoB64ToBin(text.data(), static_cast<int32_t>(text.size()), guarded.data(), &slot, capacity),
              d.result);
    EXPECT_EQ(slot, d.slot);
    for (size_t i = std::max(capacity, 0); i < guarded.size(); ++i)
        EXPECT_EQ(guarded[i], kGuard) << "write past the capacity at " << i << " for \"" << text << "\"";
    if (d.result == kQuoSuccess)
        d.bytes.assign(guarded.begin(), guarded.begin() + d.slot);
    return d;
}

Decoded decode(const std::string& text) {
    return decode(text, 3 * static_cast<int32_t>(text.size()) / 4);
}

// RFC 4648, section 10, and bytes that give the last two letters of the alphabet, "+" and "/".
const std::pair<std::string, std::string> kRfc4648[] = {
    {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"abc", "YWJj"}, {"\xfb\xff\xbf", "+/+/"},
    {"\xf8", "+A=="},      {"\xfc", "/A=="},
};

TEST(QuoBase64, Rfc4648Vectors) {
    for (const auto& [plain, text] : kRfc4648) {
        EXPECT_EQ(encode(bytesOf(plain)), text);
        const Decoded d = decode(text);
        EXPECT_EQ(d.result, kQuoSuccess) << text;
        EXPECT_EQ(d.bytes, bytesOf(plain)) << text;
    }
}

TEST(QuoBase64, RoundTripsEveryByteValueAndLength) {
    std::mt19937 random(4648);
    for (int32_t length = 1; length <= 300; ++length) {
        Bytes in(length);
        for (auto& b : in)
            b = static_cast<uint8_t>(random());
        const std::string text = encode(in);
        ASSERT_EQ(text.find_first_not_of(std::string(B64CHR) + "="), std::string::npos);
        const Decoded d = decode(text, length);
        ASSERT_EQ(d.result, kQuoSuccess) << length;
        EXPECT_EQ(d.bytes, in) << length;
    }
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(decode(encode(all)).bytes, all);
}

struct LimitCase {
    int32_t length; // of the input
    int32_t capacity;
    bool nullOutput;
    int32_t result;
    int32_t slot;
};

class QuoBinToB64Limits : public testing::TestWithParam<LimitCase> {};

TEST_P(QuoBinToB64Limits, ResultAndSlot) {
    const LimitCase c = GetParam();
    Bytes in(std::clamp(c.length, 1, 512), 'x'); // only read on success
    std::string out(c.capacity > 0 ? c.capacity + 8 : 8, '#');
    int32_t slot = kUntouched;
    EXPECT_EQ(QuoBinToB64(in.data(), c.length, c.nullOutput ? nullptr : out.data(), &slot, c.capacity),
              c.result);
    EXPECT_EQ(slot, c.slot);
    const size_t written = c.result == kQuoSuccess ? c.slot : 0;
    EXPECT_EQ(out.find('#'), written);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, QuoBinToB64Limits,
    testing::Values(
        LimitCase{1, 0, true, kQuoBufferTooSmall, 4}, LimitCase{3, 0, true, kQuoBufferTooSmall, 4},
        LimitCase{4, 0, true, kQuoBufferTooSmall, 8}, LimitCase{6, 0, false, kQuoBufferTooSmall, 8},
        LimitCase{7, 0, true, kQuoBufferTooSmall, 12}, LimitCase{4, 7, false, kQuoBufferTooSmall, 8},
        LimitCase{4, 8, false, kQuoSuccess, 8}, LimitCase{2, 100, false, kQuoSuccess, 4},
        LimitCase{189, 255, false, kQuoSuccess, 252}, LimitCase{190, 255, false, kQuoBufferTooSmall, 256},
        LimitCase{3, 4, true, kQuoNullPointer, kUntouched}, LimitCase{0, 4, false, kQuoBadLength, kUntouched},
        LimitCase{-3, 0, true, kQuoBadLength, kUntouched}, LimitCase{3, -1, false, kQuoBadLength, kUntouched},
        // The text of more than 1,610,612,733 bytes would not fit a 32-bit length.
        LimitCase{1610612734, 0, true, kQuoBadLength, kUntouched}));

TEST(QuoBinToB64, LargestEncodableLengthReportsItsSize) {
    uint8_t in = 0;
    int32_t slot = kUntouched;
    EXPECT_EQ(QuoBinToB64(&in, 1610612733, nullptr, &slot, 0), kQuoBufferTooSmall);
    EXPECT_EQ(slot, 2147483644);
}

TEST(QuoBase64, NullPointers) {
    uint8_t bytes[4] = {};
    char text[4] = {'Q', 'Q', '=', '='};
    int32_t slot = kUntouched;
    EXPECT_EQ(QuoBinToB64(nullptr, 1, text, &slot, 4), kQuoNullPointer);
    EXPECT_EQ(QuoBinToB64(bytes, 1, text, nullptr, 4), kQuoNullPointer);
    EXPECT_EQ(QuoB64ToBin(nullptr, 4, bytes, &slot, 4), kQuoNullPointer);
    EXPECT_EQ(QuoB64ToBin(text, 4, bytes, nullptr, 4), kQuoNullPointer);
    EXPECT_EQ(QuoB64ToBin(text, 4, nullptr, &slot, 4), kQuoNullPointer);
    EXPECT_EQ(slot, kUntouched);
}

struct DecodeCase {
    std::string text;
    int32_t capacity;
    int32_t result;
    int32_t slot;
    std::string bytes; // on success
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.text) << " cap " << c.capacity;
}

class QuoB64ToBinCases : public testing::TestWithParam<DecodeCase> {};

TEST_P(QuoB64ToBinCases, ResultSlotAndBytes) {
    const DecodeCase& c = GetParam();
    const Decoded d = decode(c.text, c.capacity);
    EXPECT_EQ(d.result, c.result);
    EXPECT_EQ(d.slot, c.slot);
    if (c.result == kQuoSuccess) {
        EXPECT_EQ(d.bytes, bytesOf(c.bytes));
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Limits, QuoB64ToBinCases,
                         testing::Values(DecodeCase{"QQ==", 0, kQuoBufferTooSmall, 1, ""},
                                         DecodeCase{"QQ==", 1, kQuoSuccess, 1, "A"},
                                         DecodeCase{"QUI=", 1, kQuoBufferTooSmall, 2, ""},
                                         DecodeCase{"QUI=", 2, kQuoSuccess, 2, "AB"},
                                         DecodeCase{"YWJj", 2, kQuoBufferTooSmall, 3, ""},
                                         DecodeCase{"YWJj", 3, kQuoSuccess, 3, "abc"},
                                         DecodeCase{"Zm9vYmFy", 5, kQuoBufferTooSmall, 6, ""},
                                         DecodeCase{"Zm9vYmFy", 64, kQuoSuccess, 6, "foobar"},
                                         DecodeCase{"Zm9vYm", 8, kQuoBadLength, kUntouched, ""},
                                         DecodeCase{"", 8, kQuoBadLength, kUntouched, ""},
                                         DecodeCase{"YWJj", -1, kQuoBadLength, kUntouched, ""},
                                         // Counted padding never makes the needed size negative.
                                         DecodeCase{"====", 0, kQuoBufferTooSmall, 0, ""}));

INSTANTIATE_TEST_SUITE_P(Lenient, QuoB64ToBinCases,
                         testing::Values(
                             // White space is skipped anywhere, but counts in the needed size.
                             DecodeCase{" Zm9v\r\nYmE=\t\v\f  ", 12, kQuoSuccess, 5, "fooba"},
                             DecodeCase{"Zm 9v", 0, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QQ= =", 0, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QQ= =   ", 6, kQuoSuccess, 1, "A"},
                             DecodeCase{"    ", 3, kQuoSuccess, 0, ""},
                             // The text ends at a zero byte.
                             DecodeCase{"Zm9v\0Zm9v"s.substr(0, 8), 6, kQuoSuccess, 3, "foo"},
                             DecodeCase{"\0QUJ"s, 3, kQuoSuccess, 0, ""},
                             DecodeCase{"QQ==\0\x80!="s, 5, kQuoSuccess, 1, "A"},
                             // Other ASCII characters are not reported: their bits are all ones.
                             DecodeCase{"Zm9!", 3, kQuoSuccess, 3, "fo\xff"},
                             DecodeCase{"!!!!", 3, kQuoSuccess, 3, "\xff\xff\xff"}));

INSTANTIATE_TEST_SUITE_P(Malformed, QuoB64ToBinCases,
                         testing::Values(
                             // Bytes of 128 and above.
                             DecodeCase{"QUJ\xc3", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"\x80QUJ", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QUJDQU\xff=", 6, kQuoBadLength, kUntouched, ""},
                             // Padding in the wrong place, or followed by more characters.
                             DecodeCase{"=QUJ", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"Q=UJ", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QQ=A", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QQ==QUJD", 6, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QUI=QQ==", 6, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QUJDQUJD====", 8, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QUJDQUJD====", 5, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"A===", 1, kQuoBadLength, kUntouched, ""},
                             // A last group cut short by white space that filled up the length.
                             DecodeCase{"QUJ\n", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QQ\n\n", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"Q   ", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QQ= ", 3, kQuoBadLength, kUntouched, ""},
                             DecodeCase{"QUJDQU\0="s, 5, kQuoBadLength, kUntouched, ""}));

INSTANTIATE_TEST_SUITE_P(PaddingCountedWrong, QuoB64ToBinCases,
                         testing::Values(
                             // "=" after the zero byte lower the needed size below what the text holds.
                             DecodeCase{"QUJD\0======="s, 2, kQuoBufferTooSmall, 3, ""},
                             DecodeCase{"QUJDQUJD\0======="s, 5, kQuoBufferTooSmall, 6, ""},
                             DecodeCase{"QUJDQUJD\0======="s, 6, kQuoSuccess, 6, "ABCABC"}));

// Any text from characters that trouble a decoder: the result is one of the codes, the slot never
// claims more than the capacity on success, and nothing is written past the capacity.
TEST(QuoB64ToBin, NeverWritesPastTheCapacity) {
    const char alphabet[] = {'Q', 'U', 'J', 'D', '=', '=', ' ', '\n', '\0', '!', '\x80', '\xff'};
    std::mt19937 random(1839);
    for (int round = 0; round < 20000; ++round) {
        std::string text(4 * (1 + random() % 5), ' ');
        for (char& c : text)
            c = alphabet[random() % sizeof alphabet];
        const auto capacity = static_cast<int32_t>(random() % (text.size() * 3 / 4 + 1));
        const Decoded d = decode(text, capacity);
        ASSERT_TRUE(d.result == kQuoSuccess || d.result == kQuoBadLength || d.result == kQuoBufferTooSmall);
        if (d.result == kQuoSuccess) {
            ASSERT_LE(d.slot, capacity);
        }
    }
}

TEST(QuoB64ToBin, LongTextWithWhiteSpaceInTheMiddle) {
    Bytes in(3000);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint8_t>(i * 31);
    std::string text = encode(in);
    text.insert(2001, "\n  \t");
    const Decoded d = decode(text, 3003); // the white space counts in the needed size
    ASSERT_EQ(d.result, kQuoSuccess);
    EXPECT_EQ(d.slot, 3000);
    EXPECT_EQ(d.bytes, in);
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax
