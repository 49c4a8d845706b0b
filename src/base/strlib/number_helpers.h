// Percentages, 8-bit signed arithmetic with an overflow flag, alignment masks
// and single-bit operations. Stateless.
//
// Floating-point results that become integers are truncated toward zero to
// a 64-bit integer, whose low 32 bits are returned. The order of operations
// is part of each contract: it decides the last digit after truncation
// (29 percent of 100 is 28, since 0.29 * 100 lies just below 29).
#pragma once

#include <cstdint>

namespace zeb::strlib {

// --- Percentages ---

// (percent / 100.0) * value, truncated. 4294967295 stays positive.
int percent_of(int percent, std::uint32_t value);
// (percent / 100.0) * value.
double percent_of_real(double percent, double value);
// (float(part) / float(whole)) * 100.0, truncated: both operands are first
// rounded to single precision. 0 when whole is 0.
int ratio_percent_single(int whole, std::uint32_t part);
// (100.0 / whole) * part, truncated; 0 when whole or part is 0.
int ratio_percent(int whole, std::uint32_t part);
// (100.0 / whole) * part; 0.0 when whole or part is 0.0 or not a number.
double ratio_percent_real(double whole, double part);

// --- 8-bit signed arithmetic ---
// Each stores the 8-bit result (a, b and *out are signed bytes) and returns 1
// on signed overflow, else 0. The sign of a value is its sign bit.

// Stores a - b; 1 when the exact difference lies outside -128..127.
int sub8_overflows(char a, char b, char* out);
// Stores a - b; 1 when a and b differ in sign and the result's sign differs
// from a's. Always the same flag as sub8_overflows.
int sub8_overflows_by_signs(char a, char b, char* out);
// Stores a + b; 1 when a and b share a sign and the result's sign differs.
int add8_overflows(char a, char b, char* out);

// --- Alignment (negative values round toward minus infinity) ---

int align_down_8(int value);  // low 3 bits cleared
int align_down_4(int value);  // low 2 bits cleared
int align_down_2(int value);  // lowest bit cleared

// --- Single bits (bit 0 is the least significant) ---

// 1 if n <= 31 and bit n of value is set, else 0.
int test_bit(int value, std::uint32_t n);
// value with bit n set (set != 0) or cleared (set == 0); unchanged if n > 31.
int write_bit(int value, std::uint32_t n, int set);
// The same result as write_bit, clearing through test_bit and an exclusive or.
int write_bit_via_test(int value, std::uint32_t n, int set);

// Does nothing; part of the library's interface.
void do_nothing();

}  // namespace zeb::strlib
