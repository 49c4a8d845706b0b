// The "gcc -v" report decides whether zeb_c compiles at all, and its
// version line goes into every banner. Any bytes a toolchain may write are
// examined within the 4096-byte limit (the buffer ends exactly there, so a
// read past it is seen), and the answer is held against the rules read
// afresh here: the marker or a MinGW target, the version after
// "gcc version ", 3.4.2 or later.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cache/toolchain_check.h"
#include "fuzz_support.h"

namespace {

namespace cache = zeb::cache;
using zeb::fuzz::lowered;

bool word_end(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

// Leading numbers of the word, dot-separated, missing ones 0; 3.4.2 or later.
bool recent_enough(std::string_view word) {
  long parts[3] = {0, 0, 0};
  std::size_t at = 0;
  for (int index = 0; index < 3; ++index) {
    if (index > 0) {
      if (at >= word.size() || word[at] != '.') break;
      ++at;
    }
    while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
      parts[index] = std::min(parts[index] * 10 + (word[at] - '0'), 1000000000L);
      ++at;
    }
  }
  const long minimum[3] = {3, 4, 2};
  for (int index = 0; index < 3; ++index) {
    if (parts[index] != minimum[index]) return parts[index] > minimum[index];
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t length = std::min(size, cache::kVersionOutputLimit);
  // As toolchain_check hands it over: what was read, then a terminator, and
  // not one byte more.
  std::vector<char> report(data, data + length);
  report.push_back('\0');
  const int result = cache::examine_toolchain_report(report.data());
  ZEB_FUZZ_CHECK(result == 0 || result == 21 || result == 22 || result == 23, "the result is one of 0, 21, 22, 23");

  const std::string text(report.data());  // the report ends at its first NUL
  const std::string lower = lowered(text);
  if (lower.find("(mingw-special)") != std::string::npos) {
    ZEB_FUZZ_CHECK(result != 23, "a report with the MinGW 3.4.2 marker is a MinGW build");
  }
  if (result != 23) {
    ZEB_FUZZ_CHECK(lower.find("(mingw-special)") != std::string::npos || lower.find("mingw32") != std::string::npos,
                   "a build taken for MinGW shows the marker or a MinGW target");
  }
  if (lower.starts_with("target: ")) {
    std::size_t end = 8;
    while (end < lower.size() && !word_end(lower[end])) ++end;
    if (std::string_view(lower).substr(8, end - 8).ends_with("mingw32")) {
      ZEB_FUZZ_CHECK(result != 23, "a report that opens with a MinGW target is a MinGW build");
    }
  }
  const std::string line = cache::toolchain_version_line();
  if (result == 23) {
    ZEB_FUZZ_CHECK(line.empty(), "a refused build keeps no version line");
    return 0;
  }
  const std::size_t words = lower.find("gcc version ");
  if (words == std::string::npos) {
    ZEB_FUZZ_CHECK(result == 22, "a report without \"gcc version \" has no version");
    return 0;
  }
  std::size_t end = words + std::strlen("gcc version ");
  while (end < text.size() && !word_end(text[end])) ++end;
  const std::string_view word = std::string_view(text).substr(words + 12, end - words - 12);
  if (word.size() > cache::kMaxVersionWordLength) {
    ZEB_FUZZ_CHECK(result == 22, "a version word past its limit is no version");
    return 0;
  }
  ZEB_FUZZ_CHECK(result == (recent_enough(word) ? 0 : 21), "the version decides between 0 and 21");
  ZEB_FUZZ_CHECK(line == "gcc version " + std::string(word) + " \n", "the version line shows the word as written");
  ZEB_FUZZ_CHECK(line.starts_with("gcc version ") && line.size() <= 300, "the version line fits its 300-byte text");
  return 0;
}
