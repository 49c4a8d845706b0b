#include "fsutil/wildcard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace zeb::fsutil {
namespace {

struct MatchCase {
  const char* path;
  const char* pattern;
  int expected;
};

void expect_matches(const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases) {
    EXPECT_EQ(match_wildcard(c.path, c.pattern), c.expected) << "path '" << c.path << "' pattern '" << c.pattern << "'";
  }
}

int read_position() { return match_position(kPositionRead, 0); }

// --- Pattern shapes ---

TEST(WildcardMatch, EarlyAnswers) {
  expect_matches({
      {"x.c", "", 1},
      {"x.c", "*", 1},
      {"x.c", "*.*", 1},
      {"noext", "*.*", 1},
      {"c:\\dir\\", "*", 0},  // no file-name part
      {"c:\\dir\\", "", 0},
      {"c:/dir/", "*.*", 0},
      {"", "*", 0},
  });
}

TEST(WildcardMatch, ExactShape) {
  expect_matches({
      {"main.c", "MAIN.C", 1},
      {"C:\\dir\\Main.C", "main.c", 1},
      {"C:/dir/main.c", "main.c", 1},  // '/' separates as '\' does
      {"main.c", "main.?", 0},         // '?' is an ordinary character
      {"main.?", "MAIN.?", 1},
      {"main.c", "main.cc", 0},
      {"main.c", "main", 0},
      {"dir\\main.c", "dir\\main.c", 0},  // only the file name takes part
      {"\xC9.c", "\xE9.c", 0},            // bytes above 0x7F never fold
      {"x@", "x`", 0},
  });
}

TEST(WildcardMatch, SuffixShape) {
  expect_matches({
      {"c:\\dir\\Main.C", "*.c", 1},
      {"main.c", "*.h", 0},
      {"c", "*c", 1},
      {"c", "*cc", 0},
      {"ab", "*AB", 1},
      {"\xC9.c", "*\xE9.c", 0},
  });
}

TEST(WildcardMatch, PrefixShape) {
  expect_matches({
      {"main.c", "ma*", 1},
      {"main.c", "MAIN*", 1},
      {"main.c", "mb*", 0},
      {"m", "m*", 1},
      {"m", "mm*", 0},
      {"c:\\a\\main.c", "c:*", 0},
  });
}

TEST(WildcardMatch, ContainsShape) {
  expect_matches({
      {"xabc", "*bc*", 1},
      {"xabc", "*BC*", 1},
      {"xabc", "*xabc*", 1},
      {"xabc", "*cb*", 0},
      {"ab", "**", 0},  // empty middle
  });
}

TEST(WildcardMatch, SplitPatternForms) {
  expect_matches({
      // a*b: begins with a and ends with b.
      {"test.log", "te*log", 1},
      {"TEST.LOG", "te*LOG", 1},
      {"test.log", "te*loc", 0},
      {"test.log", "tx*log", 0},
      {"aba", "ab*ba", 1},  // the halves may overlap
      {"ab", "ab*ba", 0},
      // *a*b: contains a and ends with b.
      {"test.log", "*st*og", 1},
      {"test.log", "*og*st", 0},
      {"test.log", "*xy*og", 0},
      // a*b*: begins with a and contains b.
      {"test.log", "te*.l*", 1},
      {"test.log", "te*x*", 0},
      {"test.log", "xe*.l*", 0},
      // *a*b*: contains a and b, the first a not after the first b.
      {"ogst", "*og*st*", 1},
      {"log.test", "*og*st*", 1},
      {"stog", "*og*st*", 0},
      {"test.log", "*t*t*", 1},
      // The second half '*.*' matches every name.
      {"apple", "a*.*", 1},
      {"a.txt", "a*.*", 1},
      {"banana", "a*.*", 0},
      // Blanks beside the inner star are trimmed.
      {"abxcd", "ab *cd", 1},
      {"abxcd", "ab * cd", 1},
      {"ab cd", "ab*  cd", 1},
      {"a?c", "*?c", 1},
  });
}

TEST(WildcardMatch, AdjacentOrSurplusStarsNeverMatch) {
  expect_matches({
      {"ab", "a**b", 0},
      {"axb", "a**b", 0},
      {"ab", "**ab", 0},
      {"xab", "**ab", 0},
      {"ab", "ab**", 0},
      {"abx", "ab**", 0},
      {"xaby", "*ab**", 0},
      {"abc", "*a*b*c", 0},
      {"axb", "*a*b*c", 0},  // would pass as '*a*' and '*b'
      {"a-b-c", "a*b*c", 0},
      {"a-b", "a*b*c", 0},  // would pass as 'a*' and '*b'
      {"a-b-c", "*a*b*c*", 0},
      {"abc", "***", 0},
  });
}

TEST(WildcardMatch, EmptyTokenNeverMatches) {
  expect_matches({
      {"ab", "a * ", 0},
      {"a x ", "a * ", 0},
      {"x", " *x", 0},
  });
}

TEST(WildcardMatch, OverlongPathsAndPatternsAreRefused) {
  const std::size_t limit = kWildcardTextCapacity;
  EXPECT_EQ(limit, 256u);
  EXPECT_EQ(match_wildcard(std::string(limit - 1, 'a').c_str(), "*"), 1);
  EXPECT_EQ(match_wildcard(std::string(limit, 'a').c_str(), "*"), 0);

  // A short name in a long path is refused all the same.
  const std::string dir = "C:\\" + std::string(limit - 8, 'd') + "\\";
  EXPECT_EQ(match_wildcard((dir + "x.c").c_str(), "*.c"), 1);  // 255 characters
  EXPECT_EQ(match_wildcard((dir + "xy.c").c_str(), "*.c"), 0);

  const std::string name(limit, 'a');
  const std::string fits = std::string(limit - 2, 'a') + "*";
  const std::string too_long = std::string(limit - 1, 'a') + "*";
  EXPECT_EQ(match_wildcard(name.substr(0, limit - 1).c_str(), fits.c_str()), 1);
  EXPECT_EQ(match_wildcard("aaa", too_long.c_str()), 0);
  EXPECT_EQ(match_wildcard("x", std::string(limit, '*').c_str()), 0);
}

TEST(WildcardMatch, ArgumentsAreNotChanged) {
  char path[] = "C:/Dir/Main.C";
  char pattern[] = "*AI*.|*";
  match_wildcard(path, pattern);
  EXPECT_STREQ(path, "C:/Dir/Main.C");
  EXPECT_STREQ(pattern, "*AI*.|*");
}

// --- The position register ---

TEST(MatchPosition, Operations) {
  EXPECT_EQ(match_position(kPositionStore, 5), 0);
  EXPECT_EQ(match_position(kPositionRead, 99), 5);
  EXPECT_EQ(match_position(2, 9), 0);
  EXPECT_EQ(match_position(-1, 9), 0);
  EXPECT_EQ(read_position(), 5);
}

TEST(MatchPosition, SetBySimpleMatches) {
  struct Case {
    const char* name;
    const char* pattern;
    int position;
  };
  const Case cases[] = {
      {"xabc", "*bc*", 3},   {"xabc", "*XA*", 1},   {"xabc", "*zz*", 0},    {"xabc", "**", 0},
      {"xabc", "xabc", 0},   {"xabc", "*bc", 0},    {"xabc", "xa*", 0},     {"xabc", "nomatch", 0},
      {"ogst", "*og*st*", 3}, {"test.log", "te*log", 0}, {"stog", "*og*st*", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.pattern);
    match_position(kPositionStore, 77);
    match_wildcard(c.name, c.pattern);
    EXPECT_EQ(read_position(), c.position);
  }
}

TEST(MatchPosition, EarlyAnswersLeaveTheRegister) {
  const std::string overlong(300, 'b');
  const MatchCase cases[] = {
      {"x.c", "*", 1},          {"x.c", "", 1},       {"x.c", "*.*", 1},
      {"dir\\", "*bc*", 0},     {"abc", "a**b", 0},   {"ab", "a * ", 0},
      {overlong.c_str(), "*b*", 0},
  };
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(c.pattern);
    match_position(kPositionStore, 77);
    EXPECT_EQ(match_wildcard(c.path, c.pattern), c.expected);
    EXPECT_EQ(read_position(), 77);
  }
}

// --- Tokenizer ---

struct TokenStep {
  int result;
  const char* token;
};

void expect_tokens(const char* text, const char* delimiter, const std::vector<TokenStep>& steps) {
  SCOPED_TRACE(std::string("text '") + text + "' delimiter '" + delimiter + "'");
  ASSERT_EQ(next_token("", "", static_cast<char*>(nullptr), kTokenModeReset), kTokenResetDone);
  for (const TokenStep& step : steps) {
    std::vector<char> out(std::strlen(text) + 1, '#');
    EXPECT_EQ(next_token(text, delimiter, out.data(), kTokenModeNext), step.result);
    EXPECT_STREQ(out.data(), step.token);
  }
}

TEST(Tokenizer, SplitsAndRepeatsTheLastToken) {
  expect_tokens("a, b", ",", {{kTokenMore, "a"}, {kTokenLast, "b"}, {kTokenLast, "b"}});
  expect_tokens("abc", ",", {{kTokenLast, "abc"}, {kTokenLast, "abc"}});
  expect_tokens("a,", ",", {{kTokenMore, "a"}, {kTokenLast, ""}, {kTokenLast, ""}});
  expect_tokens(",a", ",", {{kTokenMore, ""}, {kTokenLast, "a"}});
  expect_tokens("oneXtwoxthree", "x", {{kTokenMore, "one"}, {kTokenMore, "two"}, {kTokenLast, "three"}});
  expect_tokens("a :: b::c", "::", {{kTokenMore, "a"}, {kTokenMore, "b"}, {kTokenLast, "c"}});
  expect_tokens(" \ta \t , b ", ",", {{kTokenMore, "\ta \t"}, {kTokenLast, "b"}});
  expect_tokens("   ", ",", {{kTokenLast, ""}});
}

TEST(Tokenizer, EmptyTextOrDelimiterLeavesTheOutput) {
  next_token("", "", static_cast<char*>(nullptr), kTokenModeReset);
  char out[] = "untouched";
  EXPECT_EQ(next_token("", ",", out, kTokenModeNext), kTokenEmptyText);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(next_token("a,b", "", out, kTokenModeNext), kTokenEmptyDelimiter);
  EXPECT_STREQ(out, "untouched");
}

TEST(Tokenizer, EveryResetReturnsToTheFirstToken) {
  struct Interruption {
    const char* text;
    const char* delimiter;
    int mode;
    int result;
  };
  const Interruption interruptions[] = {
      {"", "", kTokenModeReset, kTokenResetDone}, {"", "", kTokenModeRelease, kTokenReleased},
      {"", "", 7, kTokenReleased},                {"", "", -1, kTokenReleased},
      {"", ",", kTokenModeNext, kTokenEmptyText}, {"a,b,c", "", kTokenModeNext, kTokenEmptyDelimiter},
  };
  for (const Interruption& i : interruptions) {
    SCOPED_TRACE(i.mode);
    std::string token;
    next_token("", "", &token, kTokenModeReset);
    ASSERT_EQ(next_token("a,b,c", ",", &token, kTokenModeNext), kTokenMore);
    ASSERT_EQ(token, "a");
    EXPECT_EQ(next_token(i.text, i.delimiter, &token, i.mode), i.result);
    EXPECT_EQ(next_token("a,b,c", ",", &token, kTokenModeNext), kTokenMore);
    EXPECT_EQ(token, "a");
  }
}

TEST(Tokenizer, ShorterTextThanTheSequenceYieldsAnEmptyRest) {
  std::string token;
  next_token("", "", &token, kTokenModeReset);
  ASSERT_EQ(next_token("abcdef,x", ",", &token, kTokenModeNext), kTokenMore);
  EXPECT_EQ(next_token("ab", ",", &token, kTokenModeNext), kTokenLast);
  EXPECT_EQ(token, "");
}

TEST(Tokenizer, MatchingReleasesTheTokenizer) {
  ASSERT_EQ(match_wildcard("test.log", "te*log"), 1);
  std::string token;
  // No reset: the matcher left the tokenizer at the start.
  EXPECT_EQ(next_token("x,y", ",", &token, kTokenModeNext), kTokenMore);
  EXPECT_EQ(token, "x");
}

// --- '/'-path splitting ---

TEST(SplitSlashPath, DirectoryAndLastComponent) {
  struct Case {
    const char* path;
    const char* directory;
    const char* name;
  };
  const Case cases[] = {
      {"a/b/c", "/a/b/", "c"}, {"/a/b", "/a/", "b"},    {"a/", "/a/", ""},  {"abc", "/", "abc"},
      {"", "/", ""},           {"/", "/", ""},          {"a\\b", "/", "a\\b"}, {"//x", "//", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string directory = "old";
    std::string name = "old";
    split_slash_path(std::string(c.path), &directory, &name);
    EXPECT_EQ(directory, c.directory);
    EXPECT_EQ(name, c.name);

    // Buffer form, with exactly the documented room and a guard byte after it.
    const std::size_t length = std::strlen(c.path);
    std::vector<char> dir_buf(length + 3, '#');
    std::vector<char> name_buf(length + 2, '#');
    split_slash_path(c.path, dir_buf.data(), name_buf.data());
    EXPECT_STREQ(dir_buf.data(), c.directory);
    EXPECT_STREQ(name_buf.data(), c.name);
    EXPECT_EQ(dir_buf.back(), '#');
    EXPECT_EQ(name_buf.back(), '#');
  }
}

TEST(SplitSlashPath, AbsentOutputsAreSkipped) {
  std::string directory;
  std::string name;
  split_slash_path(std::string("a/b"), &directory, nullptr);
  EXPECT_EQ(directory, "/a/");
  split_slash_path(std::string("a/b"), nullptr, &name);
  EXPECT_EQ(name, "b");
  char buf[8] = "old";
  split_slash_path("x/y", nullptr, buf);
  EXPECT_STREQ(buf, "y");
  split_slash_path("x/y", buf, nullptr);
  EXPECT_STREQ(buf, "/x/");
}

}  // namespace
}  // namespace zeb::fsutil
