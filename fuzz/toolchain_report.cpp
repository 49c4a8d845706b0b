// The "gcc -v" report decides whether zeb_c compiles at all, and its
// version line goes into every banner. Any bytes a toolchain may write are
// examined within the 4096-byte limit (the buffer ends exactly there, so a
// read past it is seen), and the answer is held against the rules read
// afresh here: the marker or a MinGW target, the version after
// "gcc version ", 3.4.2 or later.
#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "cache/toolchain_check.h"
#include "fuzz_support.h"

namespace {

namespace cache = zeb::cache;
using zeb::fuzz::lowered;

// Leading numbers of the word, dot-separated, missing ones 0; 3.4.2 or later.
bool recent_enough(std::string_view word) {
  std::array<unsigned long, 3> parts{};
  const char* at = word.data();
  const char* const end = at + word.size();
  for (unsigned long& part : parts) {
    const auto [next, error] = std::from_chars(at, end, part);
    if (error == std::errc::result_out_of_range) part = ~0ul;
    if (next == end || *next != '.') break;
    at = next + 1;
  }
  return parts >= std::array<unsigned long, 3>{3, 4, 2};
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
  // The report holds no NUL: the word ends at a blank or a line end.
  const std::size_t end = text.find_first_of(" \t\r\n", words + 12);
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
