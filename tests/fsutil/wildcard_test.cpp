// File-name matching, the position register it reports through, the
// tokenizer it splits patterns with, and the '/'-path splitter.
#include "fsutil/wildcard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

namespace zeb::fsutil {

// Row by row: the simple shapes, where only ASCII letters fold; one inner
// star, with the blanks beside it trimmed; surplus stars and empty tokens,
// which never match; texts of 256 characters, which are refused.
TEST(Wildcard, ShapesLimitsPositionsAndWhatNeverMatches) {
  const std::string dir = "C:\\" + std::string(248, 'd') + "\\", a255(255, 'a');
  const struct { std::string path, pattern; int expected; } cases[] = {
      {"C:\\dir\\Main.C", "main.c", 1}, {"C:/dir/main.c", "MAIN.C", 1}, {"main.c", "main.?", 0}, {"main.c", "main", 0},
      {"dir\\main.c", "dir\\main.c", 0}, {"\xC9.c", "\xE9.c", 0}, {"x@", "x`", 0}, {"x.c", "", 1}, {"noext", "*.*", 1},
      {"c:\\dir\\", "*", 0}, {"c:\\dir\\Main.C", "*.c", 1}, {"main.c", "*.h", 0}, {"c", "*cc", 0},
      {"\xC9.c", "*\xE9.c", 0}, {"main.c", "MAIN*", 1}, {"main.c", "mb*", 0}, {"m", "mm*", 0},
      {"c:\\a\\main.c", "c:*", 0}, {"xabc", "*BC*", 1}, {"xabc", "*xabc*", 1}, {"xabc", "*cb*", 0},
      {"test.log", "te*LOG", 1}, {"test.log", "te*loc", 0}, {"aba", "ab*ba", 1}, {"ab", "ab*ba", 0},
      {"apple", "a*.*", 1}, {"test.log", "*st*og", 1}, {"test.log", "*og*st", 0}, {"test.log", "*xy*og", 0},
      {"test.log", "te*.l*", 1}, {"test.log", "xe*.l*", 0}, {"banana", "a*.*", 0}, {"ogst", "*og*st*", 1},
      {"log.test", "*og*st*", 1}, {"stog", "*og*st*", 0}, {"abxcd", "ab * cd", 1}, {"ab cd", "ab*  cd", 1},
      {"axb", "a**b", 0}, {"xab", "**ab", 0}, {"abx", "ab**", 0}, {"ab", "**", 0}, {"axb", "*a*b*c", 0},
      {"a-b", "a*b*c", 0}, {"a-b-c", "*a*b*c*", 0}, {"abc", "***", 0}, {"a x ", "a * ", 0}, {"x", " *x", 0},
      {a255, "*", 1}, {a255 + "a", "*", 0}, {dir + "x.c", "*.c", 1}, {dir + "xy.c", "*.c", 0},
      {a255, a255.substr(1) + "*", 1}, {a255, a255 + "*", 0}};
  for (const auto& [path, pattern, expected] : cases)
    EXPECT_EQ(match_wildcard(path.c_str(), pattern.c_str()), expected) << path << " ~ " << pattern;
  // Early answers ("*") leave the position register; other operations than
  // read and store change nothing and answer 0.
  for (const auto& [pattern, position] : {std::pair("*bc*", 3), std::pair("*zz*", 0), std::pair("*", 77)}) {
    match_position(kPositionStore, 77);
    match_wildcard("xabc", pattern);
    EXPECT_EQ((std::tuple{match_position(2, 5), match_position(-1, 5), match_position(kPositionRead, 0)}),
              std::tuple(0, 0, position)) << pattern;
  }
}

TEST(Tokenizer, SplitsTrimsRepeatsTheLastTokenRestartsAndSplitsSlashPaths) {
  // Result and token of each step of a new sequence over `text`: a step is
  // the delimiter of a read, or "#m" for a call in mode m; "-" marks a token
  // left untouched. Goes through the buffer form, which wraps the other.
  const auto tokens = [](const char* text, std::initializer_list<const char*> steps) {
    std::string seen = std::to_string(next_token("", "", static_cast<char*>(nullptr), kTokenModeReset)) + "|";
    for (const char* step : steps) {
      std::vector<char> out(std::strlen(text) + 2, '\0');
      out[0] = '-';
      const int mode = step[0] == '#' ? step[1] - '0' : kTokenModeNext;
      seen += std::to_string(next_token(text, step, out.data(), mode)) + out.data() + "|";
    }
    return seen;
  };
  const std::pair<std::string, std::string> cases[] = {
      {tokens("a, b", {",", ",", ","}), "0|3a|0b|0b|"}, {tokens("oneXtwo :: x", {"x", "x", "x"}), "0|3one|3two ::|0|"},
      {tokens("a::B and c", {"::", "AND", "and"}), "0|3a|3B|0c|"}, {tokens("", {","}), "0|1-|"},
      {tokens("a,b", {",", "", ",", "#2", ",", "#9", "#0", ","}), "0|3a|2-|3a|4-|3a|4-|0-|3a|"}};
  for (const auto& [seen, expected] : cases) EXPECT_EQ(seen, expected);
  // '/'-paths: the directory always from the root, and the last component.
  const struct { const char *path, *directory, *name; } paths[] = {
      {"a/b/c", "/a/b/", "c"}, {"/a/b", "/a/", "b"}, {"a/", "/a/", ""}, {"/x", "/", "x"}, {"abc", "/", "abc"},
      {"", "/", ""}};
  for (const auto& [path, directory, name] : paths) {
    std::string directory_out, name_out;
    split_slash_path(std::string(path), &directory_out, &name_out);
    // The buffer form, with the room its contract names and no more.
    std::vector<char> directory_buffer(std::strlen(path) + 2), name_buffer(std::strlen(path) + 1);
    split_slash_path(path, directory_buffer.data(), name_buffer.data());
    EXPECT_EQ(directory_out + "|" + name_out + "|" + directory_buffer.data() + "|" + name_buffer.data(),
              std::string(directory) + "|" + name + "|" + directory + "|" + name) << path;
  }
}

}  // namespace zeb::fsutil
