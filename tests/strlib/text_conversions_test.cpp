#include "strlib/text_conversions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace zeb::strlib {
namespace {

TEST(OctalText, ToInt) {
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"17", 15},       {" 1 7 ", 15},         {"19", 17},  // digits are not checked
      {"", 0},          {"0", 0},              {"777", 511},
      {"A", 17},        {"37777777777", -1},   {"40000000000", 0},  // 32-bit wrap-around
      {"\t1", -311},  // only the space is skipped: '\t' counts 9 - 48
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(octal_text_to_int(c.text), c.expected);
  }
}

TEST(OctalText, FromInt) {
  struct Case {
    int value;
    int width;
    std::string expected;
  };
  const Case cases[] = {
      {8, 5, "00010"},
      {8, 1, "10"},
      {8, 2, "10"},
      {8, -4, "10"},
      {-1, 0, "37777777777"},
      {INT_MIN, 12, "020000000000"},
      {0, 0, "0"},
      {0, 3, "000"},
      {511, 3, "777"},
      {8, kOctalTextMaxWidth, std::string(kOctalTextMaxWidth - 2, '0') + "10"},
      {8, kOctalTextMaxWidth + 1, ""},  // refused, not cut
      {8, INT_MAX, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " width " << c.width);
    EXPECT_EQ(std::string(int_to_octal_text(c.value, c.width)), c.expected);
  }
}

TEST(OctalText, ResultBufferIsClearedOnEachCall) {
  const char* wide = int_to_octal_text(8, kOctalTextMaxWidth);
  ASSERT_EQ(std::strlen(wide), static_cast<std::size_t>(kOctalTextMaxWidth));
  const char* narrow = int_to_octal_text(8, 0);
  EXPECT_EQ(narrow, wide);  // one static buffer
  EXPECT_STREQ(narrow, "10");
  for (int i = 2; i <= kOctalTextMaxWidth; ++i) ASSERT_EQ(narrow[i], '\0') << i;
}

TEST(OctalText, RoundTrip) {
  for (int value : {0, 1, 7, 8, 4095, 123456789, -1, -8, INT_MIN, INT_MAX}) {
    EXPECT_EQ(octal_text_to_int(int_to_octal_text(value, 0)), value) << value;
  }
}

TEST(BinaryText, ToInt) {
  struct Case {
    std::string text;
    int expected;
  };
  const Case cases[] = {
      {"101", 5},
      {"102", 0},
      {"", 0},
      {"0", 0},
      {"1", 1},
      {" 101", 0},  // no blanks
      {std::string(32, '1'), -1},
      {"1" + std::string(31, '0'), INT_MIN},
      {"0" + std::string(32, '1'), -1},  // leading zeros beyond 32 digits
      {std::string(40, '0') + "101", 5},
      {"1" + std::string(32, '0'), 0},  // does not fit 32 bits
      {"1" + std::string(31, '0') + "1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(binary_text_to_int(c.text.c_str()), c.expected);
  }
}

TEST(BinaryText, FromInt) {
  struct Case {
    int value;
    const char* digits;
    const char* grouped;
  };
  const Case cases[] = {
      {5, "00000000000000000000000000000101", "0000-0000-0000-0000-0000-0000-0000-0101"},
      {0, "00000000000000000000000000000000", "0000-0000-0000-0000-0000-0000-0000-0000"},
      {-1, "11111111111111111111111111111111", "1111-1111-1111-1111-1111-1111-1111-1111"},
      {INT_MIN, "10000000000000000000000000000000", "1000-0000-0000-0000-0000-0000-0000-0000"},
      {0x12345678, "00010010001101000101011001111000", "0001-0010-0011-0100-0101-0110-0111-1000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_STREQ(int_to_binary_fixed(c.value), c.digits);
    EXPECT_STREQ(int_to_binary_text(c.value), c.digits);
    EXPECT_STREQ(int_to_binary_grouped(c.value), c.grouped);
  }
}

TEST(BinaryText, RoundTripAndBufferReuse) {
  const char* first = int_to_binary_text(-1);
  for (int value : {0, 1, 5, 0x0F0F0F0F, -2, INT_MIN, INT_MAX}) {
    const char* text = int_to_binary_text(value);
    EXPECT_EQ(text, first);
    EXPECT_EQ(binary_text_to_int(text), value);
    EXPECT_EQ(binary_text_to_int(int_to_binary_fixed(value)), value);
    std::string grouped = int_to_binary_grouped(value);
    ASSERT_EQ(grouped.size(), 39u);
    std::erase(grouped, '-');
    EXPECT_EQ(grouped, text);
  }
}

}  // namespace
}  // namespace zeb::strlib
