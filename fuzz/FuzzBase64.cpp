// QuoB64ToBin on any text: the output stays within its capacity and the answers agree.
#include "QuoLib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

using com::velmora::cps::print::pde::tarncrest::directfax::QuoB64ToBin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 << 16)
        return 0;
    // The first byte picks the capacity, so short outputs are tried as well as ample ones.
    const int32_t length = int32_t(size - 1);
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const int32_t capacity = data[0] < 128 ? data[0] : length;
    // Exactly the capacity, so the address sanitizer sees any write beyond it.
    std::unique_ptr<uint8_t[]> output(new uint8_t[size_t(capacity)]);
    int32_t written = -1;
    int32_t result = QuoB64ToBin(text, length, output.get(), &written, capacity);
    if (result == 0 && (written < 0 || written > capacity))
        std::abort();
    return 0;
}
