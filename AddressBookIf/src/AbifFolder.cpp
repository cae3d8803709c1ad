// The folder of the address-book files and the names of its files.
#include "AbifStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kFolderBelowDataHome = "/velmora/directfax/addressbooks";

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string dataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    std::string home = homeDirectory();
    if (home.empty())
        abif::fail(kAbifErrFile, "no home directory");
    return home + "/.local/share";
}

// Creates every missing folder of `path`, the new ones readable by the user only.
void makeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            abif::fail(kAbifErrFile, "cannot create " + part + ": " + std::strerror(errno));
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        abif::fail(kAbifErrFile, path + " is not a folder");
}

std::string folder() {
    std::string path = dataHome() + kFolderBelowDataHome;
    makeFolders(path);
    return path;
}

bool endsWith(std::string_view name, std::string_view suffix) {
    return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

bool isListed(const std::string& folderPath, const char* name) {
    std::string_view n(name);
    if (n.empty() || n[0] == '.')
        return false;
    if (endsWith(n, "-journal") || endsWith(n, "-wal") || endsWith(n, "-shm"))
        return false;
    struct stat st {};
    return ::stat((folderPath + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

extern "C" {

const char* AbifGADFile_GetFileDirectory(void) {
    thread_local std::string result;
    int32_t rc = abif::guarded("AbifGADFile_GetFileDirectory", [&] { result = folder(); });
    return rc == kAbifSuccess ? result.c_str() : nullptr;
}

const char* AbifGADFile_GetFileList(void) {
    thread_local std::string result;
    int32_t rc = abif::guarded("AbifGADFile_GetFileList", [&] {
        std::string path = folder();
        DIR* dir = ::opendir(path.c_str());
        if (!dir)
            abif::fail(kAbifErrFile, "cannot list " + path + ": " + std::strerror(errno));
        std::vector<std::string> names;
        while (dirent* item = ::readdir(dir))
            if (isListed(path, item->d_name))
                names.emplace_back(item->d_name);
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        // Each name with its U+0000; the zero that ends the string is the empty name.
        result.clear();
        for (const auto& name : names) {
            result += name;
            result.push_back('\0');
        }
    });
    return rc == kAbifSuccess ? result.c_str() : nullptr;
}

} // extern "C"
