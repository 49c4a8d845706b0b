// Wildcard matching of file names, the match-position register and the
// '/'-path splitter.
//
// The matcher knows four simple shapes, told apart by a star at the start
// and at the end of the pattern (exact, suffix "*x", prefix "x*", contains
// "*x*"). A pattern with exactly one star more than its shape accounts for
// has one inner star: it is cut there into two simple patterns, each
// matched on its own.
#include <cstring>
#include <string>

#include "base/strlib/path_names.h"
#include "fsutil/wildcard.h"
#include "base/strlib/string_primitives.h"

namespace zeb::fsutil {

namespace {

int position_register = 0;

// The `count` characters of a from a_from equal those of b from b_from.
bool same_run(const std::string& a, std::size_t a_from, const std::string& b, std::size_t b_from,
              std::size_t count) {
  return a.compare(a_from, count, b, b_from, count) == 0;
}

int match_simple(const std::string& name, std::string pattern, bool leading, bool trailing) {
  std::string lower_name = name;
  strlib::to_lower(lower_name);
  strlib::to_lower(pattern);

  if (leading && trailing) {
    // Stars at both ends: the middle must occur somewhere. An empty middle
    // ("**") is never found.
    const std::string middle = pattern.substr(1, pattern.size() - 2);
    const int position = strlib::find_nocase(lower_name.c_str(), middle.c_str());
    match_position(kPositionStore, position);
    return position != 0 ? 1 : 0;
  }

  match_position(kPositionStore, 0);
  if (!leading && !trailing) return lower_name == pattern ? 1 : 0;
  if (pattern.size() > lower_name.size() + 1) return 0;
  const std::size_t fixed = pattern.size() - 1;  // the pattern without its star
  if (leading) return same_run(lower_name, lower_name.size() - fixed, pattern, 1, fixed) ? 1 : 0;
  return same_run(lower_name, 0, pattern, 0, fixed) ? 1 : 0;
}

int match_split(const std::string& name, std::string pattern) {
  // Bars stand in for the outer stars while the pattern is cut at the inner
  // one; file names cannot contain a bar.
  if (pattern.front() == '*') pattern.front() = '|';
  if (pattern.back() == '*') pattern.back() = '|';

  std::string before;
  std::string after;
  next_token("", "", static_cast<std::string*>(nullptr), kTokenModeReset);
  next_token(pattern.c_str(), "*", &before, kTokenModeNext);
  next_token(pattern.c_str(), "*", &after, kTokenModeNext);
  if (before.empty() || after.empty()) return 0;
  next_token("", "", static_cast<std::string*>(nullptr), kTokenModeRelease);

  strlib::replace_char(before, '|', '*');
  strlib::replace_char(after, '|', '*');
  const std::string head = before + "*";
  const std::string tail = "*" + after;

  const int head_matches = match_wildcard(name.c_str(), head.c_str());
  const int head_position = match_position(kPositionRead, 0);
  const int tail_matches = match_wildcard(name.c_str(), tail.c_str());
  const int tail_position = match_position(kPositionRead, 0);

  // "*a*b*": both halves report where they found their text, and a must not
  // begin after b.
  if (strlib::count_nocase(head.c_str(), "*") == 2 && strlib::count_nocase(tail.c_str(), "*") == 2 &&
      head_position > tail_position) {
    return 0;
  }
  return head_matches != 0 && tail_matches != 0 ? 1 : 0;
}

}  // namespace

int match_position(int op, int value) {
  if (op == kPositionRead) return position_register;
  if (op == kPositionStore) position_register = value;
  return 0;
}

int match_wildcard(const char* path, const char* pattern) {
  if (std::strlen(path) >= kWildcardTextCapacity || std::strlen(pattern) >= kWildcardTextCapacity) return 0;

  std::string name_source = path;
  strlib::slashes_to_backslashes(name_source);
  std::string name;
  if (strlib::split_path(name_source.c_str(), nullptr, &name) != 0 || name.empty()) return 0;

  const std::string text = pattern;
  if (text.empty() || text == "*" || text == "*.*") return 1;

  const bool leading = text.front() == '*';
  const bool trailing = text.back() == '*';
  const int expected_stars = (leading ? 1 : 0) + (trailing ? 1 : 0);
  const int extra_stars = strlib::count_nocase(text.c_str(), "*") - expected_stars;
  if (extra_stars >= 2) return 0;
  if (extra_stars == 1) return match_split(name, text);
  return match_simple(name, text, leading, trailing);
}

void split_slash_path(const std::string& path, std::string* directory_out, std::string* name_out) {
  std::string directory = "/";
  std::string name = path;
  const int last = strlib::find_last_nocase(path.c_str(), "/");
  if (last != 0) {
    name = path.substr(static_cast<std::size_t>(last));
    directory = path.substr(0, static_cast<std::size_t>(last));
    if (directory.front() != '/') directory.insert(0, 1, '/');
  }
  if (directory_out != nullptr) *directory_out = directory;
  if (name_out != nullptr) *name_out = name;
}

void split_slash_path(const char* path, char* directory_out, char* name_out) {
  std::string directory;
  std::string name;
  split_slash_path(std::string(path), &directory, &name);
  if (directory_out != nullptr) std::memcpy(directory_out, directory.c_str(), directory.size() + 1);
  if (name_out != nullptr) std::memcpy(name_out, name.c_str(), name.size() + 1);
}

}  // namespace zeb::fsutil
