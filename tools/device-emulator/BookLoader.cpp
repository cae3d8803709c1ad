// Address-book files for the device emulator.
#include "BookLoader.h"

#include "AddressBookIf.h"
#include "DeviceProtocol.h"
#include "WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <thread>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3"; // followed by a zero byte
constexpr std::streamsize kMaxJsonBook = 64 * 1024 * 1024;

bool loadSqlite(const std::string& path, abif::DeviceBook& book, std::string& error) {
    std::unique_ptr<ABIFData, decltype(&ABIFData_Delete)> data(ABIFData_Create(), ABIFData_Delete);
    if (!data) {
        error = "out of memory";
        return false;
    }
    // A device book (groups of up to 205 members) is read as the device's own records.
    int32_t kind = kAbifFileComputer;
    if (int32_t result = abif::readFileRecords(path.c_str(), data.get(), kind); result != kAbifSuccess) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", unsigned(result));
        error = path + " is not a readable address-book file (" + code + ")";
        return false;
    }
    book = abif::deviceBookFromRecords(*data);
    return true;
}

// Whether `in` begins as an SQLite file does; `in` is read again from its start afterwards.
bool beginsAsSqlite(std::istream& in) {
    char magic[sizeof kSqliteMagic] = {};
    in.read(magic, sizeof magic);
    bool sqlite =
        in.gcount() == std::streamsize(sizeof magic) && std::memcmp(magic, kSqliteMagic, sizeof magic) == 0;
    in.clear();
    in.seekg(0);
    return sqlite;
}

} // namespace

bool isSqliteFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return beginsAsSqlite(in);
}

bool loadBook(const std::string& path, abif::DeviceBook& book, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    if (beginsAsSqlite(in))
        return loadSqlite(path, book, error);

    std::string text;
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, size_t(in.gcount()));
        if (std::streamsize(text.size()) > kMaxJsonBook) {
            error = path + " is too large";
            return false;
        }
    }
    if (abif::decodeAddressBook(text, book) != kAbifSuccess) {
        error = path + " is neither an address-book file nor a JSON address book";
        return false;
    }
    return true;
}

bool replaceFile(const std::string& path, const std::string& text, std::chrono::milliseconds pause,
                 std::string& error) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string temp = folder + "/." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write beside " + path + ": " + std::strerror(errno);
        return false;
    }
    size_t half = text.size() / 2;
    bool written = faxjob::writeAll(fd, text.data(), half);
    if (written && pause.count() > 0) {
        ::fdatasync(fd);
        std::this_thread::sleep_for(pause);
    }
    written = written && faxjob::writeAll(fd, text.data() + half, text.size() - half) && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        saved = errno;
    }
    if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
        saved = written ? errno : saved;
        ::unlink(temp.c_str());
        error = "cannot write " + path + ": " + std::strerror(saved);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
