// Services of the panels that reach the operating system: sandbox test, UTF-16 fields of
// address-book records, and the repair of a stale help-book registration.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class UtilityService {
public:
    UtilityService() = delete;

    // 1 when the process runs in an application container (its home directory path contains
    // "Containers"), else 0. Decided on the first call, then fixed. Safe from any thread.
    static int isSandboxed();

    // The UTF-16LE text before the first zero unit of a record field of `length` bytes;
    // nullopt for a null buffer, a length below 1, an empty text or a field without zero unit.
    static std::optional<QString> stringFromUnicodeBuf(const void* buffer, int32_t length);

    // Drops the help-viewer registration of `bundleID` when it points into a localized
    // (".lproj") folder, and rewrites the registration file as an XML property list.
    static void removeHelpCacheForBundleID(const QString& bundleID);

    // Forgets the sandbox answer. For tests.
    static void resetSandboxedForTesting();
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
