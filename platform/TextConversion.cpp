#include "TextConversion.h"

#include <bit>
#include <iconv.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// The code units of a std::u16string, without a byte-order mark.
constexpr const char* kNativeUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// One iconv conversion descriptor, closed on destruction.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts until the input is used up or the first sequence that cannot be converted or does
    // not fit, then flushes what a stateful encoding still holds. Returns the input bytes left.
    size_t convert(const char* in, size_t inLeft, char* out, size_t outLeft, size_t* outUsed) {
        char* inPtr = const_cast<char*>(in);
        char* outPtr = out;
        const size_t outSize = outLeft;
        iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        *outUsed = outSize - outLeft;
        return inLeft;
    }

private:
    iconv_t cd_;
};

} // namespace

const char* IconvNameForEncoding(CFStringEncoding encoding) {
    switch (encoding) {
    case kCFStringEncodingShiftJIS_X0213:
        return "SHIFT_JISX0213";
    case kCFStringEncodingUTF8:
        return "UTF-8";
    case kCFStringEncodingISOLatin1:
        return "ISO-8859-1";
    case kCFStringEncodingWindowsLatin1:
        return "CP1252";
    case kCFStringEncodingASCII:
        return "ASCII";
    default:
        return nullptr;
    }
}

size_t Utf16GetBytes(std::u16string_view text, CFStringEncoding encoding, char* buffer, size_t capacity) {
    const char* name = IconvNameForEncoding(encoding);
    if (name == nullptr || text.empty() || buffer == nullptr || capacity == 0)
        return 0;
    Converter converter(name, kNativeUtf16);
    if (!converter.valid())
        return 0;
    size_t used = 0;
    converter.convert(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t), buffer,
                      capacity, &used);
    return used;
}

std::optional<std::u16string> Utf16CreateWithBytes(std::string_view bytes, CFStringEncoding encoding,
                                                   size_t* bytesConverted) {
    if (bytesConverted != nullptr)
        *bytesConverted = 0;
    const char* name = IconvNameForEncoding(encoding);
    if (name == nullptr)
        return std::nullopt;
    if (bytes.empty())
        return std::u16string();
    Converter converter(kNativeUtf16, name);
    if (!converter.valid())
        return std::nullopt;
    // A byte gives at most one UTF-16 code unit, a pair of bytes at most two.
    std::u16string text(bytes.size() + 8, u'\0');
    size_t used = 0;
    const size_t left = converter.convert(bytes.data(), bytes.size(), reinterpret_cast<char*>(text.data()),
                                          text.size() * sizeof(char16_t), &used);
    text.resize(used / sizeof(char16_t));
    if (bytesConverted != nullptr)
        *bytesConverted = bytes.size() - left;
    return text;
}

std::optional<size_t> Utf16LengthOfUtf8(std::string_view utf8) {
    auto byte = [utf8](size_t at) { return static_cast<unsigned char>(utf8[at]); };
    size_t units = 0;
    for (size_t at = 0; at < utf8.size();) {
        const unsigned char lead = byte(at);
        // The sequence length and the range of its second byte, which rules out overlong forms,
        // surrogates and code points above U+10FFFF (the well-formed sequences of Unicode 3.9).
        size_t length = 1;
        unsigned char low = 0x80, high = 0xBF;
        if (lead < 0x80) {
            ++at;
            ++units;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return std::nullopt;
        }
        if (utf8.size() - at < length || byte(at + 1) < low || byte(at + 1) > high)
            return std::nullopt;
        for (size_t next = at + 2; next < at + length; ++next)
            if ((byte(next) & 0xC0) != 0x80)
                return std::nullopt;
        at += length;
        units += length == 4 ? 2 : 1;
    }
    return units;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
