#include "base/strlib/number_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <tuple>

namespace zeb::strlib {

// The order of the floating-point operations decides the result: 0.29 * 100
// lies just below 29, where 29 * 100 / 100 or 29 * (100 / 100) is 29 exactly.
TEST(Percentages, OperationOrderDecidesTheResult) {
  const struct { int (*operation)(int, std::uint32_t); int a; std::uint32_t b; int expected; } cases[] = {
      {percent_of, 29, 100, 28},         {percent_of, 7, 100, 7},         {percent_of, -29, 100, -28},
      {percent_of, 100, 4294967295u, -1}, {ratio_percent, 97, 97, 99},     {ratio_percent, 0, 5, 0},
      {ratio_percent, 5, 0, 0},          {ratio_percent, -4, 1, -25},     {ratio_percent, 1, 4294967295u, -100},
      {ratio_percent_single, 33554433, 33554432, 100},                   {ratio_percent_single, 0, 5, 0}};
  for (const auto& c : cases) EXPECT_EQ(c.operation(c.a, c.b), c.expected) << "case " << (&c - cases);
  // (1 / 3) * 100 would end one step below (100 / 3) * 1.
  const struct { double (*operation)(double, double); double a, b, expected; } reals[] = {
      {percent_of_real, 29, 100, std::nextafter(29.0, 0.0)}, {percent_of_real, 7, 100, std::nextafter(7.0, 8.0)},
      {ratio_percent_real, 3, 1, 33.333333333333336},        {ratio_percent_real, 5, std::nan(""), 0.0}};
  for (const auto& c : reals) EXPECT_EQ(c.operation(c.a, c.b), c.expected) << "real case " << (&c - reals);
}

// Covers the cases callers rely on: -128 - 1 stores 127 and overflows,
// 0 - -128 stores -128 and overflows, -1 - 127 stores -128 without overflow.
TEST(EightBitArithmetic, EveryPairAgainstExactArithmetic) {
  const auto byte = [](int value) { return static_cast<char>(static_cast<signed char>(value)); };
  for (int pair = 0; pair < 256 * 256; ++pair) {
    const int a = pair / 256 - 128, b = pair % 256 - 128;
    char d = 0, s = 0, sum = 0;
    const int sub_out = a - b < -128 || a - b > 127, add_out = a + b < -128 || a + b > 127;
    // A braced list runs in order: d, s and sum are read after the calls.
    ASSERT_EQ((std::tuple{sub8_overflows(byte(a), byte(b), &d), sub8_overflows_by_signs(byte(a), byte(b), &s),
                          add8_overflows(byte(a), byte(b), &sum), d, s, sum}),
              std::tuple(sub_out, sub_out, add_out, byte(a - b), byte(a - b), byte(a + b))) << a << " and " << b;
  }
}

TEST(Bits, AlignmentAndSingleBits) {
  EXPECT_EQ(std::tuple(align_down_8(-1), align_down_4(-1), align_down_2(-1)), std::tuple(-8, -4, -2));
  EXPECT_EQ(std::tuple(test_bit(-1, 31), test_bit(5, 2), test_bit(5, 1), test_bit(-1, 32), test_bit(-1, 0xFFFFFFFFu)),
            std::tuple(1, 1, 0, 0, 0));
  const struct { int value; std::uint32_t n; int set, expected; } cases[] = {
      {0, 31, 1, INT_MIN}, {INT_MIN, 31, 0, 0}, {5, 1, 7, 7}, {5, 0, 0, 4}, {77, 32, 1, 77}, {-1, 40, 0, -1}};
  for (const auto& [value, n, set, want] : cases)
    EXPECT_EQ(std::tuple(write_bit(value, n, set), write_bit_via_test(value, n, set)), std::tuple(want, want)) << n;
}

}  // namespace zeb::strlib
