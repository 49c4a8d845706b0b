// File-name matching with an inner star, and the position register it
// reports through. The simple shapes, the limits and the tokenizer are held
// against their rules by fuzz/wildcard.cpp.
#include "fsutil/wildcard.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace zeb::fsutil {

// Row by row: one inner star cuts the pattern into two halves matched on
// their own, the blanks beside it trimmed; "*a*b*" also wants a before b;
// an empty half, or a star more, never matches.
TEST(Wildcard, InnerStarAndPositions) {
  const struct { const char *path, *pattern; int expected; } cases[] = {
      {"test.log", "te*LOG", 1}, {"test.log", "te*loc", 0}, {"aba", "ab*ba", 1}, {"ab", "ab*ba", 0},
      {"apple", "a*.*", 1}, {"banana", "a*.*", 0}, {"test.log", "*st*og", 1}, {"test.log", "*og*st", 0},
      {"test.log", "*xy*og", 0}, {"test.log", "te*.l*", 1}, {"test.log", "xe*.l*", 0}, {"ogst", "*og*st*", 1},
      {"log.test", "*og*st*", 1}, {"stog", "*og*st*", 0}, {"abxcd", "ab * cd", 1}, {"ab cd", "ab*  cd", 1},
      {"xab", "**ab", 0}, {"abx", "ab**", 0}, {"abc", "***", 0}, {"a x ", "a * ", 0}, {"x", " *x", 0}};
  for (const auto& [path, pattern, expected] : cases)
    EXPECT_EQ(match_wildcard(path, pattern), expected) << path << " ~ " << pattern;
  // Early answers ("*") leave the position register; other operations than
  // read and store change nothing and answer 0.
  for (const auto& [pattern, position] : {std::pair("*bc*", 3), std::pair("*zz*", 0), std::pair("*", 77)}) {
    match_position(kPositionStore, 77);
    match_wildcard("xabc", pattern);
    EXPECT_EQ((std::tuple{match_position(2, 5), match_position(-1, 5), match_position(kPositionRead, 0)}),
              std::tuple(0, 0, position)) << pattern;
  }
}

}  // namespace zeb::fsutil
