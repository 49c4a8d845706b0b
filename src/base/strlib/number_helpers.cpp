// Percentages, 8-bit arithmetic, alignment and bits. All arithmetic that
// could overflow in C++ is done in a wider or unsigned type, so that the
// wrap-around the contracts describe is defined behaviour here.
#include "base/strlib/number_helpers.h"

#include <cmath>

namespace zeb::strlib {

namespace {

// 32-bit x87 code may keep intermediates in 80-bit registers; storing each
// one rounds it to a double, as the contracts' IEEE double arithmetic needs
// (with SSE arithmetic this changes nothing).
double as_double(double value) {
  volatile double stored = value;
  return stored;
}

float as_single(float value) {
  volatile float stored = value;
  return stored;
}

// Truncation toward zero to 64 bits, low 32 bits kept. Every caller's value
// lies well inside the 64-bit range; anything outside it (or not a number),
// which a conversion would leave undefined, gives 0.
int truncate_to_int(double value) {
  if (!(std::fabs(value) < 9.2e18)) return 0;
  const auto wide = static_cast<std::int64_t>(value);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

// The signed value of a byte, whether or not the host's char is signed.
int signed_byte(char c) { return static_cast<signed char>(c); }

char low_byte(int value) { return static_cast<char>(static_cast<unsigned char>(value & 0xFF)); }

bool negative(char c) { return signed_byte(c) < 0; }

std::uint32_t bit_mask(std::uint32_t n) { return std::uint32_t{1} << n; }

}  // namespace

int percent_of(int percent, std::uint32_t value) {
  const double fraction = as_double(static_cast<double>(percent) / 100.0);
  return truncate_to_int(as_double(fraction * static_cast<double>(value)));
}

double percent_of_real(double percent, double value) { return as_double(as_double(percent / 100.0) * value); }

int ratio_percent_single(int whole, std::uint32_t part) {
  if (whole == 0) return 0;
  const float part_single = as_single(static_cast<float>(part));
  const float whole_single = as_single(static_cast<float>(whole));
  const double ratio = as_double(static_cast<double>(part_single) / static_cast<double>(whole_single));
  return truncate_to_int(as_double(ratio * 100.0));
}

int ratio_percent(int whole, std::uint32_t part) {
  if (whole == 0 || part == 0) return 0;
  const double share = as_double(100.0 / static_cast<double>(whole));
  return truncate_to_int(as_double(share * static_cast<double>(part)));
}

double ratio_percent_real(double whole, double part) {
  // An operand that is not a number counts as zero.
  if (whole == 0.0 || part == 0.0 || std::isnan(whole) || std::isnan(part)) return 0.0;
  return as_double(as_double(100.0 / whole) * part);
}

int sub8_overflows(char a, char b, char* out) {
  const int exact = signed_byte(a) - signed_byte(b);
  *out = low_byte(exact);
  return exact > 127 || exact < -128 ? 1 : 0;
}

int sub8_overflows_by_signs(char a, char b, char* out) {
  *out = low_byte(signed_byte(a) - signed_byte(b));
  return negative(a) != negative(b) && negative(*out) != negative(a) ? 1 : 0;
}

int add8_overflows(char a, char b, char* out) {
  *out = low_byte(signed_byte(a) + signed_byte(b));
  return negative(a) == negative(b) && negative(*out) != negative(a) ? 1 : 0;
}

int align_down_8(int value) { return value & ~7; }

int align_down_4(int value) { return value & ~3; }

int align_down_2(int value) { return value & ~1; }

int test_bit(int value, std::uint32_t n) {
  if (n > 31) return 0;
  return (static_cast<std::uint32_t>(value) & bit_mask(n)) != 0 ? 1 : 0;
}

int write_bit(int value, std::uint32_t n, int set) {
  if (n > 31) return value;
  const auto bits = static_cast<std::uint32_t>(value);
  return static_cast<std::int32_t>(set != 0 ? bits | bit_mask(n) : bits & ~bit_mask(n));
}

int write_bit_via_test(int value, std::uint32_t n, int set) {
  if (n > 31) return value;
  const auto bits = static_cast<std::uint32_t>(value);
  if (set != 0) return static_cast<std::int32_t>(bits | bit_mask(n));
  if (test_bit(value, n) == 1) return static_cast<std::int32_t>(bits ^ bit_mask(n));
  return value;
}

void do_nothing() {}

}  // namespace zeb::strlib
