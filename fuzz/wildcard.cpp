// File-name patterns and the tokenizer they are cut with. The matcher is
// held against its documented shapes where a pattern has no inner star (the
// inner star's rules are tabled in tests/fsutil/wildcard_test.cpp), and
// against what any name must match; the tokenizer against a plain split; the
// '/'-path splitter against what it promises.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fsutil/wildcard.h"
#include "fuzz_support.h"

namespace {

using namespace zeb::fsutil;
using zeb::fuzz::lowered;

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void check_matcher(const std::string& path, const std::string& pattern) {
  const std::string name = path.substr(path.find_last_of("\\/") + 1);
  const int before = match_position(kPositionRead, 0);
  const int match = match_wildcard(path.c_str(), pattern.c_str());
  const int position = match_position(kPositionRead, 0);
  if (name.empty() || path.size() >= kWildcardTextCapacity || pattern.size() >= kWildcardTextCapacity) {
    ZEB_FUZZ_CHECK(match == 0 && position == before, "no name, or a text past the limit, never matches");
    return;
  }
  if (pattern.empty() || pattern == "*" || pattern == "*.*") {
    ZEB_FUZZ_CHECK(match == 1 && position == before, "\"\", \"*\" and \"*.*\" match every name at once");
    return;
  }
  const bool leading = pattern.front() == '*';
  const bool trailing = pattern.back() == '*';
  const long inner = std::count(pattern.begin(), pattern.end(), '*') - leading - trailing;
  if (inner >= 2) ZEB_FUZZ_CHECK(match == 0 && position == before, "two inner stars never match");
  if (inner != 0) return;
  // The simple shapes: exact, "*x" suffix, "x*" prefix, "*x*" anywhere, which
  // alone reports where (1-based, 0 when absent).
  const std::string fixed = lowered(pattern.substr(leading, pattern.size() - leading - trailing));
  const std::string lower_name = lowered(name);
  const std::size_t at = fixed.empty() ? std::string::npos : lower_name.find(fixed);
  const int expected = leading && trailing ? at != std::string::npos
                       : leading           ? lower_name.ends_with(fixed)
                       : trailing          ? lower_name.starts_with(fixed)
                                           : lower_name == fixed;
  const int expected_position = leading && trailing && at != std::string::npos ? static_cast<int>(at) + 1 : 0;
  ZEB_FUZZ_CHECK(match == expected, "a pattern without an inner star matches by its shape");
  ZEB_FUZZ_CHECK(position == expected_position, "only \"*x*\" reports a position");
}

// Splits as next_token promises: at each delimiter (A-Z case ignored), each
// token trimmed of blanks.
std::vector<std::string> reference_tokens(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> tokens;
  std::size_t start = 0;
  for (std::size_t at; (at = lowered(text).find(lowered(delimiter), start)) != std::string::npos;) {
    tokens.push_back(trimmed(text.substr(start, at - start)));
    start = at + delimiter.size();
  }
  tokens.push_back(trimmed(text.substr(start)));
  return tokens;
}

void check_tokenizer(const std::string& text, const std::string& delimiter) {
  ZEB_FUZZ_CHECK(next_token("", "", static_cast<char*>(nullptr), kTokenModeReset) == kTokenResetDone,
                 "a reset is done");
  // Exactly the room the contract asks for, so that a longer write is seen.
  std::vector<char> out(text.size() + 1, '-');
  const auto next = [&](int mode) { return next_token(text.c_str(), delimiter.c_str(), out.data(), mode); };
  if (text.empty() || delimiter.empty()) {
    ZEB_FUZZ_CHECK(next(kTokenModeNext) == (text.empty() ? kTokenEmptyText : kTokenEmptyDelimiter) && out[0] == '-',
                   "an empty text or delimiter is refused, nothing written");
    return;
  }
  const std::vector<std::string> expected = reference_tokens(text, delimiter);
  for (std::size_t i = 0; i <= expected.size(); ++i) {
    const std::size_t token = std::min(i, expected.size() - 1);
    ZEB_FUZZ_CHECK(next(kTokenModeNext) == (i + 1 < expected.size() ? kTokenMore : kTokenLast),
                   "each token says whether more follow");
    ZEB_FUZZ_CHECK(out.data() == expected[token], "each token is the text between delimiters, trimmed; "
                                                  "after the last one it comes again");
  }
  // An empty text or delimiter ends the sequence, as does a release (mode -1
  // here, or any other but 0 and 1): the next read starts over.
  const bool odd = text.size() % 2 != 0;
  for (const int mode : {kTokenModeNext, -1 - static_cast<int>(text.size() % 3)}) {
    const bool refused = mode == kTokenModeNext;
    const int result = next_token(refused && odd ? "" : text.c_str(), refused && !odd ? "" : delimiter.c_str(),
                                  out.data(), mode);
    ZEB_FUZZ_CHECK(result == (!refused ? kTokenReleased : odd ? kTokenEmptyText : kTokenEmptyDelimiter),
                   "the sequence ends");
    ZEB_FUZZ_CHECK(next(kTokenModeNext) == (expected.size() > 1 ? kTokenMore : kTokenLast) && out.data() == expected[0],
                   "the next read starts over");
  }
}

void check_slash_split(const std::string& path) {
  std::vector<char> directory(path.size() + 2);
  std::vector<char> name(path.size() + 1);
  split_slash_path(path.c_str(), directory.data(), name.data());
  const std::string directory_text = directory.data();
  ZEB_FUZZ_CHECK(directory_text.starts_with('/') && directory_text.ends_with('/'),
                 "the directory begins and ends with '/'");
  ZEB_FUZZ_CHECK(std::strchr(name.data(), '/') == nullptr, "the name holds no '/'");
  const std::string joined = directory_text + name.data();
  ZEB_FUZZ_CHECK(joined == path || joined == "/" + path, "directory and name put together give the path");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  // C strings: the matcher sees nothing after a NUL.
  const std::string path = zeb::fuzz::c_text_of(provider.ConsumeRandomLengthString(300));
  const std::string pattern = zeb::fuzz::c_text_of(provider.ConsumeRandomLengthString(300));
  const std::string delimiter = zeb::fuzz::c_text_of(provider.ConsumeRandomLengthString(8));
  check_matcher(path, pattern);
  check_tokenizer(path, delimiter);
  check_slash_split(pattern);
  return 0;
}
