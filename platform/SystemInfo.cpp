#include "SystemInfo.h"

#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

struct Sources {
    std::mutex mutex;
    SystemInfo::TextSource kernelRelease;
    SystemInfo::TextSource homeDirectory;
};

Sources& sources() {
    static Sources* instance = new Sources;
    return *instance;
}

SystemInfo::TextSource current(SystemInfo::TextSource Sources::*member) {
    Sources& s = sources();
    std::lock_guard lock(s.mutex);
    return s.*member;
}

void replace(SystemInfo::TextSource Sources::*member, SystemInfo::TextSource source) {
    Sources& s = sources();
    std::lock_guard lock(s.mutex);
    s.*member = std::move(source);
}

std::optional<QString> systemKernelRelease() {
    struct utsname name {};
    if (uname(&name) != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(name.release);
}

std::optional<QString> systemHomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return QString::fromLocal8Bit(home);
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result ||
        !result->pw_dir || !*result->pw_dir)
        return std::nullopt;
    return QString::fromLocal8Bit(result->pw_dir);
}

} // namespace

std::optional<QString> SystemInfo::kernelRelease() {
    const TextSource source = current(&Sources::kernelRelease);
    return source ? source() : systemKernelRelease();
}

std::optional<QString> SystemInfo::homeDirectory() {
    const TextSource source = current(&Sources::homeDirectory);
    return source ? source() : systemHomeDirectory();
}

void SystemInfo::setKernelReleaseSource(TextSource source) {
    replace(&Sources::kernelRelease, std::move(source));
}

void SystemInfo::setHomeDirectorySource(TextSource source) {
    replace(&Sources::homeDirectory, std::move(source));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
