// What the toolchain says of its library directories, and the answer kept in
// cache\libraries.dat: both are read back from files anything may have
// written. The directory list is held against a plain reading of its line;
// whatever parses as a kept answer formats into the text it came from (one
// text per answer), and an answer a compile keeps reads back as it was kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cache/toolchain_libraries.h"
#include "fuzz_support.h"

namespace {

namespace cache = zeb::cache;

std::optional<std::vector<std::string>> directories_of(const std::string& report) {
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (!line.starts_with("libraries: =")) continue;
    std::vector<std::string> directories;
    std::istringstream list(line.substr(12));
    for (std::string directory; std::getline(list, directory, ';');) {
      if (!directory.empty()) directories.push_back(directory);
    }
    return directories;
  }
  return std::nullopt;
}

bool same(const cache::LibraryAnswer& a, const cache::LibraryAnswer& b) {
  return a.toolchain == b.toolchain && a.directories == b.directories && a.text == b.text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = zeb::fuzz::text_of(data, size);
  ZEB_FUZZ_CHECK(cache::library_directories(text) == directories_of(text),
                 "the directories are those of the first \"libraries: =\" line, empty ones left out");

  // The input as a kept answer that anything may have written. (A write time
  // of all ones is the absent directory's, which formats as "absent".)
  if (const std::optional<cache::LibraryAnswer> parsed = cache::parse_library_answer(text)) {
    ZEB_FUZZ_CHECK(parsed->toolchain != 0, "an answer names its toolchain");
    ZEB_FUZZ_CHECK(cache::format_library_answer(*parsed) == text || text.find("ffffffffffffffff") != std::string::npos,
                   "a parsed answer formats into the text it came from");
  }

  // The input as an answer a compile keeps: directories as a report lists
  // them (no line end, not empty), the text as library_text makes it.
  FuzzedDataProvider provider(data, size);
  cache::LibraryAnswer answer;
  answer.toolchain = provider.ConsumeIntegralInRange<std::uint32_t>(1, 0xFFFFFFFFu);
  const std::size_t count = provider.ConsumeIntegralInRange<std::size_t>(0, 6);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string directory = zeb::fuzz::without(provider.ConsumeRandomLengthString(64), "\n;");
    if (directory.empty()) continue;
    const std::uint64_t state =
        provider.ConsumeBool() ? cache::LibraryAnswer::kAbsentDirectory : provider.ConsumeIntegral<std::uint64_t>();
    answer.directories.emplace_back(directory, state);
  }
  answer.text = zeb::fuzz::without(provider.ConsumeRemainingBytesAsString(), "\n");
  if (!answer.text.empty()) answer.text.insert(0, " ");
  const std::optional<cache::LibraryAnswer> back = cache::parse_library_answer(cache::format_library_answer(answer));
  ZEB_FUZZ_CHECK(back && same(*back, answer), "a kept answer reads back as it was kept");
  return 0;
}
