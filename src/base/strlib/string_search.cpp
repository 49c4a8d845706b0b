// Substring search, counting and containment: the direct scan, every start
// tried character by character. The strings are paths, command lines and
// lines of tool output, so no pattern preprocessing pays off.
#include <cstring>
#include <string_view>

#include "base/strlib/string_primitives.h"

namespace zeb::strlib {

// The "C" locale folds exactly A-Z; doing it by hand keeps the result the
// same whatever locale a host library or the user's environment selects,
// and never hands a negative char to the <cctype> functions.
char fold_to_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char fold_to_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

namespace {

struct ExactEqual {
  bool operator()(char a, char b) const { return a == b; }
};

struct FoldedEqual {
  bool operator()(char a, char b) const { return fold_to_lower(a) == fold_to_lower(b); }
};

// Calls on_match(position) with the 1-based position of each occurrence, in
// increasing order, while on_match returns true.
template <typename Equal, typename OnMatch>
void scan(const char* subject, const char* pattern, Equal equal, OnMatch on_match) {
  const std::string_view text(subject);
  const std::string_view needle(pattern);
  if (needle.size() > text.size() || text.empty() || needle.empty()) return;
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < needle.size() && equal(needle[j], text[i + j])) ++j;
    if (j == needle.size() && !on_match(static_cast<int>(i + 1))) return;
  }
}

template <typename Equal>
int first_position(const char* subject, const char* pattern, Equal equal) {
  int found = 0;
  scan(subject, pattern, equal, [&](int position) {
    found = position;
    return false;
  });
  return found;
}

template <typename Equal>
int last_position(const char* subject, const char* pattern, Equal equal) {
  int found = 0;
  scan(subject, pattern, equal, [&](int position) {
    found = position;
    return true;
  });
  return found;
}

template <typename Equal>
int occurrences(const char* subject, const char* pattern, Equal equal) {
  int count = 0;
  scan(subject, pattern, equal, [&](int) {
    ++count;
    return true;
  });
  return count;
}

// The checks every member applies before searching.
bool searchable(const char* subject, const char* pattern) {
  const std::size_t length = std::strlen(subject);
  const std::size_t pattern_length = std::strlen(pattern);
  return pattern_length <= length && length != 0 && pattern_length != 0;
}

}  // namespace

int find_nocase(const char* subject, const char* pattern) {
  return first_position(subject, pattern, FoldedEqual{});
}

int find_first(const char* subject, const char* pattern) {
  return first_position(subject, pattern, ExactEqual{});
}

int strstr_position(const char* subject, const char* pattern) {
  if (!searchable(subject, pattern)) return 0;
  const char* hit = std::strstr(subject, pattern);
  return hit == nullptr ? 0 : static_cast<int>(hit - subject) + 1;
}

int find_last_nocase(const char* subject, const char* pattern) {
  return last_position(subject, pattern, FoldedEqual{});
}

int find_last(const char* subject, const char* pattern) {
  return last_position(subject, pattern, ExactEqual{});
}

int strstr_last_position(const char* subject, const char* pattern) {
  if (!searchable(subject, pattern)) return 0;
  // Searching from each offset, the end first: the first search that finds
  // anything has found the last occurrence.
  for (std::size_t offset = std::strlen(subject) + 1; offset-- > 0;) {
    const char* hit = std::strstr(subject + offset, pattern);
    if (hit != nullptr) return static_cast<int>(hit - subject) + 1;
  }
  return 0;
}

int count_nocase(const char* subject, const char* pattern) {
  return occurrences(subject, pattern, FoldedEqual{});
}

int count_substring(const char* subject, const char* pattern) {
  return occurrences(subject, pattern, ExactEqual{});
}

int contains_nocase(const char* subject, const char* pattern) {
  return find_nocase(subject, pattern) != 0 ? 1 : 0;
}

int contains(const char* subject, const char* pattern) {
  return find_first(subject, pattern) != 0 ? 1 : 0;
}

}  // namespace zeb::strlib
