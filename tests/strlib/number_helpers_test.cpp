#include "strlib/number_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zeb::strlib {
namespace {

// --- Percentages ---

TEST(Percentages, PercentOfTruncatesAfterDividingFirst) {
  struct Case {
    int percent;
    std::uint32_t value;
    int expected;
  };
  const Case cases[] = {
      {29, 100, 28},  // 0.29 * 100 lies just below 29
      {7, 100, 7},
      {-29, 100, -28},
      {1, 50, 0},
      {0, 4294967295u, 0},
      {50, 4294967295u, 2147483647},  // the value stays unsigned
      {100, 4294967295u, -1},         // low 32 bits of 4294967295
      {200, 4294967295u, -2},
      {-50, 10, -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.percent << "% of " << c.value);
    EXPECT_EQ(percent_of(c.percent, c.value), c.expected);
  }
}

TEST(Percentages, PercentOfRealKeepsTheFraction) {
  EXPECT_DOUBLE_EQ(percent_of_real(50.0, 3.0), 1.5);
  EXPECT_DOUBLE_EQ(percent_of_real(-10.0, 10.0), -1.0);
  EXPECT_LT(percent_of_real(29.0, 100.0), 29.0);
  EXPECT_GT(percent_of_real(29.0, 100.0), 28.9999);
}

TEST(Percentages, RatioPercentDividesHundredFirst) {
  struct Case {
    int whole;
    std::uint32_t part;
    int expected;
  };
  const Case cases[] = {
      {97, 97, 99},  // 100 / 97 * 97 lies just below 100
      {3, 1, 33},
      {0, 5, 0},
      {5, 0, 0},
      {33554433, 33554432, 99},
      {-4, 1, -25},
      {200, 1, 0},
      {1, 4294967295u, -100},  // 429496729500 keeps its low 32 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.part << " of " << c.whole);
    EXPECT_EQ(ratio_percent(c.whole, c.part), c.expected);
  }
}

TEST(Percentages, RatioPercentSingleRoundsOperandsToFloat) {
  struct Case {
    int whole;
    std::uint32_t part;
    int expected;
  };
  const Case cases[] = {
      {3, 1, 33},
      {33554433, 33554432, 100},  // both round to the same float
      {97, 97, 100},              // part / whole first: exactly 1
      {0, 5, 0},
      {5, 0, 0},
      {-4, 1, -25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.part << " of " << c.whole);
    EXPECT_EQ(ratio_percent_single(c.whole, c.part), c.expected);
  }
}

TEST(Percentages, RatioPercentRealTreatsZeroAndNotANumberAlike) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ratio_percent_real(0.0, 5.0), 0.0);
  EXPECT_EQ(ratio_percent_real(5.0, 0.0), 0.0);
  EXPECT_EQ(ratio_percent_real(-0.0, 5.0), 0.0);
  EXPECT_EQ(ratio_percent_real(nan, 5.0), 0.0);
  EXPECT_EQ(ratio_percent_real(5.0, nan), 0.0);
  EXPECT_DOUBLE_EQ(ratio_percent_real(4.0, 1.0), 25.0);
  EXPECT_LT(ratio_percent_real(97.0, 97.0), 100.0);
}

// --- 8-bit arithmetic ---

char byte(int value) { return static_cast<char>(static_cast<signed char>(value)); }

TEST(EightBitArithmetic, DocumentedCases) {
  struct Case {
    int a;
    int b;
    int (*operation)(char, char, char*);
    int stored;
    int flag;
  };
  const Case cases[] = {
      {-128, 1, sub8_overflows, 127, 1},
      {0, -128, sub8_overflows, -128, 1},
      {-1, 127, sub8_overflows, -128, 0},
      {-128, 1, sub8_overflows_by_signs, 127, 1},
      {0, -128, sub8_overflows_by_signs, -128, 1},
      {-1, 127, sub8_overflows_by_signs, -128, 0},
      {127, 1, add8_overflows, -128, 1},
      {-128, -1, add8_overflows, 127, 1},
      {100, 50, add8_overflows, -106, 1},
      {-1, 1, add8_overflows, 0, 0},
      {0, 0, add8_overflows, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << ", " << c.b);
    char out = 99;
    EXPECT_EQ(c.operation(byte(c.a), byte(c.b), &out), c.flag);
    EXPECT_EQ(static_cast<signed char>(out), c.stored);
  }
}

TEST(EightBitArithmetic, FlagsMatchExactArithmeticForEveryPair) {
  for (int a = -128; a <= 127; ++a) {
    for (int b = -128; b <= 127; ++b) {
      const int difference = a - b;
      const int sum = a + b;
      char by_range = 0;
      char by_signs = 0;
      char added = 0;
      const int range_flag = sub8_overflows(byte(a), byte(b), &by_range);
      const int signs_flag = sub8_overflows_by_signs(byte(a), byte(b), &by_signs);
      const int add_flag = add8_overflows(byte(a), byte(b), &added);
      ASSERT_EQ(range_flag, difference < -128 || difference > 127 ? 1 : 0) << a << " - " << b;
      ASSERT_EQ(signs_flag, range_flag) << a << " - " << b;
      ASSERT_EQ(static_cast<unsigned char>(by_range), static_cast<unsigned char>(difference & 0xFF));
      ASSERT_EQ(by_signs, by_range);
      ASSERT_EQ(add_flag, sum < -128 || sum > 127 ? 1 : 0) << a << " + " << b;
      ASSERT_EQ(static_cast<unsigned char>(added), static_cast<unsigned char>(sum & 0xFF));
    }
  }
}

// --- Alignment ---

TEST(Alignment, MasksRoundTowardMinusInfinity) {
  struct Case {
    int (*align)(int);
    int value;
    int expected;
  };
  const Case cases[] = {
      {align_down_8, 15, 8},           {align_down_8, -1, -8},    {align_down_8, 8, 8},
      {align_down_8, 7, 0},            {align_down_8, -9, -16},   {align_down_8, INT_MAX, INT_MAX - 7},
      {align_down_8, INT_MIN, INT_MIN}, {align_down_4, 7, 4},     {align_down_4, -1, -4},
      {align_down_4, 4, 4},            {align_down_2, 3, 2},      {align_down_2, -1, -2},
      {align_down_2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.align(c.value), c.expected);
  }
}

// --- Bits ---

TEST(Bits, TestBit) {
  struct Case {
    int value;
    std::uint32_t n;
    int expected;
  };
  const Case cases[] = {
      {5, 0, 1},  {5, 1, 0},  {5, 2, 1},  {-1, 31, 1}, {INT_MAX, 31, 0},
      {-1, 32, 0}, {-1, 40, 0}, {-1, 0xFFFFFFFFu, 0}, {0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " bit " << c.n);
    EXPECT_EQ(test_bit(c.value, c.n), c.expected);
  }
}

TEST(Bits, WriteBit) {
  struct Case {
    int value;
    std::uint32_t n;
    int set;
    int expected;
  };
  const Case cases[] = {
      {0, 31, 1, INT_MIN}, {-1, 0, 0, -2}, {5, 0, 0, 4},   {5, 1, 7, 7},   {5, 1, 0, 5},
      {5, 2, 1, 5},        {77, 40, 1, 77}, {77, 32, 0, 77}, {INT_MIN, 31, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " bit " << c.n << " set " << c.set);
    EXPECT_EQ(write_bit(c.value, c.n, c.set), c.expected);
    EXPECT_EQ(write_bit_via_test(c.value, c.n, c.set), c.expected);
  }
}

TEST(Bits, BothWritersAgreeEverywhere) {
  const int values[] = {0, 1, -1, 5, 0x55555555, static_cast<int>(0xAAAAAAAAu), INT_MIN, INT_MAX};
  for (int value : values) {
    for (std::uint32_t n = 0; n <= 40; ++n) {
      for (int set : {0, 1, -3}) {
        ASSERT_EQ(write_bit_via_test(value, n, set), write_bit(value, n, set)) << value << " " << n << " " << set;
        if (n <= 31) {
          ASSERT_EQ(test_bit(write_bit(value, n, set), n), set != 0 ? 1 : 0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace zeb::strlib
