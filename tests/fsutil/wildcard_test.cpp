// File-name matching, the position register it reports through, and the
// tokenizer it splits patterns with.
#include "fsutil/wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zeb::fsutil {
namespace {

struct MatchCase { std::string path, pattern; int expected; };

void expect_matches(const std::vector<MatchCase>& cases) {
  for (const auto& [path, pattern, expected] : cases) {
    EXPECT_EQ(match_wildcard(path.c_str(), pattern.c_str()), expected) << path << " ~ " << pattern;
  }
}

TEST(Wildcard, ExactNameFoldsAsciiCaseOnly) {
  expect_matches({{"C:\\dir\\Main.C", "main.c", 1}, {"C:/dir/main.c", "MAIN.C", 1}, {"main.c", "main.?", 0},
                  {"main.c", "main", 0}, {"dir\\main.c", "dir\\main.c", 0}, {"\xC9.c", "\xE9.c", 0},
                  {"x@", "x`", 0}, {"x.c", "", 1}, {"noext", "*.*", 1}, {"c:\\dir\\", "*", 0}});
}

TEST(Wildcard, Suffix) {
  expect_matches({{"c:\\dir\\Main.C", "*.c", 1}, {"main.c", "*.h", 0}, {"c", "*cc", 0}, {"\xC9.c", "*\xE9.c", 0}});
}

TEST(Wildcard, Prefix) {
  expect_matches({{"main.c", "MAIN*", 1}, {"main.c", "mb*", 0}, {"m", "mm*", 0}, {"c:\\a\\main.c", "c:*", 0}});
}

TEST(Wildcard, ContainsReportsWhereTheTextStands) {
  expect_matches({{"xabc", "*BC*", 1}, {"xabc", "*xabc*", 1}, {"xabc", "*cb*", 0}});
  const std::pair<const char*, int> positions[] = {{"*bc*", 3}, {"*zz*", 0}, {"*", 77}};  // early answers leave it
  for (const auto& [pattern, position] : positions) {
    match_position(kPositionStore, 77);
    match_wildcard("xabc", pattern);
    EXPECT_EQ(match_position(kPositionRead, 0), position) << pattern;
  }
}

TEST(Wildcard, SplitPatternForms) {
  expect_matches({{"test.log", "te*LOG", 1}, {"test.log", "te*loc", 0}, {"aba", "ab*ba", 1}, {"ab", "ab*ba", 0},
                  {"test.log", "*st*og", 1}, {"test.log", "*og*st", 0}, {"test.log", "*xy*og", 0},
                  {"test.log", "te*.l*", 1}, {"test.log", "xe*.l*", 0}, {"apple", "a*.*", 1}, {"banana", "a*.*", 0},
                  {"ogst", "*og*st*", 1}, {"log.test", "*og*st*", 1}, {"stog", "*og*st*", 0},
                  {"abxcd", "ab * cd", 1}, {"ab cd", "ab*  cd", 1}});  // blanks beside the inner star are trimmed
}

TEST(Wildcard, SurplusStarsAndEmptyTokensNeverMatch) {
  expect_matches({{"axb", "a**b", 0}, {"xab", "**ab", 0}, {"abx", "ab**", 0}, {"ab", "**", 0},
                  {"axb", "*a*b*c", 0}, {"a-b", "a*b*c", 0}, {"a-b-c", "*a*b*c*", 0}, {"abc", "***", 0},
                  {"a x ", "a * ", 0}, {"x", " *x", 0}});
}

TEST(Wildcard, TextsOf256CharactersAreRefused) {
  const std::string dir = "C:\\" + std::string(248, 'd') + "\\", a255(255, 'a');
  expect_matches({{a255, "*", 1}, {a255 + "a", "*", 0}, {dir + "x.c", "*.c", 1}, {dir + "xy.c", "*.c", 0},
                  {a255, a255.substr(1) + "*", 1}, {a255, a255 + "*", 0}});
}

// The results and tokens of a new sequence of `calls` reads of `text`.
std::string tokens(const char* text, const char* delimiter, int calls) {
  std::string token, seen = std::to_string(next_token("", "", &token, kTokenModeReset)) + "|";
  while (calls-- > 0) seen += std::to_string(next_token(text, delimiter, &token, kTokenModeNext)) + token + "|";
  return seen;
}

TEST(Tokenizer, SplitsTrimsAndRepeatsTheLastToken) {
  EXPECT_EQ(tokens("a, b", ",", 3), "0|3a|0b|0b|");
  EXPECT_EQ(tokens("oneXtwo :: x", "x", 4), "0|3one|3two ::|0|0|");
  char out[] = "untouched";
  EXPECT_EQ(next_token("", ",", out, kTokenModeNext), 1);
  EXPECT_STREQ(out, "untouched");
}

}  // namespace
}  // namespace zeb::fsutil
