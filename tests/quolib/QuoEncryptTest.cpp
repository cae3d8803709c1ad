#include "QuoLib.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {
namespace {

constexpr int32_t kUntouched = 0x5A5A5A5A;
constexpr uint8_t kGuard = 0xEE;

TEST(QuoEncrypt, NullPointersWriteNothing) {
    uint8_t in[4] = {1, 2, 3, 4};
    uint8_t out[4] = {kGuard, kGuard, kGuard, kGuard};
    int32_t slot = kUntouched;
    EXPECT_EQ(QuoEncrypt(nullptr, 4, out, &slot, 4), kQuoNullPointer);
    EXPECT_EQ(QuoEncrypt(in, 4, nullptr, &slot, 4), kQuoNullPointer);
    EXPECT_EQ(QuoEncrypt(in, 4, out, nullptr, 4), kQuoNullPointer);
    EXPECT_EQ(slot, kUntouched);
    EXPECT_EQ(out[0], kGuard);
}

struct EncryptCase {
    int32_t length;
    int32_t capacity;
    int32_t result;
    int32_t slot; // kUntouched: not written
};

class QuoEncryptLimits : public testing::TestWithParam<EncryptCase> {};

TEST_P(QuoEncryptLimits, ResultSlotAndWrittenBytes) {
    const EncryptCase c = GetParam();
    std::vector<uint8_t> in(c.length > 0 ? c.length : 1, 0);
    std::vector<uint8_t> out(c.capacity > 0 ? c.capacity + 8 : 8, kGuard);
    int32_t slot = kUntouched;
    EXPECT_EQ(QuoEncrypt(in.data(), c.length, out.data(), &slot, c.capacity), c.result);
    EXPECT_EQ(slot, c.slot);
    const int32_t written = c.slot == kUntouched ? 0 : c.slot;
    // Zero bytes come out as the key; past the slot nothing is written.
    for (int32_t i = 0; i < static_cast<int32_t>(out.size()); ++i) {
        const uint8_t expected = i < written ? static_cast<uint8_t>("kdqz"[i % 4]) : kGuard;
        EXPECT_EQ(out[i], expected) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, QuoEncryptLimits,
    testing::Values(EncryptCase{0, 8, kQuoBadLength, kUntouched},
                    EncryptCase{-1, 8, kQuoBadLength, kUntouched},
                    EncryptCase{4, 0, kQuoBadLength, kUntouched},
                    EncryptCase{4, -5, kQuoBadLength, kUntouched}, EncryptCase{1, 1, kQuoSuccess, 1},
                    EncryptCase{3, 2, kQuoBufferTooSmall, 0}, EncryptCase{3, 3, kQuoSuccess, 3},
                    EncryptCase{4, 3, kQuoBufferTooSmall, 0}, EncryptCase{4, 4, kQuoSuccess, 4},
                    EncryptCase{5, 4, kQuoBufferTooSmall, 4}, EncryptCase{5, 5, kQuoSuccess, 5},
                    EncryptCase{7, 6, kQuoBufferTooSmall, 4}, EncryptCase{9, 7, kQuoBufferTooSmall, 4},
                    EncryptCase{8, 8, kQuoSuccess, 8}, EncryptCase{189, 255, kQuoSuccess, 189},
                    EncryptCase{256, 255, kQuoBufferTooSmall, 252}));

TEST(QuoEncrypt, IsItsOwnInverseForEveryLengthAndInPlace) {
    for (int32_t length = 1; length <= 70; ++length) {
        std::vector<uint8_t> in(length);
        std::iota(in.begin(), in.end(), static_cast<uint8_t>(length * 7));
        std::vector<uint8_t> scrambled(length), back(length);
        int32_t slot = 0;
        ASSERT_EQ(QuoEncrypt(in.data(), length, scrambled.data(), &slot, length), kQuoSuccess);
        ASSERT_EQ(slot, length);
        EXPECT_NE(scrambled, in);
        ASSERT_EQ(QuoEncrypt(scrambled.data(), length, back.data(), &slot, length), kQuoSuccess);
        EXPECT_EQ(back, in) << length;
        ASSERT_EQ(QuoEncrypt(scrambled.data(), length, scrambled.data(), &slot, length), kQuoSuccess);
        EXPECT_EQ(scrambled, in) << length;
    }
}

} // namespace
} // namespace com::velmora::cps::print::pde::tarncrest::directfax
