// Password scrambling and Base64 byte routines.
//
// Three plain C++ functions (C++ linkage, in the project namespace), without state and without heap
// allocation; the key, the alphabet and the decode table are constants, so every routine may run on
// any thread at once.
//
// Calling convention shared by all three: input pointer, input length, output pointer, pointer to
// the output-length slot, output capacity. Lengths and capacities are signed 32-bit values compared
// as signed values. The result is one of the QuoResult codes below. On a non-zero result the output
// buffer may hold partial data, but nothing is ever written at or past `capacity` bytes.
#pragma once

#include <cstdint>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

enum QuoResult : int32_t {
    kQuoSuccess = 0,
    kQuoNullPointer = -1,    // a required pointer is null
    kQuoBadLength = -2,      // a length argument is out of range, or the Base64 text is malformed
    kQuoBufferTooSmall = -3, // the output capacity is too small; see the length slot
};

// The Base64 alphabet of RFC 4648 ("=" pads); no line breaks are ever produced.
inline constexpr char B64CHR[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr char kQuoB64Pad = '=';

// Combines byte i of `input` with byte i mod 4 of the key "kdqz" by exclusive-or; its own inverse.
// `output` may be the same buffer as `input`.
// -1: a pointer is null (nothing written). -2: inputLength < 1 or capacity < 1 (slot untouched).
// Otherwise the slot starts at 0 and counts the bytes written: inputLength on success; on -3 the
// number of bytes already written (a multiple of 4), which stay in the output.
int32_t QuoEncrypt(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t* outputLength,
                   int32_t capacity);

// Writes the Base64 text of `input` in one line, padded, without a terminating zero byte.
// -1: input or slot null, or output null while capacity is not 0.
// -2: inputLength < 1, capacity < 0, or a text so long that its size does not fit 32 bits
//     (inputLength above 1,610,612,733); the slot is untouched.
// -3: capacity 0 or smaller than the needed size, 4 * ceil(inputLength / 3); the slot receives the
//     needed size. Asking with capacity 0 and a null output is the way to learn the size.
// 0: the slot receives the number of characters written (the needed size).
int32_t QuoBinToB64(const uint8_t* input, int32_t inputLength, char* output, int32_t* outputLength,
                    int32_t capacity);

// Decodes Base64 text.
// -1: input or slot null, or output null while capacity is not 0.
// -2: inputLength < 1, capacity < 0, or inputLength not a multiple of 4 (slot untouched).
// The needed size is 3 * (inputLength / 4) minus the "=" characters that end the text, never below 0.
// -3: capacity 0 or smaller than the needed size; the slot receives the needed size.
// Otherwise the text is decoded:
//  - it ends at a zero byte or after inputLength characters, whichever comes first;
//  - white space (space, \t, \n, \v, \f, \r) is skipped wherever it stands;
//  - a character outside the alphabet below 128 is not reported: its table value 0xFF enters the
//    output bits as they fall;
//  - malformed text gives -2 (slot untouched): a byte of 128 or above, "=" as the first or second
//    character of a group, a single "=" third character, anything but white space after the
//    padding, or a last group of 1 to 3 characters without padding;
//  - when the decoded bytes would not fit the capacity (possible when the counted padding is wrong,
//    e.g. "=" after a zero byte), nothing is written past it and the result is -3, the slot holding
//    the size the text really decodes to;
//  - on success the slot receives the number of bytes written (white space counts in the needed
//    size, so this may be below it).
int32_t QuoB64ToBin(const char* input, int32_t inputLength, uint8_t* output, int32_t* outputLength,
                    int32_t capacity);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
