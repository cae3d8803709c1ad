#include "Utils.h"

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

QString CreateEncryptedString(const QString& string, platform::CFStringEncoding encoding) {
    if (string.isNull())
        return QString();
    WorkBuffer plain{};
    WorkBuffer scrambled{};

    const auto converted =
        static_cast<int32_t>(platform::StringGetBytes(string, encoding, chars(plain), kWorkBufferSize));
    if (converted == 0)
        return QString();

    int32_t scrambledLength = 0;
    if (QuoEncrypt(plain.data(), converted, scrambled.data(), &scrambledLength, kWorkCapacity) != kQuoSuccess)
        return QString();

    plain.fill(0);
    int32_t textLength = 0;
    if (QuoBinToB64(scrambled.data(), scrambledLength, chars(plain), &textLength, kWorkCapacity) !=
        kQuoSuccess)
        return QString();
    return platform::StringCreateWithBytes(chars(plain), textLength, platform::kCFStringEncodingASCII);
}

QString CreateDecryptedString(const QString& string, platform::CFStringEncoding encoding) {
    if (string.isNull())
        return QString();
    WorkBuffer text{};
    WorkBuffer scrambled{};

    // Scrambled text is ASCII of at most 252 characters; a text that does not convert whole (too
    // long, or with a non-ASCII character) would decode cut short, so it gives nothing.
    const auto converted = static_cast<int32_t>(
        platform::StringGetBytes(string, platform::kCFStringEncodingASCII, chars(text), kWorkBufferSize));
    if (converted == 0 || converted != string.size())
        return QString();

    int32_t scrambledLength = 0;
    if (QuoB64ToBin(chars(text), converted, scrambled.data(), &scrambledLength, kWorkCapacity) != kQuoSuccess)
        return QString();

    text.fill(0);
    int32_t plainLength = 0;
    if (QuoEncrypt(scrambled.data(), scrambledLength, text.data(), &plainLength, kWorkCapacity) !=
        kQuoSuccess)
        return QString();

    // All or nothing: bytes that are not a whole text in the encoding give no string.
    qsizetype used = 0;
    QString result = platform::StringCreateWithBytes(chars(text), plainLength, encoding, &used);
    if (used != plainLength || result.isEmpty())
        return QString();
    return result;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
