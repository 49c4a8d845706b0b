// The string and number helpers every layer builds paths, command lines and
// reports with: number texts round trip, case folds keep to A-Z, searches
// agree with the standard library, and a path split puts back together.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/strlib/path_names.h"
#include "base/strlib/string_primitives.h"
#include "base/strlib/text_conversions.h"
#include "fuzz_support.h"

namespace {

namespace strlib = zeb::strlib;
using zeb::fuzz::c_text_of;
using zeb::fuzz::lowered;

// Occurrences of a part that is not empty, overlapping ones included.
int count_of(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); !part.empty() && at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// As the search family reports a place: 1-based, 0 for none.
int position(const std::string& part, std::size_t at) {
  return part.empty() || at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

void check_numbers(int value, int width) {
  const std::string binary = strlib::int_to_binary_fixed(value);
  ZEB_FUZZ_CHECK(binary.size() == 32 && binary.find_first_not_of("01") == std::string::npos,
                 "the binary text is 32 digits");
  ZEB_FUZZ_CHECK(strlib::binary_text_to_int(binary.c_str()) == value, "binary text reads back as the number");
  ZEB_FUZZ_CHECK(binary == strlib::int_to_binary_text(value), "both binary texts agree");
  std::string grouped = strlib::int_to_binary_grouped(value);
  ZEB_FUZZ_CHECK(grouped.size() == 39, "the grouped text is eight groups of four");
  strlib::remove_char(grouped, '-');
  ZEB_FUZZ_CHECK(grouped == binary, "the groups hold the same digits");

  const std::string octal = strlib::int_to_octal_text(value, width);
  if (width > strlib::kOctalTextMaxWidth) {
    ZEB_FUZZ_CHECK(octal.empty(), "a width past the limit is refused");
    return;
  }
  ZEB_FUZZ_CHECK(octal.find_first_not_of("01234567") == std::string::npos, "octal text is octal digits");
  ZEB_FUZZ_CHECK(static_cast<int>(octal.size()) >= width && octal.size() <= std::max<std::size_t>(11, width),
                 "octal text is padded to its width, no further");
  ZEB_FUZZ_CHECK(strlib::octal_text_to_int(octal.c_str()) == value, "octal text reads back as the number");
}

void check_case(const std::string& text) {
  std::string lower = text;
  std::string upper = text;
  strlib::to_lower(lower);
  strlib::to_upper(upper);
  ZEB_FUZZ_CHECK(lower == lowered(text), "lower-casing folds A-Z and nothing else");
  ZEB_FUZZ_CHECK(upper == zeb::fuzz::uppered(text), "upper-casing folds a-z and nothing else");
  // The buffer form does what the string form does, up to the first NUL.
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  strlib::to_lower(buffer.data());
  ZEB_FUZZ_CHECK(buffer.data() == lowered(c_text_of(text)), "the buffer form folds alike");
}

void check_search(const std::string& subject, const std::string& pattern) {
  const char* s = subject.c_str();
  const char* p = pattern.c_str();
  const std::string cs = c_text_of(subject);
  const std::string cp = c_text_of(pattern);
  const int first = position(cp, cs.find(cp));
  const int last = position(cp, cs.rfind(cp));
  const int first_nocase = position(cp, lowered(cs).find(lowered(cp)));
  const struct { int got, expected; const char* what; } cases[] = {
      {strlib::find_first(s, p), first, "find_first is the first occurrence"},
      {strlib::strstr_position(s, p), first, "strstr_position is the first occurrence"},
      {strlib::find_last(s, p), last, "find_last is the last occurrence"},
      {strlib::strstr_last_position(s, p), last, "strstr_last_position is the last occurrence"},
      {strlib::count_substring(s, p), count_of(cs, cp), "count_substring counts overlapping ones"},
      {strlib::contains(s, p), first != 0, "contains is a found first occurrence"},
      {strlib::find_nocase(s, p), first_nocase, "find_nocase ignores A-Z case only"},
      {strlib::find_last_nocase(s, p), position(cp, lowered(cs).rfind(lowered(cp))), "find_last_nocase likewise"},
      {strlib::count_nocase(s, p), count_of(lowered(cs), lowered(cp)), "count_nocase counts alike"},
      {strlib::contains_nocase(s, p), first_nocase != 0, "contains_nocase agrees"}};
  for (const auto& [got, expected, what] : cases) ZEB_FUZZ_CHECK(got == expected, what);
}

void check_edits(const std::string& text, char c) {
  std::string removed = text;
  strlib::remove_char(removed, c);
  std::string expected = text;
  std::erase(expected, c);  // the string form's text holds its NULs too
  ZEB_FUZZ_CHECK(removed == expected, "remove_char removes every c and nothing else");

  std::string leading = text;
  std::string trailing = text;
  strlib::trim_leading_spaces(leading);
  strlib::trim_trailing_spaces(trailing);
  ZEB_FUZZ_CHECK(leading == text.substr(std::min(text.find_first_not_of(' '), text.size())),
                 "trimming removes the leading blanks and nothing else");
  ZEB_FUZZ_CHECK(trailing == text.substr(0, text.find_last_not_of(' ') + 1),
                 "trimming removes the trailing blanks and nothing else");

  std::string with_separator = text;
  strlib::add_trailing_backslash(with_separator);
  const std::string expected_separator = text.empty() || text.back() == '\\' ? text : text + '\\';
  ZEB_FUZZ_CHECK(with_separator == expected_separator, "a final backslash is added once");
}

void check_split(const std::string& text) {
  const std::string path = c_text_of(text);
  std::string directory = "unset";
  std::string name = "unset";
  const int result = strlib::split_path(path.c_str(), &directory, &name);
  if (path.size() > strlib::kMaxSplitLength) {
    ZEB_FUZZ_CHECK(result == 1 && directory.empty() && name.empty(), "a path past the limit is refused, outputs emptied");
    return;
  }
  ZEB_FUZZ_CHECK(result == 0, "a path within the limit is split");
  ZEB_FUZZ_CHECK(directory + name == path, "directory and name put together give the path");
  ZEB_FUZZ_CHECK(name.find('\\') == std::string::npos, "the name holds no backslash");
  ZEB_FUZZ_CHECK(directory.empty() || directory.back() == '\\', "the directory ends at a backslash");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const int value = provider.ConsumeIntegral<int>();
  const int width = provider.ConsumeIntegralInRange<int>(-1, 300);
  const char c = provider.ConsumeIntegral<char>();
  const std::string pattern = provider.ConsumeRandomLengthString(16);
  const std::string text = provider.ConsumeRemainingBytesAsString();
  check_numbers(value, width);
  check_case(text);
  check_search(text, pattern);
  check_edits(text, c);
  check_split(text);
  return 0;
}
