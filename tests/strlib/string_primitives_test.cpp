#include "base/strlib/string_primitives.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeb::strlib {
namespace {

TEST(StringSearch, PositionsAndCounts) {
  const struct {
    const char *subject, *pattern;
    int first_nocase, first, last_nocase, last, count_nocase, count;
  } cases[] = {
      {"", "", 0, 0, 0, 0, 0, 0},         {"abc", "", 0, 0, 0, 0, 0, 0},        {"ab", "abc", 0, 0, 0, 0, 0, 0},
      {"aaaa", "aa", 1, 1, 3, 3, 3, 3},   {"abcABCabc", "abc", 1, 1, 7, 7, 3, 2}, {"abcabd", "abd", 4, 4, 4, 4, 1, 1},
      {"xx GCC Version 3.4.2", "gcc version ", 4, 0, 4, 0, 1, 0},             {"path\\fil", "file", 0, 0, 0, 0, 0, 0},
      {"x@y[", "`", 0, 0, 0, 0, 0, 0},  // differs by 0x20 but is no letter
      {"\xC9t\xC9", "\xE9", 0, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.subject + "' / '" + c.pattern + "'");
    EXPECT_EQ(find_nocase(c.subject, c.pattern), c.first_nocase);
    EXPECT_EQ(find_first(c.subject, c.pattern), c.first);
    EXPECT_EQ(strstr_position(c.subject, c.pattern), c.first);
    EXPECT_EQ(find_last_nocase(c.subject, c.pattern), c.last_nocase);
    EXPECT_EQ(find_last(c.subject, c.pattern), c.last);
    EXPECT_EQ(strstr_last_position(c.subject, c.pattern), c.last);
    EXPECT_EQ(count_nocase(c.subject, c.pattern), c.count_nocase);
    EXPECT_EQ(count_substring(c.subject, c.pattern), c.count);
    EXPECT_EQ(contains_nocase(c.subject, c.pattern), c.first_nocase != 0 ? 1 : 0);
    EXPECT_EQ(contains(c.subject, c.pattern), c.first != 0 ? 1 : 0);
  }
}

// Each edit runs on a buffer holding the input, its terminator, '-' and '#';
// `bytes` is the exact start of the buffer afterwards.
TEST(StringEdit, ExactBytesOfTheBuffer) {
  using S = std::string;
  const struct { S input; void (*edit)(char*); S bytes; } cases[] = {
      {"a-b-c", [](char* s) { remove_char(s, '-'); }, {"abc\0c\0-", 7}},
      {"abc", [](char* s) { remove_char(s, '\0'); }, {"abc\0-", 5}},
      {" a \tb ", [](char* s) { remove_spaces(s); }, {"a\tb\0", 4}},
      {"a-b-c", [](char* s) { replace_char(s, '-', '\0'); }, {"a\0b\0c\0-", 7}},
      {{"ab\0b\0b", 6}, [](char* s) { replace_char_n(s, 'b', 'x', 4); }, {"ax\0x\0b\0-", 8}},
      {{"ab\0b", 4}, [](char* s) { replace_char_n(s, 'b', 'x', -1); }, {"ab\0b\0-", 6}},
      {"C:/a\\b/", [](char* s) { slashes_to_backslashes(s); }, "C:\\a\\b\\"},
      {"C:\\a/b\\", [](char* s) { backslashes_to_slashes(s); }, "C:/a/b/"},
      {"AbZ@[`{\xC9\xE9", [](char* s) { to_lower(s); }, "abz@[`{\xC9\xE9"},
      {"aBz@[`{\xC9\xE9", [](char* s) { to_upper(s); }, "ABZ@[`{\xC9\xE9"},
      {"a \t ", [](char* s) { trim_trailing_spaces(s); }, {"a \t\0", 4}},
      {"  ab", [](char* s) { trim_leading_spaces(s); }, {"ab\0\0\0-", 6}},
      {"   ", [](char* s) { trim_leading_spaces(s); }, {"\0\0\0\0-", 5}},
      {"ab  ", [](char* s) { strip_last_char_if(s, ' '); }, {"ab \0", 4}},
      {"  ab", [](char* s) { strip_first_char_if(s, ' '); }, {" ab\0\0-", 6}},
      {"", [](char* s) { strip_first_char_if(s, ' '); }, {"\0-", 2}},
      {"", [](char* s) { add_trailing_backslash(s); }, {"\0-", 2}},
      {"C:\\d", [](char* s) { add_trailing_backslash(s); }, {"C:\\d\\\0#", 7}},
      {"C:\\d\\", [](char* s) { add_trailing_backslash(s); }, {"C:\\d\\\0-", 7}},
      {"C:/d/", [](char* s) { add_trailing_backslash(s); }, {"C:/d/\\\0#", 8}},
      {"/usr/", [](char* s) { add_trailing_slash(s); }, {"/usr/\0-", 7}},
      {"a\\", [](char* s) { add_trailing_slash(s); }, {"a\\/\0#", 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::vector<char> buf(c.input.begin(), c.input.end());
    buf.insert(buf.end(), {'\0', '-', '#'});
    c.edit(buf.data());
    EXPECT_EQ(S(buf.data(), c.bytes.size()), c.bytes);
  }
}

// These work on the whole contents, embedded NULs included.
TEST(StringEdit, StdStringForms) {
  std::string text("a-\0- ", 5);
  remove_char(text, '-');
  trim_trailing_spaces(text);
  EXPECT_EQ(text, std::string("a\0", 2));
  text = "   ";
  trim_leading_spaces(text);
  add_trailing_backslash(text);
  strip_first_char_if(text, ' ');
  EXPECT_EQ(text, "");
  text = " C:\\d";
  strip_first_char_if(text, ' ');
  add_trailing_backslash(text);
  EXPECT_EQ(text, "C:\\d\\");
}

TEST(StringTests, CountLastCharAndLength) {
  EXPECT_EQ(count_char("", 'a') + count_char("", '\0'), 2);
  EXPECT_EQ(count_char("abc", '\0'), 0);
  EXPECT_EQ(count_char("aA\xFF\xFF", '\xFF'), 2);
  EXPECT_EQ(last_char(""), '\0');
  EXPECT_EQ(last_char("C:\\"), '\\');
  EXPECT_EQ(is_longer_than_490(std::string(490, 'x').c_str()), 0);
  EXPECT_EQ(is_longer_than_490(std::string(491, 'x').c_str()), 1);
}

}  // namespace
}  // namespace zeb::strlib
