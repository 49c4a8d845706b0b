#include "strlib/string_primitives.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace zeb::strlib {
namespace {

// A caller-owned buffer: the text, then its terminator, then `tail` (so bytes
// past the terminator can be checked), with room to spare.
std::vector<char> buffer(const std::string& text, const std::string& tail = "") {
  std::vector<char> bytes(text.begin(), text.end());
  bytes.push_back('\0');
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  bytes.resize(bytes.size() + 8, '#');
  return bytes;
}

std::string bytes_of(const std::vector<char>& buf, std::size_t count) { return std::string(buf.data(), count); }

// --- Search family ---

struct SearchCase {
  const char* subject;
  const char* pattern;
  int first_nocase;
  int first;
  int last_nocase;
  int last;
  int count_nocase;
  int count_exact;
};

const SearchCase kSearchCases[] = {
    // Empty pattern: never found, not even in an empty subject.
    {"", "", 0, 0, 0, 0, 0, 0},
    {"abc", "", 0, 0, 0, 0, 0, 0},
    // Pattern longer than the subject.
    {"", "a", 0, 0, 0, 0, 0, 0},
    {"ab", "abc", 0, 0, 0, 0, 0, 0},
    {"ab", "AbC", 0, 0, 0, 0, 0, 0},
    // Overlapping occurrences count, starts advance by one.
    {"aaaa", "aa", 1, 1, 3, 3, 3, 3},
    {"ababa", "aba", 1, 1, 3, 3, 2, 2},
    {"a", "a", 1, 1, 1, 1, 1, 1},
    // Case differs in ASCII letters only.
    {"xx GCC Version 3.4.2", "gcc version ", 4, 0, 4, 0, 1, 0},
    {"abcABCabc", "abc", 1, 1, 7, 7, 3, 2},
    {"Main.C", "main.c", 1, 0, 1, 0, 1, 0},
    {"Zz", "z", 1, 2, 2, 2, 2, 1},
    // Bytes that differ by 0x20 but are not letters never fold.
    {"x@y[", "`", 0, 0, 0, 0, 0, 0},
    {"x@y[", "{", 0, 0, 0, 0, 0, 0},
    // Bytes 0x80-0xFF: an accented capital does not match its small form.
    {"\xC9t\xC9", "\xE9", 0, 0, 0, 0, 0, 0},
    {"\xC9t\xC9", "\xC9", 1, 1, 3, 3, 2, 2},
    // A candidate that runs into the end of the subject fails there.
    {"path\\fil", "file", 0, 0, 0, 0, 0, 0},
    {"c:\\dir\\name", "\\", 3, 3, 7, 7, 2, 2},
    {"abcabd", "abd", 4, 4, 4, 4, 1, 1},
};

TEST(StringSearch, PositionsAndCountsFollowTheTable) {
  for (const SearchCase& c : kSearchCases) {
    SCOPED_TRACE(std::string("subject '") + c.subject + "' pattern '" + c.pattern + "'");
    EXPECT_EQ(find_nocase(c.subject, c.pattern), c.first_nocase);
    EXPECT_EQ(find_first(c.subject, c.pattern), c.first);
    EXPECT_EQ(find_last_nocase(c.subject, c.pattern), c.last_nocase);
    EXPECT_EQ(find_last(c.subject, c.pattern), c.last);
    EXPECT_EQ(count_nocase(c.subject, c.pattern), c.count_nocase);
    EXPECT_EQ(count_substring(c.subject, c.pattern), c.count_exact);
    EXPECT_EQ(contains_nocase(c.subject, c.pattern), c.first_nocase != 0 ? 1 : 0);
    EXPECT_EQ(contains(c.subject, c.pattern), c.first != 0 ? 1 : 0);
  }
}

TEST(StringSearch, LibrarySearchMembersAgreeWithTheDirectScan) {
  for (const SearchCase& c : kSearchCases) {
    SCOPED_TRACE(std::string("subject '") + c.subject + "' pattern '" + c.pattern + "'");
    EXPECT_EQ(strstr_position(c.subject, c.pattern), c.first);
    EXPECT_EQ(strstr_last_position(c.subject, c.pattern), c.last);
  }
}

TEST(StringSearch, CallersStringsAreNotChanged) {
  const std::string subject = "Mixed CASE Subject";
  const std::string pattern = "case";
  std::vector<char> s(subject.begin(), subject.end());
  s.push_back('\0');
  std::vector<char> p(pattern.begin(), pattern.end());
  p.push_back('\0');
  EXPECT_EQ(find_nocase(s.data(), p.data()), 7);
  EXPECT_EQ(count_nocase(s.data(), p.data()), 1);
  EXPECT_EQ(std::string(s.data()), subject);
  EXPECT_EQ(std::string(p.data()), pattern);
}

// --- Removal ---

TEST(StringRemoval, RemoveCharClosesTheGaps) {
  struct Case {
    const char* input;
    char c;
    const char* expected;
  };
  const Case cases[] = {
      {"a-b-c", '-', "abc"},  {"---", '-', ""},   {"", '-', ""},        {"abc", 'x', "abc"},
      {"abc", '\0', "abc"},   {"AaA", 'a', "AA"}, {"\xE9x\xE9", '\xE9', "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    remove_char(buf.data(), c.c);
    EXPECT_STREQ(buf.data(), c.expected);
  }
}

TEST(StringRemoval, BytesAfterTheNewTerminatorKeepTheirValues) {
  auto buf = buffer("a-b-c", "XY");
  remove_char(buf.data(), '-');
  EXPECT_EQ(bytes_of(buf, 8), std::string("abc\0c\0XY", 8));
}

TEST(StringRemoval, RemoveSpacesTakesSpacesOnly) {
  auto buf = buffer(" a \tb\r\n c ");
  remove_spaces(buf.data());
  EXPECT_STREQ(buf.data(), "a\tb\r\nc");
}

// --- Character replacement ---

TEST(StringReplacement, ReplaceCharRewritesEveryHit) {
  struct Case {
    const char* input;
    char from;
    char to;
    const char* expected;
  };
  const Case cases[] = {
      {"a/b/c", '/', '\\', "a\\b\\c"},
      {"aaa", 'a', 'b', "bbb"},
      {"abc", 'x', 'y', "abc"},
      {"", 'a', 'b', ""},
      {"abc", '\0', 'x', "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    replace_char(buf.data(), c.from, c.to);
    EXPECT_STREQ(buf.data(), c.expected);
  }
}

TEST(StringReplacement, ReplacingByNulStillRewritesLaterCharacters) {
  auto buf = buffer("a-b-c", "-");
  replace_char(buf.data(), '-', '\0');
  // The byte after the old terminator is beyond the length and stays.
  EXPECT_EQ(bytes_of(buf, 7), std::string("a\0b\0c\0-", 7));
}

TEST(StringReplacement, ReplaceCharNCoversExactlyNBytes) {
  struct Case {
    int n;
    std::string expected;
  };
  const std::string original("ab\0b\0b", 6);
  const Case cases[] = {
      {-1, original},
      {0, original},
      {2, std::string("ax\0b\0b", 6)},
      {4, std::string("ax\0x\0b", 6)},
      {6, std::string("ax\0x\0x", 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    std::vector<char> buf(original.begin(), original.end());
    buf.push_back('b');  // Past n in every case: must stay.
    replace_char_n(buf.data(), 'b', 'x', c.n);
    EXPECT_EQ(bytes_of(buf, 6), c.expected);
    EXPECT_EQ(buf[6], 'b');
  }
}

TEST(StringReplacement, SeparatorConversions) {
  auto forward = buffer("C:\\a/b\\c");
  backslashes_to_slashes(forward.data());
  EXPECT_STREQ(forward.data(), "C:/a/b/c");
  auto backward = buffer("C:/a\\b/c/");
  slashes_to_backslashes(backward.data());
  EXPECT_STREQ(backward.data(), "C:\\a\\b\\c\\");
}

TEST(StringReplacement, CaseConversionFoldsAsciiLettersOnly) {
  auto lower = buffer("AbZ az@[`{\xC9\xE9 09");
  to_lower(lower.data());
  EXPECT_STREQ(lower.data(), "abz az@[`{\xC9\xE9 09");
  auto upper = buffer("AbZ az@[`{\xC9\xE9 09");
  to_upper(upper.data());
  EXPECT_STREQ(upper.data(), "ABZ AZ@[`{\xC9\xE9 09");
}

// --- Trimming and stripping ---

TEST(StringTrim, TrailingSpacesOnly) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"a \t ", "a \t"}, {"   ", ""}, {"", ""}, {"ab", "ab"}, {"a  b  ", "a  b"}, {"  a", "  a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    trim_trailing_spaces(buf.data());
    EXPECT_STREQ(buf.data(), c.expected);
  }
}

TEST(StringTrim, LeadingSpacesZeroTheVacatedTail) {
  struct Case {
    const char* input;
    std::string expected;  // The whole old extent and its terminator.
  };
  const Case cases[] = {
      {"  ab", std::string("ab\0\0\0", 5)},
      {"   ", std::string("\0\0\0\0", 4)},
      {"ab", std::string("ab\0", 3)},
      {"\tab", std::string("\tab\0", 4)},
      {" a b ", std::string("a b \0\0", 6)},
      {"", std::string("\0", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    trim_leading_spaces(buf.data());
    EXPECT_EQ(bytes_of(buf, c.expected.size()), c.expected);
  }
}

TEST(StringTrim, StripLastCharRemovesAtMostOne) {
  struct Case {
    const char* input;
    char c;
    const char* expected;
  };
  const Case cases[] = {
      {"ab  ", ' ', "ab "}, {"ab\\", '\\', "ab"}, {"ab", 'x', "ab"}, {"", ' ', ""}, {"ab", '\0', "ab"}, {"x", 'x', ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    strip_last_char_if(buf.data(), c.c);
    EXPECT_STREQ(buf.data(), c.expected);
  }
}

TEST(StringTrim, StripFirstCharRemovesAtMostOne) {
  struct Case {
    const char* input;
    char c;
    std::string expected;  // The whole old extent and its terminator.
  };
  const Case cases[] = {
      {"  ab", ' ', std::string(" ab\0\0", 5)},
      {"|x|", '|', std::string("x|\0\0", 4)},
      {"xab", 'y', std::string("xab\0", 4)},
      {"ab", '\0', std::string("ab\0", 3)},
      {"", ' ', std::string("\0", 1)},
      {"x", 'x', std::string("\0\0", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    strip_first_char_if(buf.data(), c.c);
    EXPECT_EQ(bytes_of(buf, c.expected.size()), c.expected);
  }
}

// --- Trailing separators ---

TEST(StringSeparator, TrailingBackslashIsAddedOnce) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"", ""}, {"C:\\dir", "C:\\dir\\"}, {"C:\\dir\\", "C:\\dir\\"}, {"C:/dir/", "C:/dir/\\"}, {"x", "x\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    // Exactly length + 2 bytes of room, then a guard byte that must survive.
    const std::size_t length = std::strlen(c.input);
    std::vector<char> buf(length + 3, '#');
    std::memcpy(buf.data(), c.input, length + 1);
    add_trailing_backslash(buf.data());
    EXPECT_STREQ(buf.data(), c.expected);
    EXPECT_EQ(buf[length + 2], '#');
  }
}

TEST(StringSeparator, TrailingSlashIsAddedOnce) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {{"", ""}, {"/usr", "/usr/"}, {"/usr/", "/usr/"}, {"a\\", "a\\/"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto buf = buffer(c.input);
    add_trailing_slash(buf.data());
    EXPECT_STREQ(buf.data(), c.expected);
  }
}

// --- Tests ---

TEST(StringTests, CountCharOfAnEmptyStringIsOne) {
  struct Case {
    const char* input;
    char c;
    int expected;
  };
  const Case cases[] = {
      {"", 'a', 1},        {"", '\0', 1},     {"abc", 'x', 0},         {"abc", '\0', 0},
      {"a\\b\\c", '\\', 2}, {"aAa", 'a', 2},   {"\xFF\xFF", '\xFF', 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(count_char(c.input, c.c), c.expected);
  }
}

TEST(StringTests, LastChar) {
  EXPECT_EQ(last_char(""), '\0');
  EXPECT_EQ(last_char("abc"), 'c');
  EXPECT_EQ(last_char("C:\\"), '\\');
  EXPECT_EQ(last_char("\xE9"), '\xE9');
}

TEST(StringTests, LongerThan490) {
  EXPECT_EQ(is_longer_than_490(""), 0);
  EXPECT_EQ(is_longer_than_490(std::string(kLongTextThreshold, 'x').c_str()), 0);
  EXPECT_EQ(is_longer_than_490(std::string(kLongTextThreshold + 1, 'x').c_str()), 1);
  EXPECT_EQ(kLongTextThreshold, 490u);
}

// --- std::string forms ---

TEST(StringForms, StdStringEditsMatchTheBufferForms) {
  struct Case {
    const char* input;
    std::string (*edit)(std::string);
    const char* expected;
  };
  const Case cases[] = {
      {"a-b-c", [](std::string s) { remove_char(s, '-'); return s; }, "abc"},
      {" a b ", [](std::string s) { remove_spaces(s); return s; }, "ab"},
      {"a/b", [](std::string s) { replace_char(s, '/', '|'); return s; }, "a|b"},
      {"a/b/", [](std::string s) { slashes_to_backslashes(s); return s; }, "a\\b\\"},
      {"a\\b", [](std::string s) { backslashes_to_slashes(s); return s; }, "a/b"},
      {"AbC\xC9@", [](std::string s) { to_lower(s); return s; }, "abc\xC9@"},
      {"aBc\xE9`", [](std::string s) { to_upper(s); return s; }, "ABC\xE9`"},
      {"a \t  ", [](std::string s) { trim_trailing_spaces(s); return s; }, "a \t"},
      {"    ", [](std::string s) { trim_trailing_spaces(s); return s; }, ""},
      {"  \ta ", [](std::string s) { trim_leading_spaces(s); return s; }, "\ta "},
      {"    ", [](std::string s) { trim_leading_spaces(s); return s; }, ""},
      {"ab  ", [](std::string s) { strip_last_char_if(s, ' '); return s; }, "ab "},
      {"  ab", [](std::string s) { strip_first_char_if(s, ' '); return s; }, " ab"},
      {"", [](std::string s) { strip_first_char_if(s, ' '); return s; }, ""},
      {"", [](std::string s) { add_trailing_backslash(s); return s; }, ""},
      {"C:\\dir", [](std::string s) { add_trailing_backslash(s); return s; }, "C:\\dir\\"},
      {"C:\\dir\\", [](std::string s) { add_trailing_backslash(s); return s; }, "C:\\dir\\"},
      {"/a", [](std::string s) { add_trailing_slash(s); return s; }, "/a/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(c.edit(c.input), c.expected);
  }
}

TEST(StringForms, CaseFoldOfSingleBytes) {
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const bool upper = byte >= 'A' && byte <= 'Z';
    const bool lower = byte >= 'a' && byte <= 'z';
    EXPECT_EQ(fold_to_lower(c), upper ? static_cast<char>(byte + 32) : c) << byte;
    EXPECT_EQ(fold_to_upper(c), lower ? static_cast<char>(byte - 32) : c) << byte;
  }
}

}  // namespace
}  // namespace zeb::strlib
