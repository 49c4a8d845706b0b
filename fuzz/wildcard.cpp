// File-name patterns and the tokenizer they are cut with. The matcher is
// held against a second matcher written here from its documented rules
// (shapes by stars at the ends, one inner star cut into two halves, the
// "*a*b*" order rule), the tokenizer against a plain split, and the
// '/'-path splitter against what it promises.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fsutil/wildcard.h"
#include "fuzz_support.h"

namespace {

using zeb::fsutil::match_wildcard;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string text) {
  for (char& c : text) c = lower(c);
  return text;
}

// 1-based position of the first `part` in `text`, ignoring A-Z case; 0 when
// absent or empty.
int position_of(const std::string& text, const std::string& part) {
  if (part.empty()) return 0;
  const std::size_t at = lowered(text).find(lowered(part));
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

struct Answer {
  int match = 0;
  std::optional<int> position;  // what the match reports, when it reports
};

Answer reference_match(const std::string& path, const std::string& pattern, int last_position);

// A pattern with no star more than its shape accounts for.
Answer simple_match(const std::string& name, const std::string& pattern, bool leading, bool trailing) {
  if (leading && trailing) {
    const int at = position_of(name, pattern.substr(1, pattern.size() - 2));
    return {at != 0 ? 1 : 0, at};
  }
  const std::string lower_name = lowered(name);
  const std::string lower_pattern = lowered(pattern);
  if (!leading && !trailing) return {lower_name == lower_pattern ? 1 : 0, 0};
  const std::string fixed = leading ? lower_pattern.substr(1) : lower_pattern.substr(0, lower_pattern.size() - 1);
  const bool found = leading ? lower_name.ends_with(fixed) : lower_name.starts_with(fixed);
  return {found ? 1 : 0, 0};
}

// One inner star: the halves before and after it, each trimmed of blanks,
// matched on their own.
Answer split_match(const std::string& path, const std::string& pattern, bool leading, bool trailing,
                   int last_position) {
  const std::size_t inner = pattern.find('*', leading ? 1 : 0);
  std::string before = pattern.substr(0, inner);
  std::string after = pattern.substr(inner + 1);
  // The outer stars stand as bars while the tokens are trimmed; every bar
  // then becomes a star, those typed as bars included.
  if (leading) before[0] = '|';
  if (trailing) after.back() = '|';
  before = trimmed(before);
  after = trimmed(after);
  if (before.empty() || after.empty()) return {0, std::nullopt};
  for (std::string* token : {&before, &after}) {
    for (char& c : *token) {
      if (c == '|') c = '*';
    }
  }
  const Answer head = reference_match(path, before + "*", last_position);
  const int head_position = head.position.value_or(last_position);
  const Answer tail = reference_match(path, "*" + after, head_position);
  const int tail_position = tail.position.value_or(head_position);
  const auto stars = [](const std::string& text) { return std::count(text.begin(), text.end(), '*'); };
  if (stars(before + "*") == 2 && stars("*" + after) == 2 && head_position > tail_position) {
    return {0, tail_position};
  }
  return {head.match != 0 && tail.match != 0 ? 1 : 0, tail_position};
}

Answer reference_match(const std::string& path, const std::string& pattern, int last_position) {
  if (path.size() >= zeb::fsutil::kWildcardTextCapacity || pattern.size() >= zeb::fsutil::kWildcardTextCapacity) {
    return {0, std::nullopt};
  }
  const std::size_t last_separator = path.find_last_of("\\/");
  const std::string name = last_separator == std::string::npos ? path : path.substr(last_separator + 1);
  if (name.empty()) return {0, std::nullopt};
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return {1, std::nullopt};
  const bool leading = pattern.front() == '*';
  const bool trailing = pattern.back() == '*';
  const long extra = std::count(pattern.begin(), pattern.end(), '*') - (leading ? 1 : 0) - (trailing ? 1 : 0);
  if (extra >= 2) return {0, std::nullopt};
  if (extra == 1) return split_match(path, pattern, leading, trailing, last_position);
  return simple_match(name, pattern, leading, trailing);
}

void check_matcher(const std::string& path, const std::string& pattern) {
  const int before = zeb::fsutil::match_position(zeb::fsutil::kPositionRead, 0);
  const Answer expected = reference_match(path, pattern, before);
  ZEB_FUZZ_CHECK(match_wildcard(path.c_str(), pattern.c_str()) == expected.match,
                 "the matcher agrees with the documented shapes");
  ZEB_FUZZ_CHECK(zeb::fsutil::match_position(zeb::fsutil::kPositionRead, 0) == expected.position.value_or(before),
                 "the match position is the one the match reports");

  const std::size_t last_separator = path.find_last_of("\\/");
  const std::string name = last_separator == std::string::npos ? path : path.substr(last_separator + 1);
  if (!name.empty() && path.size() < zeb::fsutil::kWildcardTextCapacity) {
    ZEB_FUZZ_CHECK(match_wildcard(path.c_str(), "*") == 1, "'*' matches every name");
    if (name.find('*') == std::string::npos) {
      ZEB_FUZZ_CHECK(match_wildcard(path.c_str(), name.c_str()) == 1, "a name matches itself");
      const std::string upper = [&] {
        std::string text = name;
        for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return text;
      }();
      ZEB_FUZZ_CHECK(match_wildcard(path.c_str(), upper.c_str()) == 1, "a name matches itself in capitals");
      if (name.size() > 1) {
        const std::string head = name.substr(0, name.size() / 2) + "*";
        ZEB_FUZZ_CHECK(match_wildcard(path.c_str(), head.c_str()) == 1, "a name matches its first half and a star");
      }
    }
  }
}

// Splits as next_token promises: at each delimiter (A-Z case ignored), each
// token trimmed of blanks.
std::vector<std::string> reference_tokens(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> tokens;
  const std::string lower_text = lowered(text);
  const std::string lower_delimiter = lowered(delimiter);
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = lower_text.find(lower_delimiter, start);
    if (at == std::string::npos) break;
    tokens.push_back(trimmed(text.substr(start, at - start)));
    start = at + delimiter.size();
  }
  tokens.push_back(trimmed(text.substr(start)));
  return tokens;
}

void check_tokenizer(const std::string& text, const std::string& delimiter) {
  using namespace zeb::fsutil;
  ZEB_FUZZ_CHECK(next_token("", "", static_cast<char*>(nullptr), kTokenModeReset) == kTokenResetDone,
                 "a reset is done");
  // Exactly the room the contract asks for, so that a longer write is seen.
  std::vector<char> out(text.size() + 1);
  if (text.empty() || delimiter.empty()) {
    const int expected = text.empty() ? kTokenEmptyText : kTokenEmptyDelimiter;
    ZEB_FUZZ_CHECK(next_token(text.c_str(), delimiter.c_str(), out.data(), kTokenModeNext) == expected,
                   "an empty text or delimiter is refused");
    return;
  }
  const std::vector<std::string> expected = reference_tokens(text, delimiter);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const int result = next_token(text.c_str(), delimiter.c_str(), out.data(), kTokenModeNext);
    ZEB_FUZZ_CHECK(result == (i + 1 < expected.size() ? kTokenMore : kTokenLast), "each token says whether more follow");
    ZEB_FUZZ_CHECK(std::string(out.data()) == expected[i], "each token is the text between delimiters, trimmed");
  }
  ZEB_FUZZ_CHECK(next_token(text.c_str(), delimiter.c_str(), out.data(), kTokenModeNext) == kTokenLast &&
                     std::string(out.data()) == expected.back(),
                 "after the last token the last one comes again");
  ZEB_FUZZ_CHECK(next_token("", "", static_cast<char*>(nullptr), kTokenModeRelease) == kTokenReleased,
                 "a release is done");
}

void check_slash_split(const std::string& path) {
  std::vector<char> directory(path.size() + 2);
  std::vector<char> name(path.size() + 1);
  zeb::fsutil::split_slash_path(path.c_str(), directory.data(), name.data());
  const std::string directory_text = directory.data();
  const std::string name_text = name.data();
  ZEB_FUZZ_CHECK(directory_text.starts_with('/') && directory_text.ends_with('/'),
                 "the directory begins and ends with '/'");
  ZEB_FUZZ_CHECK(name_text.find('/') == std::string::npos, "the name holds no '/'");
  const std::string joined = directory_text + name_text;
  ZEB_FUZZ_CHECK(joined == path || joined == "/" + path, "directory and name put together give the path");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  // C strings: the matcher sees nothing after a NUL.
  const auto c_text = [](std::string text) {
    text.resize(std::strlen(text.c_str()));
    return text;
  };
  const std::string path = c_text(provider.ConsumeRandomLengthString(300));
  const std::string pattern = c_text(provider.ConsumeRandomLengthString(300));
  const std::string delimiter = c_text(provider.ConsumeRandomLengthString(8));
  check_matcher(path, pattern);
  check_tokenizer(path, delimiter);
  check_slash_split(pattern);
  return 0;
}
