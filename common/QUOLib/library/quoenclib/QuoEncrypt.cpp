// Exclusive-or scrambling with the fixed four-byte key.
#include "QuoLib.h"

#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr uint8_t kQuoKey[4] = {'k', 'd', 'q', 'z'};

} // namespace

int32_t QuoEncrypt(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t* outputLength,
                   int32_t capacity) {
    if (input == nullptr || output == nullptr || outputLength == nullptr)
        return kQuoNullPointer;
    if (inputLength < 1 || capacity < 1)
        return kQuoBadLength;

    *outputLength = 0;

    // Byte i goes with key byte i mod 4: the key as one word in memory order does a group at a time.
    uint32_t keyWord;
    std::memcpy(&keyWord, kQuoKey, sizeof keyWord);

    const int32_t groups = inputLength / 4;
    const int32_t fittingGroups = capacity / 4;
    const int32_t written = groups < fittingGroups ? groups : fittingGroups;
    for (int32_t g = 0; g < written; ++g) {
        uint32_t word;
        std::memcpy(&word, input + 4 * g, sizeof word);
        word ^= keyWord;
        std::memcpy(output + 4 * g, &word, sizeof word);
    }
    *outputLength = 4 * written;
    if (written < groups)
        return kQuoBufferTooSmall;

    const int32_t tail = inputLength % 4;
    if (tail == 0)
        return kQuoSuccess;
    if (capacity - *outputLength < tail)
        return kQuoBufferTooSmall;
    for (int32_t i = 0; i < tail; ++i)
        output[*outputLength + i] = input[*outputLength + i] ^ kQuoKey[i];
    *outputLength += tail;
    return kQuoSuccess;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
