// Reading address-book files of any content: abif::readFileRecords and AbifGADFile_Read. The
// library opens the book by its path, through its own guarded opening, as it opens any book; but
// SQLite's file system here serves that path from the input in memory, so no input is written to
// a disk. The path names a real empty file whose size follows the input's, for the library's own
// look at it.
#include "AbifEdit.h"
#include "AddressBookIf.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The input the book's path stands for.
struct Image {
    std::string path; // as SQLite names it (its full path)
    const uint8_t* data = nullptr;
    size_t size = 0;
} image;

sqlite3_vfs* disk = nullptr; // the system's file system, for every other file

int closeImage(sqlite3_file*) {
    return SQLITE_OK;
}

int readImage(sqlite3_file*, void* out, int amount, sqlite3_int64 offset) {
    size_t from = std::min(size_t(offset), image.size);
    size_t n = std::min(size_t(amount), image.size - from);
    std::memcpy(out, image.data + from, n);
    if (n == size_t(amount))
        return SQLITE_OK;
    std::memset(static_cast<char*>(out) + n, 0, size_t(amount) - n);
    return SQLITE_IOERR_SHORT_READ;
}

int refuseWrite(sqlite3_file*, const void*, int, sqlite3_int64) {
    return SQLITE_READONLY; // the library only reads here
}

int refuseTruncate(sqlite3_file*, sqlite3_int64) {
    return SQLITE_READONLY;
}

int syncImage(sqlite3_file*, int) {
    return SQLITE_OK;
}

int imageSize(sqlite3_file*, sqlite3_int64* size) {
    *size = sqlite3_int64(image.size);
    return SQLITE_OK;
}

int lockImage(sqlite3_file*, int) {
    return SQLITE_OK; // one thread, one connection at a time
}

int noReservedLock(sqlite3_file*, int* reserved) {
    *reserved = 0;
    return SQLITE_OK;
}

int noFileControl(sqlite3_file*, int, void*) {
    return SQLITE_NOTFOUND;
}

int sectorSize(sqlite3_file*) {
    return 512;
}

int noCharacteristics(sqlite3_file*) {
    return 0;
}

// The methods of the book's file (version 1: no shared memory, no mapping).
const sqlite3_io_methods kImageMethods = {
    .iVersion = 1,
    .xClose = closeImage,
    .xRead = readImage,
    .xWrite = refuseWrite,
    .xTruncate = refuseTruncate,
    .xSync = syncImage,
    .xFileSize = imageSize,
    .xLock = lockImage,
    .xUnlock = lockImage,
    .xCheckReservedLock = noReservedLock,
    .xFileControl = noFileControl,
    .xSectorSize = sectorSize,
    .xDeviceCharacteristics = noCharacteristics,
};

int openFile(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    if (!name || image.path != name || !(flags & SQLITE_OPEN_MAIN_DB))
        return disk->xOpen(disk, name, file, flags, outFlags);
    file->pMethods = &kImageMethods;
    if (outFlags)
        *outFlags = flags;
    return SQLITE_OK;
}

// The book's path in a private folder below TMPDIR, and the descriptor that sizes its file; the
// memory file system becomes SQLite's default.
int bookFile() {
    static const int fd = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/directfax-fuzz-XXXXXX";
        if (!::mkdtemp(folder.data()))
            std::abort();
        std::string path = folder + "/book.dfab";
        int file = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        disk = sqlite3_vfs_find(nullptr);
        if (file < 0 || !disk)
            std::abort();
        image.path.resize(size_t(disk->mxPathname) + 1);
        if (disk->xFullPathname(disk, path.c_str(), int(image.path.size()), image.path.data()) != SQLITE_OK)
            std::abort();
        image.path.resize(std::strlen(image.path.c_str()));
        // The disk's file system but for the book's path, which it opens itself.
        static sqlite3_vfs vfs = *disk;
        vfs.pNext = nullptr;
        vfs.zName = "directfax-fuzz-memory";
        vfs.xOpen = openFile;
        if (sqlite3_vfs_register(&vfs, 1) != SQLITE_OK)
            std::abort();
        return file;
    }();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Pages taken one at a time as a connection needs them, not 20 at once: a new connection per
    // call would otherwise cost a third of a megabyte of fresh memory each time.
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file on disk only has the input's size (no data is written); SQLite reads the input.
    if (::ftruncate(bookFile(), off_t(size)) != 0)
        std::abort();
    image.data = data;
    image.size = size;
    const char* path = image.path.c_str();
    // The records of the file's kind with their UIDs (the tool's and the emulator's read), then
    // those of the other kind (the dialog's read); each opens the book as every call does.
    ABIFData* records = ABIFData_Create();
    int32_t kind = -1;
    abif::Identities identities;
    if (abif::readFileRecords(path, records, kind, identities) == kAbifSuccess)
        AbifGADFile_Read(path, records, kind == kAbifFileDevice ? 0 : kAbifReadDeviceRecords);
    else
        AbifGADFile_Read(path, records, 0);
    ABIFData_Delete(records);
    return 0;
}
