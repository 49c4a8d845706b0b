// File-name matching against patterns in which '*' stands for any run of
// characters, the tokenizer it splits patterns with, and a '/'-path splitter.
//
// Single-threaded: the match-position register and the tokenizer state are
// module-level, and match_wildcard uses both.
#pragma once

#include <cstddef>
#include <string>

namespace zeb::fsutil {

// Paths and patterns must be shorter than this; longer ones never match.
inline constexpr std::size_t kWildcardTextCapacity = 256;

// 1 if the file-name part of `path` (the text after its last '\' or '/')
// matches `pattern`, else 0. Case is ignored for A-Z only; '?' is an ordinary
// character. Understood shapes: no star ("name"), a star at either or both
// ends ("*.c", "main.*", "*ain*"), and each of these with one inner star
// ("te*log", "*st*og", "a*.*", "*og*st*"; blanks beside the inner star are
// ignored). Every other pattern, and every path or pattern of
// kWildcardTextCapacity characters or more, yields 0. "", "*" and "*.*"
// match every non-empty file name. Neither argument is changed.
int match_wildcard(const char* path, const char* pattern);

// The register through which a match reports where it found its text:
// op 0 returns the value; op 1 stores `value` and returns 0; any other op
// returns 0 and changes nothing. 0 at start; after a match with stars at
// both ends it holds the 1-based position of the middle text in the name
// (0 if absent), after other simple matches 0; early answers leave it.
inline constexpr int kPositionRead = 0;
inline constexpr int kPositionStore = 1;
int match_position(int op, int value);

// next_token modes and results.
inline constexpr int kTokenModeReset = 0;    // release the state, begin a new sequence
inline constexpr int kTokenModeNext = 1;     // read the next token
inline constexpr int kTokenModeRelease = 2;  // (or any other mode) release the state

inline constexpr int kTokenResetDone = 0;       // mode 0 done
inline constexpr int kTokenLast = 0;            // no further delimiter: out holds the rest
inline constexpr int kTokenEmptyText = 1;       // position reset, out untouched
inline constexpr int kTokenEmptyDelimiter = 2;  // position reset, out untouched
inline constexpr int kTokenMore = 3;            // out holds the token before the next delimiter
inline constexpr int kTokenReleased = 4;        // any mode but 0 and 1
inline constexpr int kTokenNoMemory = 5;        // a working buffer could not be had

// Splits `text` at `delimiter` (found ignoring A-Z case), one token per
// mode-1 call, each token trimmed of spaces at both ends. Every mode-1 call
// of a sequence passes the same text; mode 0 begins a new sequence. After
// the last token (result kTokenLast) further calls return it again; a text
// ending in a delimiter ends with an empty token. `out` must have room for
// strlen(text) + 1 bytes; it is written only for kTokenLast and kTokenMore.
int next_token(const char* text, const char* delimiter, char* out, int mode);
// The same, with the token stored in *out (out may be null for modes 0/2).
int next_token(const char* text, const char* delimiter, std::string* out, int mode);

// Splits a '/'-separated path into its directory, which always begins with
// '/' and ends with the last '/', and the last component:
// "a/b/c" -> "/a/b/" + "c"; "/a/b" -> "/a/" + "b"; "a/" -> "/a/" + "";
// "abc" and "" -> "/" + the whole path. Either output may be null.
void split_slash_path(const std::string& path, std::string* directory_out, std::string* name_out);
// Buffer form: directory_out needs strlen(path) + 2 bytes (minimum 2),
// name_out strlen(path) + 1 bytes.
void split_slash_path(const char* path, char* directory_out, char* name_out);

}  // namespace zeb::fsutil
