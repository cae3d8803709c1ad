// AbifGADFile_Read and AbifGADFile_GetKind on any file content.
#include "AddressBookIf.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One file in a private folder, rewritten for every input.
const std::string& bookPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/directfax-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern + "/book.dfab";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = bookPath();
    // Journals a damaged input may leave are not carried to the next one.
    ::unlink((path + "-journal").c_str());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    int32_t kind = -1;
    AbifGADFile_GetKind(path.c_str(), &kind);
    for (int32_t flags : {0, int32_t(kAbifReadDeviceRecords)}) {
        ABIFData* records = ABIFData_Create();
        AbifGADFile_Read(path.c_str(), records, flags);
        ABIFData_Delete(records);
    }
    return 0;
}
