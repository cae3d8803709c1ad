#include "ScrambledString.h"

#include "QuoLib.h"

#include <array>
#include <cstdint>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The two work buffers; every byte-routine call leaves the last byte alone.
constexpr int32_t kWorkBufferSize = 256;
constexpr int32_t kWorkCapacity = kWorkBufferSize - 1;

using WorkBuffer = std::array<uint8_t, kWorkBufferSize>;

char* chars(WorkBuffer& buffer) {
    return reinterpret_cast<char*>(buffer.data());
}

} // namespace

std::optional<std::string> CreateEncryptedString(std::u16string_view string,
                                                 platform::CFStringEncoding encoding) {
    WorkBuffer plain{};
    WorkBuffer scrambled{};

    const auto converted =
        static_cast<int32_t>(platform::Utf16GetBytes(string, encoding, chars(plain), kWorkBufferSize));
    if (converted == 0)
        return std::nullopt;

    int32_t scrambledLength = 0;
    if (QuoEncrypt(plain.data(), converted, scrambled.data(), &scrambledLength, kWorkCapacity) != kQuoSuccess)
        return std::nullopt;

    plain.fill(0);
    int32_t textLength = 0;
    if (QuoBinToB64(scrambled.data(), scrambledLength, chars(plain), &textLength, kWorkCapacity) !=
            kQuoSuccess ||
        textLength <= 0)
        return std::nullopt;
    return std::string(chars(plain), static_cast<size_t>(textLength));
}

std::optional<std::u16string> CreateDecryptedString(std::u16string_view string,
                                                    platform::CFStringEncoding encoding) {
    WorkBuffer text{};
    WorkBuffer scrambled{};

    // Scrambled text is ASCII of at most 252 characters; a text that does not convert whole (too
    // long, or with a non-ASCII character) would decode cut short, so it gives nothing.
    const auto converted = static_cast<int32_t>(
        platform::Utf16GetBytes(string, platform::kCFStringEncodingASCII, chars(text), kWorkBufferSize));
    if (converted == 0 || static_cast<size_t>(converted) != string.size())
        return std::nullopt;

    int32_t scrambledLength = 0;
    if (QuoB64ToBin(chars(text), converted, scrambled.data(), &scrambledLength, kWorkCapacity) != kQuoSuccess)
        return std::nullopt;

    text.fill(0);
    int32_t plainLength = 0;
    if (QuoEncrypt(scrambled.data(), scrambledLength, text.data(), &plainLength, kWorkCapacity) !=
        kQuoSuccess)
        return std::nullopt;

    // All or nothing: bytes that are not a whole text in the encoding give no string.
    const size_t length = plainLength > 0 ? static_cast<size_t>(plainLength) : 0;
    size_t used = 0;
    std::optional<std::u16string> result =
        platform::Utf16CreateWithBytes(std::string_view(chars(text), length), encoding, &used);
    if (!result || used != length || result->empty())
        return std::nullopt;
    return result;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
