// The kept answer of the toolchain check, cache\toolchain.dat: read back from
// a file anything may have written. Whatever parses formats into the same
// text, byte for byte (one text per answer), and an answer the check keeps
// reads back as it was kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <optional>
#include <string>

#include "cache/toolchain_answer.h"
#include "cache/toolchain_check.h"
#include "fuzz_support.h"

namespace cache = zeb::cache;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = zeb::fuzz::text_of(data, size);
  if (const std::optional<cache::ToolchainAnswer> parsed = cache::parse_toolchain_answer(text)) {
    ZEB_FUZZ_CHECK(cache::acceptable_version_word(parsed->version_word), "only an accepted version is an answer");
    ZEB_FUZZ_CHECK((parsed->report_fingerprint & 1u) != 0, "the fingerprint is one the check gives");
    ZEB_FUZZ_CHECK(cache::format_toolchain_answer(*parsed) == text, "a parsed answer formats into the text it came from");
  }

  FuzzedDataProvider provider(data, size);
  cache::ToolchainAnswer answer;
  cache::ToolchainIdentity& id = answer.identity;
  id.program = provider.ConsumeRandomLengthString(64);
  id.size = provider.ConsumeIntegral<std::uint64_t>();
  id.write_time = provider.ConsumeIntegral<std::uint64_t>();
  id.change_time = provider.ConsumeIntegral<std::uint64_t>();
  id.volume = provider.ConsumeIntegral<std::uint32_t>();
  id.file_index = provider.ConsumeIntegral<std::uint64_t>();
  for (std::optional<std::string>& value : id.environment) {
    if (provider.ConsumeBool()) value = provider.ConsumeRandomLengthString(32);
  }
  answer.report_fingerprint = provider.ConsumeIntegral<std::uint32_t>() | 1u;
  answer.version_word = provider.ConsumeRemainingBytesAsString();
  const std::optional<std::string> kept = cache::format_toolchain_answer(answer);
  const bool lines = id.program.find('\n') == std::string::npos && !id.program.empty() &&
                     std::none_of(id.environment.begin(), id.environment.end(), [](const auto& value) {
                       return value && value->find('\n') != std::string::npos;
                     });
  ZEB_FUZZ_CHECK(kept.has_value() == (lines && cache::acceptable_version_word(answer.version_word)),
                 "every answer the check can give is kept, nothing else");
  if (kept) ZEB_FUZZ_CHECK(cache::parse_toolchain_answer(*kept) == answer, "a kept answer reads back as it was kept");
  return 0;
}
