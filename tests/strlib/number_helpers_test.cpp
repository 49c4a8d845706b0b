#include "base/strlib/number_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

namespace zeb::strlib {
namespace {

// The order of the floating-point operations decides the truncated digit.
TEST(Percentages, TruncatedResults) {
  const struct { int (*operation)(int, std::uint32_t); int a; std::uint32_t b; int expected; } cases[] = {
      {percent_of, 29, 100, 28},         {percent_of, 7, 100, 7},         {percent_of, -29, 100, -28},
      {percent_of, 100, 4294967295u, -1}, {ratio_percent, 97, 97, 99},     {ratio_percent, 0, 5, 0},
      {ratio_percent, 5, 0, 0},          {ratio_percent, -4, 1, -25},     {ratio_percent, 1, 4294967295u, -100},
      {ratio_percent_single, 33554433, 33554432, 100},                   {ratio_percent_single, 0, 5, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.operation(c.a, c.b), c.expected) << "case " << (&c - cases);
  EXPECT_EQ(ratio_percent_real(5.0, std::nan("")), 0.0);
}

char byte(int value) { return static_cast<char>(static_cast<signed char>(value)); }

// Covers the cases callers rely on: -128 - 1 stores 127 and overflows,
// 0 - -128 stores -128 and overflows, -1 - 127 stores -128 without overflow.
TEST(EightBitArithmetic, EveryPairAgainstExactArithmetic) {
  for (int a = -128; a <= 127; ++a) {
    for (int b = -128; b <= 127; ++b) {
      char d = 0, s = 0, sum = 0;
      ASSERT_EQ(sub8_overflows(byte(a), byte(b), &d), a - b < -128 || a - b > 127) << a << " - " << b;
      ASSERT_EQ(sub8_overflows_by_signs(byte(a), byte(b), &s), a - b < -128 || a - b > 127) << a << " - " << b;
      ASSERT_EQ(add8_overflows(byte(a), byte(b), &sum), a + b < -128 || a + b > 127) << a << " + " << b;
      ASSERT_EQ(static_cast<unsigned char>(d), (a - b) & 0xFF);
      ASSERT_EQ(s, d);
      ASSERT_EQ(static_cast<unsigned char>(sum), (a + b) & 0xFF);
    }
  }
}

TEST(Bits, AlignmentAndSingleBits) {
  EXPECT_EQ(align_down_8(-1), -8);
  EXPECT_EQ(align_down_4(-1), -4);
  EXPECT_EQ(align_down_2(-1), -2);
  EXPECT_EQ(test_bit(-1, 31) + test_bit(5, 2), 2);
  EXPECT_EQ(test_bit(5, 1) + test_bit(-1, 32) + test_bit(-1, 0xFFFFFFFFu), 0);
  const struct { int value; std::uint32_t n; int set, expected; } cases[] = {{0, 31, 1, INT_MIN}, {INT_MIN, 31, 0, 0}, {5, 1, 7, 7}, {5, 0, 0, 4}, {77, 32, 1, 77}, {-1, 40, 0, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(write_bit(c.value, c.n, c.set), c.expected) << c.value << " bit " << c.n;
    EXPECT_EQ(write_bit_via_test(c.value, c.n, c.set), c.expected) << c.value << " bit " << c.n;
  }
}

}  // namespace
}  // namespace zeb::strlib
