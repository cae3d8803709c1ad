#include "UtilityService.h"

#include "HelpViewer.h"
#include "PropertyList.h"
#include "SystemInfo.h"
#include "UtilityFunctions.h"

#include <QFileInfo>
#include <QSysInfo>
#include <QtDebug>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <plist/plist.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// -1 before the first query, then 0 or 1.
std::atomic<int> isSandbox{-1};
std::mutex sandboxMutex;

} // namespace

int UtilityService::isSandboxed() {
    int answer = isSandbox.load(std::memory_order_acquire);
    if (answer != -1)
        return answer;
    std::lock_guard lock(sandboxMutex);
    answer = isSandbox.load(std::memory_order_relaxed);
    if (answer == -1) {
        const std::optional<QString> home = platform::SystemInfo::homeDirectory();
        answer = home && home->contains(QLatin1String("Containers"), Qt::CaseSensitive) ? 1 : 0;
        isSandbox.store(answer, std::memory_order_release);
    }
    return answer;
}

void UtilityService::resetSandboxedForTesting() {
    std::lock_guard lock(sandboxMutex);
    isSandbox.store(-1, std::memory_order_release);
}

std::optional<QString> UtilityService::stringFromUnicodeBuf(const void* buffer, int32_t length) {
    if (!buffer || length < 1)
        return std::nullopt;
    const int units = unicharLength(buffer, length);
    if (units < 1)
        return std::nullopt;
    QString text(units, Qt::Uninitialized);
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // The units as they lie; the buffer need not be aligned for a char16_t.
        std::memcpy(text.data(), buffer, size_t(units) * 2);
    } else {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        QChar* out = text.data();
        for (int i = 0; i < units; ++i)
            out[i] = QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    }
    return text;
}

void UtilityService::removeHelpCacheForBundleID(const QString& bundleID) {
    if (bundleID.isNull())
        return;
    const QString path = platform::HelpViewer::registrationFilePath();
    std::lock_guard lock(platform::HelpViewer::registrationFileMutex());
    if (!QFileInfo::exists(path))
        return;
    platform::PlistPtr root = platform::ReadPropertyListFile(path);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return;

    // The first registration whose identifier equals the bundle's.
    plist_t books = plist_dict_get_item(root.get(), "RegisteredBooks");
    if (plist_get_node_type(books) != PLIST_DICT)
        return;
    const QByteArray id = bundleID.toUtf8();
    plist_t records = plist_dict_get_item(books, id.constData());
    if (!records)
        return;

    // Only a registration that points into a localized folder is stale. One without a
    // location at all is useless too and goes the same way.
    plist_t first = plist_array_get_item(records, 0);
    plist_t url = plist_dict_get_item(first, "url");
    if (url && !platform::PropertyListString(url).contains(QLatin1String(".lproj")))
        return;

    plist_dict_remove_item(books, id.constData());
    plist_t order = plist_dict_get_item(root.get(), "RegistrationOrder");
    for (uint32_t i = 0; i < plist_array_get_size(order); ++i) {
        if (platform::PropertyListString(plist_array_get_item(order, i)) == bundleID) {
            plist_array_remove_item(order, i);
            break;
        }
    }

    if (!platform::IsValidXmlPropertyList(root.get()))
        qWarning("Illegal Property List.");
    const std::optional<QByteArray> xml = platform::PropertyListToXml(root.get());
    if (!xml)
        return;
    platform::WriteFileAtomically(path, *xml);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
