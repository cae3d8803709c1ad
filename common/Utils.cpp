#include "Utils.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax {

QString CreateEncryptedString(const QString& string, platform::CFStringEncoding encoding) {
    const std::optional<std::string> text = CreateEncryptedString(platform::utf16View(string), encoding);
    return text ? QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())) : QString();
}

QString CreateDecryptedString(const QString& string, platform::CFStringEncoding encoding) {
    const std::optional<std::u16string> text = CreateDecryptedString(platform::utf16View(string), encoding);
    return text ? QString::fromStdU16String(*text) : QString();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
