// In-place editing and the small tests over NUL-terminated strings, and their
// std::string forms. None of them needs more room than the string already
// has, except the trailing-separator operations, whose callers provide it.
#include <algorithm>
#include <cstring>

#include "base/strlib/string_primitives.h"

namespace zeb::strlib {

namespace {

template <typename Rewrite>
void rewrite_each(char* text, Rewrite rewrite) {
  // The length is taken once: a rewrite to '\0' cuts the string at its first
  // hit while later characters are still rewritten.
  const std::size_t length = std::strlen(text);
  for (std::size_t i = 0; i < length; ++i) text[i] = rewrite(text[i]);
}

// Drops the first `count` characters; the bytes they vacate at the end of the
// old string are zeroed, so nothing of the old text lingers past the end.
void drop_front(char* text, std::size_t count) {
  const std::size_t length = std::strlen(text);
  std::memmove(text, text + count, length - count);
  std::memset(text + (length - count), 0, count);
}

void append_separator(char* text, char separator) {
  const std::size_t length = std::strlen(text);
  if (length == 0 || text[length - 1] == separator) return;
  text[length] = separator;
  text[length + 1] = '\0';
}

void append_separator(std::string& text, char separator) {
  if (!text.empty() && text.back() != separator) text.push_back(separator);
}

}  // namespace

void remove_char(char* text, char c) {
  // Compaction in place writes only the kept characters and the terminator,
  // so the bytes after the new terminator keep their old values.
  char* out = text;
  for (const char* in = text; *in != '\0'; ++in) {
    if (*in != c) *out++ = *in;
  }
  *out = '\0';
}

void remove_spaces(char* text) { remove_char(text, ' '); }

void replace_char(char* text, char from, char to) {
  rewrite_each(text, [=](char c) { return c == from ? to : c; });
}

void replace_char_n(char* text, char from, char to, int n) {
  for (int i = 0; i < n; ++i) {
    if (text[i] == from) text[i] = to;
  }
}

void slashes_to_backslashes(char* text) { replace_char(text, '/', '\\'); }

void backslashes_to_slashes(char* text) { replace_char(text, '\\', '/'); }

void to_lower(char* text) { rewrite_each(text, fold_to_lower); }

void to_upper(char* text) { rewrite_each(text, fold_to_upper); }

void trim_trailing_spaces(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
}

void trim_leading_spaces(char* text) {
  const std::size_t length = std::strlen(text);
  std::size_t blanks = 0;
  while (blanks < length && text[blanks] == ' ') ++blanks;
  drop_front(text, blanks);
}

void strip_last_char_if(char* text, char c) {
  const std::size_t length = std::strlen(text);
  if (length > 0 && text[length - 1] == c) text[length - 1] = '\0';
}

void strip_first_char_if(char* text, char c) {
  if (text[0] != '\0' && text[0] == c) drop_front(text, 1);
}

void add_trailing_backslash(char* text) { append_separator(text, '\\'); }

void add_trailing_slash(char* text) { append_separator(text, '/'); }

int count_char(const char* text, char c) {
  if (text[0] == '\0') return 1;
  return static_cast<int>(std::count(text, text + std::strlen(text), c));
}

char last_char(const char* text) {
  const std::size_t length = std::strlen(text);
  return length == 0 ? '\0' : text[length - 1];
}

int is_longer_than_490(const char* text) { return std::strlen(text) > kLongTextThreshold ? 1 : 0; }

// --- std::string forms ---

void remove_char(std::string& text, char c) { std::erase(text, c); }

void remove_spaces(std::string& text) { remove_char(text, ' '); }

void replace_char(std::string& text, char from, char to) { std::replace(text.begin(), text.end(), from, to); }

void slashes_to_backslashes(std::string& text) { replace_char(text, '/', '\\'); }

void backslashes_to_slashes(std::string& text) { replace_char(text, '\\', '/'); }

void to_lower(std::string& text) {
  // Written out rather than through fold_to_lower: long texts (a registry of
  // many thousand lines) fold several characters per instruction this way.
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void to_upper(std::string& text) { std::transform(text.begin(), text.end(), text.begin(), fold_to_upper); }

void trim_trailing_spaces(std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
}

void trim_leading_spaces(std::string& text) { text.erase(0, text.find_first_not_of(' ')); }

void strip_last_char_if(std::string& text, char c) {
  if (!text.empty() && text.back() == c) text.pop_back();
}

void strip_first_char_if(std::string& text, char c) {
  if (!text.empty() && text.front() == c) text.erase(0, 1);
}

void add_trailing_backslash(std::string& text) { append_separator(text, '\\'); }

void add_trailing_slash(std::string& text) { append_separator(text, '/'); }

}  // namespace zeb::strlib
