#include "base/strlib/text_conversions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace zeb::strlib {
namespace {

TEST(TextConversions, TextToInt) {
  const struct { int (*convert)(const char*); std::string text; int expected; } cases[] = {
      {octal_text_to_int, " 1 7 ", 15},   {octal_text_to_int, "19", 17},  // digits are not checked
      {octal_text_to_int, "37777777777", -1}, {octal_text_to_int, "\t1", -311},  // only spaces are skipped
      {binary_text_to_int, "101", 5},     {binary_text_to_int, "102", 0},  {binary_text_to_int, " 1", 0},
      {binary_text_to_int, "0" + std::string(32, '1'), -1},  {binary_text_to_int, "1" + std::string(31, '0'), INT_MIN},
      {binary_text_to_int, "1" + std::string(32, '0'), 0},  // more than 32 digits
  };
  for (const auto& c : cases) EXPECT_EQ(c.convert(c.text.c_str()), c.expected) << c.text;
}

TEST(TextConversions, IntToText) {
  EXPECT_STREQ(int_to_octal_text(8, 5), "00010");
  EXPECT_STREQ(int_to_octal_text(8, 1), "10");
  EXPECT_STREQ(int_to_octal_text(-1, 0), "37777777777");
  EXPECT_EQ(int_to_octal_text(8, 253), std::string(251, '0') + "10");
  EXPECT_STREQ(int_to_octal_text(8, 254), "");  // refused, not cut
  EXPECT_STREQ(int_to_octal_text(8, INT_MAX), "");
  EXPECT_STREQ(int_to_binary_fixed(5), "00000000000000000000000000000101");
  EXPECT_STREQ(int_to_binary_text(INT_MIN), "10000000000000000000000000000000");
  EXPECT_STREQ(int_to_binary_grouped(-2), "1111-1111-1111-1111-1111-1111-1111-1110");
}

}  // namespace
}  // namespace zeb::strlib
