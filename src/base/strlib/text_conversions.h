// Integers to and from octal and binary text.
//
// The int_to_* operations return a pointer to a static buffer of their own,
// valid until the next call of the same operation, which overwrites it.
// Not reentrant.
#pragma once

#include <cstddef>

namespace zeb::strlib {

// Octal text to integer: spaces are skipped wherever they stand; every other
// character c adds (c - '0') after multiplying by 8, with 32-bit wrap-around.
// Characters are not checked ('9' counts 9). Empty text gives 0.
int octal_text_to_int(const char* text);

// The widest octal text int_to_octal_text makes: its result buffer holds
// 254 bytes.
inline constexpr int kOctalTextMaxWidth = 253;

// value in unsigned octal ("%o": -1 gives "37777777777"), padded on the left
// with '0' to `width` characters; no padding when width is not larger than
// the digit count. A width above kOctalTextMaxWidth is refused: the result
// is then the empty text.
const char* int_to_octal_text(int value, int width);

// Binary text to integer, the last character being bit 0. Empty text gives
// 0; so does any character other than '0' and '1', and a value that does not
// fit 32 bits (a '1' more than 32 digits from the end). Leading zeros beyond
// 32 digits are accepted.
int binary_text_to_int(const char* text);

// The 32 bits of value, bit 31 first, as '0'/'1' digits:
// "00000000000000000000000000000101" for 5.
const char* int_to_binary_fixed(int value);
// The same text as int_to_binary_fixed, from a buffer of its own.
const char* int_to_binary_text(int value);
// The same digits in eight groups of four joined by '-' (39 characters):
// "0000-0000-0000-0000-0000-0000-0000-0101" for 5.
const char* int_to_binary_grouped(int value);

}  // namespace zeb::strlib
