#include "base/strlib/text_conversions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

namespace zeb::strlib {

TEST(TextConversions, TextToIntAndBack) {
  const std::string ones = "0" + std::string(32, '1'), beyond = "1" + std::string(32, '0');
  // Octal digits are not checked and only spaces are skipped; binary text is checked.
  const std::pair<int, int> to_int[] = {
      {octal_text_to_int(" 1 7 "), 15}, {octal_text_to_int("19"), 17}, {octal_text_to_int("\t1"), -311},
      {binary_text_to_int("102"), 0}, {binary_text_to_int(" 1"), 0}, {binary_text_to_int(ones.c_str()), -1},
      {binary_text_to_int(beyond.c_str()), 0}};
  for (const auto& c : to_int) EXPECT_EQ(c.first, c.second) << "case " << (&c - to_int);
  // A width beyond the buffer is refused, not cut, however large; the groups
  // of four. (Texts that read back as their numbers: fuzz/strlib.cpp.)
  const std::pair<std::string, std::string> to_text[] = {
      {int_to_octal_text(8, INT_MAX), ""}, {int_to_binary_grouped(-2), "1111-1111-1111-1111-1111-1111-1111-1110"}};
  for (const auto& [got, expected] : to_text) EXPECT_EQ(got, expected);
}

}  // namespace zeb::strlib
