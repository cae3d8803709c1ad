#include "TextEncoding.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

qsizetype StringGetBytes(const QString& string, CFStringEncoding encoding, char* buffer, qsizetype capacity) {
    if (capacity <= 0)
        return 0;
    return static_cast<qsizetype>(
        Utf16GetBytes(utf16View(string), encoding, buffer, static_cast<size_t>(capacity)));
}

QByteArray StringGetBytes(const QString& string, CFStringEncoding encoding) {
    // No encoding here needs more than 3 bytes per UTF-16 code unit; the rest is room for the flush.
    QByteArray bytes(string.size() * 3 + 16, Qt::Uninitialized);
    bytes.resize(StringGetBytes(string, encoding, bytes.data(), bytes.size()));
    return bytes;
}

QString StringCreateWithBytes(const char* bytes, qsizetype length, CFStringEncoding encoding,
                              qsizetype* bytesConverted) {
    size_t used = 0;
    const std::string_view view = bytes != nullptr && length > 0
                                      ? std::string_view(bytes, static_cast<size_t>(length))
                                      : std::string_view();
    const std::optional<std::u16string> text = Utf16CreateWithBytes(view, encoding, &used);
    if (bytesConverted != nullptr)
        *bytesConverted = static_cast<qsizetype>(used);
    if (!text)
        return QString();
    if (text->empty())
        return QString(QLatin1String(""));
    return QString::fromStdU16String(*text);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
