// Address-book files for the device emulator.
#include "BookLoader.h"

#include "AddressBookIf.h"
#include "DeviceProtocol.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

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

} // namespace

bool loadBook(const std::string& path, abif::DeviceBook& book, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    char magic[sizeof kSqliteMagic] = {};
    in.read(magic, sizeof magic);
    if (in.gcount() == std::streamsize(sizeof magic) && std::memcmp(magic, kSqliteMagic, sizeof magic) == 0)
        return loadSqlite(path, book, error);

    in.clear();
    in.seekg(0);
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

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
