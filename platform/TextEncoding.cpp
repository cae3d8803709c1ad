#include "TextEncoding.h"

#include <QSysInfo>
#include <iconv.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// QString's own code units, without a byte-order mark.
constexpr const char* kNativeUtf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

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

qsizetype StringGetBytes(const QString& string, CFStringEncoding encoding, char* buffer, qsizetype capacity) {
    const char* name = IconvNameForEncoding(encoding);
    if (name == nullptr || string.isEmpty() || buffer == nullptr || capacity <= 0)
        return 0;
    Converter converter(name, kNativeUtf16);
    if (!converter.valid())
        return 0;
    size_t used = 0;
    converter.convert(reinterpret_cast<const char*>(string.utf16()), string.size() * sizeof(char16_t), buffer,
                      static_cast<size_t>(capacity), &used);
    return static_cast<qsizetype>(used);
}

QByteArray StringGetBytes(const QString& string, CFStringEncoding encoding) {
    // No encoding here needs more than 3 bytes per UTF-16 code unit; the rest is room for the flush.
    QByteArray bytes(string.size() * 3 + 16, Qt::Uninitialized);
    bytes.resize(StringGetBytes(string, encoding, bytes.data(), bytes.size()));
    return bytes;
}

QString StringCreateWithBytes(const char* bytes, qsizetype length, CFStringEncoding encoding,
                              qsizetype* bytesConverted) {
    if (bytesConverted != nullptr)
        *bytesConverted = 0;
    const char* name = IconvNameForEncoding(encoding);
    if (name == nullptr)
        return QString();
    if (bytes == nullptr || length <= 0)
        return QString(QLatin1String(""));
    Converter converter(kNativeUtf16, name);
    if (!converter.valid())
        return QString();
    // A byte gives at most one UTF-16 code unit, a pair of bytes at most two.
    QString string(length + 8, Qt::Uninitialized);
    size_t used = 0;
    const size_t left =
        converter.convert(bytes, static_cast<size_t>(length), reinterpret_cast<char*>(string.data()),
                          static_cast<size_t>(string.size()) * sizeof(char16_t), &used);
    string.resize(static_cast<qsizetype>(used / sizeof(char16_t)));
    if (bytesConverted != nullptr)
        *bytesConverted = length - static_cast<qsizetype>(left);
    return string;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
