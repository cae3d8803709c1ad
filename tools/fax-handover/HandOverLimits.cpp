#include "HandOverLimits.h"

#include "FaxInbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace com::velmora::cps::print::pde::tarncrest::directfax::handover {

namespace {

constexpr size_t kMaxConfigurationBytes = 4096;

// The file's text when it may be trusted: a regular file (no link followed) that only root or
// this process's user can change; empty otherwise.
std::string trustedText(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        (info.st_uid == 0 || info.st_uid == ::geteuid()) && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
        char buffer[kMaxConfigurationBytes];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.assign(buffer, size_t(n));
    }
    ::close(fd);
    return text;
}

} // namespace

HandOverLimits HandOverLimits::forServerBin(const char* serverBin) {
    HandOverLimits limits;
    if (!serverBin || !*serverBin)
        return limits;
    std::istringstream lines(trustedText(std::string(serverBin) + "/" + faxinbox::kHandOverConfiguration));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;
        const std::string key = line.substr(0, space);
        const std::string value = line.substr(space + 1);
        const long long number = std::atoll(value.c_str());
        if (key == "sessions-root" && value.starts_with('/'))
            limits.sessionsRoot = value;
        else if (key == "session-wait" && number >= 0 && number <= 3600)
            limits.sessionWaitSeconds = int(number);
        else if (key == "max-bytes" && number > 0)
            limits.maxBytes = number;
        else if (key == "read-time" && number > 0 && number <= 3600)
            limits.readSeconds = int(number);
    }
    return limits;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::handover
