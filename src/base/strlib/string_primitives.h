// Small stateless operations over NUL-terminated single-byte strings held in
// caller-owned buffers: substring search and counting, in-place editing and a
// few tests. Paths, command lines and tool output are built on them.
//
// Common rules:
// - Positions are 1-based; 0 means "not found".
// - The case-insensitive members fold the ASCII letters A-Z/a-z only, as the
//   "C" locale does; every other byte (0x80-0xFF included) matches only itself.
// - An empty pattern is never found, not even in an empty subject, and a
//   pattern longer than the subject is never found either.
// - Blank means the space character (0x20) only; tab, CR and LF are not blank.
// - In-place operations never reallocate the caller's buffer; only the
//   trailing-separator operations lengthen a string (see there).
// - Null pointers are not accepted.
#pragma once

#include <cstddef>
#include <string>

namespace zeb::strlib {

// --- Search family ------------------------------------------------------

// First occurrence of pattern in subject, ignoring ASCII case: its 1-based
// position, or 0.
int find_nocase(const char* subject, const char* pattern);
// First occurrence, exact bytes: 1-based position, or 0.
int find_first(const char* subject, const char* pattern);
// As find_first, by the C library's substring search.
int strstr_position(const char* subject, const char* pattern);
// Last occurrence, ignoring ASCII case: 1-based position, or 0.
int find_last_nocase(const char* subject, const char* pattern);
// Last occurrence, exact bytes: 1-based position, or 0.
int find_last(const char* subject, const char* pattern);
// As find_last, by the C library's substring search.
int strstr_last_position(const char* subject, const char* pattern);
// Number of occurrences ignoring ASCII case; overlapping ones count
// ("aa" occurs 3 times in "aaaa").
int count_nocase(const char* subject, const char* pattern);
// Number of occurrences, exact bytes, overlapping ones included.
int count_substring(const char* subject, const char* pattern);
// 1 if pattern occurs in subject ignoring ASCII case, else 0.
int contains_nocase(const char* subject, const char* pattern);
// 1 if pattern occurs in subject, exact bytes, else 0.
int contains(const char* subject, const char* pattern);

// --- In-place editing ---------------------------------------------------

// Deletes every occurrence of c, closing the gaps. The bytes of the buffer
// after the new terminator keep their old values. c == '\0' changes nothing.
void remove_char(char* text, char c);
// Deletes every space.
void remove_spaces(char* text);
// Every character (before the terminator, the length taken once) equal to
// `from` becomes `to`; replacing by '\0' cuts the string at the first hit.
void replace_char(char* text, char from, char to);
// The same over exactly the first n bytes of the buffer, terminator or not:
// bytes after the terminator that equal `from` are rewritten too. n <= 0
// does nothing. The buffer must hold at least n bytes.
void replace_char_n(char* text, char from, char to, int n);
// '/' -> '\'.
void slashes_to_backslashes(char* text);
// '\' -> '/'.
void backslashes_to_slashes(char* text);
// Folds A-Z to a-z; other bytes are left unchanged.
void to_lower(char* text);
// Folds a-z to A-Z; other bytes are left unchanged.
void to_upper(char* text);
// Removes all trailing spaces (only spaces: "a \t " becomes "a \t").
void trim_trailing_spaces(char* text);
// Removes all leading spaces; the vacated tail of the old string is zeroed.
void trim_leading_spaces(char* text);
// Removes the last character once if it equals c.
void strip_last_char_if(char* text, char c);
// Removes the first character once if it equals c; the vacated byte is zeroed.
void strip_first_char_if(char* text, char c);
// Appends '\' to a non-empty string that does not already end in one; an
// empty string stays empty. The buffer must hold length + 2 bytes.
void add_trailing_backslash(char* text);
// Appends '/' likewise. The buffer must hold length + 2 bytes.
void add_trailing_slash(char* text);

// --- Tests --------------------------------------------------------------

// Number of characters equal to c; 1 for an empty string (whatever c is),
// 0 for c == '\0' in a non-empty string.
int count_char(const char* text, char c);
// The last character, or '\0' for an empty string.
char last_char(const char* text);

// Strings longer than this are "long" for is_longer_than_490.
inline constexpr std::size_t kLongTextThreshold = 490;
// 1 if the length exceeds kLongTextThreshold, else 0.
int is_longer_than_490(const char* text);

// --- std::string forms --------------------------------------------------
// The same effects on a std::string, whose whole contents are the text
// (embedded NULs included). These grow the string as needed.

void remove_char(std::string& text, char c);
void remove_spaces(std::string& text);
void replace_char(std::string& text, char from, char to);
void slashes_to_backslashes(std::string& text);
void backslashes_to_slashes(std::string& text);
void to_lower(std::string& text);
void to_upper(std::string& text);
void trim_trailing_spaces(std::string& text);
void trim_leading_spaces(std::string& text);
void strip_last_char_if(std::string& text, char c);
void strip_first_char_if(std::string& text, char c);
void add_trailing_backslash(std::string& text);
void add_trailing_slash(std::string& text);

// The ASCII case fold of one byte, as the case-insensitive members use it.
char fold_to_lower(char c);
char fold_to_upper(char c);

}  // namespace zeb::strlib
