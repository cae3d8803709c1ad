#include "UtilityFunctions.h"

#include "HelpViewer.h"
#include "PpdFeature.h"
#include "SystemInfo.h"

#include <atomic>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr const char* kHelpBookNameKey = "CFBundleHelpBookName";

// -1 until the kernel release has been read successfully.
std::atomic<int> minorVersion{-1};

// The leading decimal number of a kernel release ("6.1.0-18-amd64" → 6); 0 without one or
// when it is too large to be a version.
int kernelMajorVersion(const QString& release) {
    qsizetype digits = 0;
    while (digits < release.size() && release.at(digits) >= QLatin1Char('0') &&
           release.at(digits) <= QLatin1Char('9'))
        ++digits;
    if (digits == 0 || digits > 6)
        return 0;
    return release.left(digits).toInt();
}

// The folder of the bundle's help book; empty without a bundle or when the bundle names none.
QString helpBookFolder(const platform::Bundle* bundle) {
    if (!bundle)
        return {};
    const QVariant name = bundle->objectForInfoDictionaryKey(QLatin1String(kHelpBookNameKey));
    if (name.typeId() != QMetaType::QString || name.toString().isEmpty())
        return {};
    return bundle->resourcePath() + QLatin1Char('/') + name.toString();
}

} // namespace

int getOSMinorVersion() {
    const int known = minorVersion.load(std::memory_order_acquire);
    if (known != -1)
        return known;
    const std::optional<QString> release = platform::SystemInfo::kernelRelease();
    if (!release)
        return -1;
    const int major = kernelMajorVersion(*release);
    if (major <= 0)
        return -1;
    // Every thread computes the same value; whoever stores first wins.
    int expected = -1;
    minorVersion.compare_exchange_strong(expected, major - 4, std::memory_order_acq_rel);
    return minorVersion.load(std::memory_order_acquire);
}

void resetOSMinorVersionForTesting() {
    minorVersion.store(-1, std::memory_order_release);
}

int unicharLength(const void* buffer, int32_t length) {
    if (!buffer || length < 1)
        return -1;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const int32_t units = length / 2;
    int32_t i = 0;
    // Four units at a time up to the four that hold a zero unit (a zero 16-bit lane, whatever
    // the byte order); the buffer need not be aligned.
    for (; i + 4 <= units; i += 4) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + 2 * i, sizeof word);
        if ((word - 0x0001000100010001u) & ~word & 0x8000800080008000u)
            break;
    }
    for (; i < units; ++i)
        if (bytes[2 * i] == 0 && bytes[2 * i + 1] == 0)
            return i;
    return -1;
}

void GotoHelpPage(const std::shared_ptr<platform::Bundle>& bundle, const QString& page,
                  const QString& anchor) {
    const QString book = helpBookFolder(bundle.get());
    if (!book.isEmpty())
        platform::HelpViewer::gotoPage(book, page, anchor);
}

void GotoHelpPage2_106(ppd_file_t* ppd, const char* keyword, const std::shared_ptr<platform::Bundle>& bundle,
                       const QString& defaultFolder, const QString& page, const QString& anchor) {
    if (!bundle || page.isEmpty())
        return;
    const std::optional<QString> folder = CopyPPDAttribute(ppd, keyword);
    GotoHelpPage(bundle, (folder && !folder->isEmpty() ? *folder : defaultFolder) + QLatin1Char('/') + page,
                 anchor);
}

void RegisterHelpBook(const std::shared_ptr<platform::Bundle>& bundle) {
    const QString book = helpBookFolder(bundle.get());
    if (!book.isEmpty())
        platform::HelpViewer::registerBook(bundle->bundleIdentifier(), book);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
