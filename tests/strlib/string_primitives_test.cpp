#include "base/strlib/string_primitives.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace zeb::strlib {

// The searches and counts, the case folds and the string forms' removing,
// trimming and final backslash are checked against a plain reading by
// fuzz/strlib.cpp.

// Each edit runs on a buffer holding the input, its terminator, '-' and '#';
// `bytes` is the exact start of the buffer afterwards.
TEST(StringEdit, ExactBytesOfTheBuffer) {
  using S = std::string;
  const struct { S input; void (*edit)(char*); S bytes; } cases[] = {
      {"a-b-c", [](char* s) { remove_char(s, '-'); }, {"abc\0c\0-", 7}},
      {"abc", [](char* s) { remove_char(s, '\0'); }, {"abc\0-", 5}},
      {"a-b-c", [](char* s) { replace_char(s, '-', '\0'); }, {"a\0b\0c\0-", 7}},
      {{"ab\0b\0b", 6}, [](char* s) { replace_char_n(s, 'b', 'x', 4); }, {"ax\0x\0b\0-", 8}},
      {{"ab\0b", 4}, [](char* s) { replace_char_n(s, 'b', 'x', -1); }, {"ab\0b\0-", 6}},
      {"ab  ", [](char* s) { strip_last_char_if(s, ' '); }, {"ab \0", 4}},
      {"  ab", [](char* s) { strip_first_char_if(s, ' '); }, {" ab\0\0-", 6}},
      {"", [](char* s) { strip_first_char_if(s, ' '); }, {"\0-", 2}},
      {" a \tb ", remove_spaces, {"a\tb\0", 4}},                {"a \t ", trim_trailing_spaces, {"a \t\0", 4}},
      {"C:/a\\b/", slashes_to_backslashes, "C:\\a\\b\\"},        {"C:\\a/b\\", backslashes_to_slashes, "C:/a/b/"},
      {"aBz@[`{\xC9\xE9", to_upper, "ABZ@[`{\xC9\xE9"},
      {"  ab", trim_leading_spaces, {"ab\0\0\0-", 6}},           {"   ", trim_leading_spaces, {"\0\0\0\0-", 5}},
      {"", add_trailing_backslash, {"\0-", 2}},                  {"C:\\d", add_trailing_backslash, {"C:\\d\\\0#", 7}},
      {"C:\\d\\", add_trailing_backslash, {"C:\\d\\\0-", 7}},      {"C:/d/", add_trailing_backslash, {"C:/d/\\\0#", 8}},
      {"/usr/", add_trailing_slash, {"/usr/\0-", 7}},            {"a\\", add_trailing_slash, {"a\\/\0#", 5}}};
  for (const auto& c : cases) {
    std::vector<char> buf(c.input.begin(), c.input.end());
    buf.insert(buf.end(), {'\0', '-', '#'});
    c.edit(buf.data());
    EXPECT_EQ(S(buf.data(), c.bytes.size()), c.bytes) << c.input;
  }
  // The std::string forms work on the whole contents; those fuzz/strlib.cpp
  // does not hold to a plain reading:
  std::string text = " C:\\d";
  strip_first_char_if(text, ' ');
  add_trailing_backslash(text);
  EXPECT_EQ(text, "C:\\d\\");
}

TEST(StringTests, LengthLimit) {
  EXPECT_EQ(is_longer_than_490(std::string(490, 'x').c_str()), 0);
  EXPECT_EQ(is_longer_than_490(std::string(491, 'x').c_str()), 1);
}

}  // namespace zeb::strlib
