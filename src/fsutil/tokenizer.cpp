// The tokenizer behind next_token: module-level state that lives from one
// call of a sequence to the next.
#include <cstring>
#include <new>
#include <string>

#include "fsutil/wildcard.h"
#include "base/strlib/string_primitives.h"

namespace zeb::fsutil {

namespace {

struct TokenizerState {
  std::string text;     // the text of the current sequence
  std::string scratch;  // the token being cut out
  std::size_t position = 0;

  void release() {
    // Give the memory back, not just the contents.
    std::string().swap(text);
    std::string().swap(scratch);
  }
};

TokenizerState state;

// Trims spaces at both ends, as every token is trimmed.
void trim_blanks(std::string& token) {
  strlib::trim_leading_spaces(token);
  strlib::trim_trailing_spaces(token);
}

}  // namespace

int next_token(const char* text, const char* delimiter, std::string* out, int mode) {
  if (mode == kTokenModeReset) {
    state.release();
    state.position = 0;
    return kTokenResetDone;
  }
  if (mode != kTokenModeNext) {
    state.release();
    state.position = 0;
    return kTokenReleased;
  }
  if (text[0] == '\0') {
    state.position = 0;
    return kTokenEmptyText;
  }
  if (delimiter[0] == '\0') {
    state.position = 0;
    return kTokenEmptyDelimiter;
  }

  state.release();
  const std::size_t length = std::strlen(text);
  try {
    state.text.reserve(2 * length);
    state.scratch.reserve(2 * length);
  } catch (const std::bad_alloc&) {
    return kTokenNoMemory;
  }
  state.text.assign(text, length);

  // A sequence continued with a shorter text than it began with would put
  // the position past the end; the rest is then empty rather than unread
  // memory.
  const std::size_t start = state.position < length ? state.position : length;
  state.scratch.assign(state.text, start, std::string::npos);
  const int found = strlib::find_nocase(state.scratch.c_str(), delimiter);
  if (found == 0) {
    trim_blanks(state.scratch);
    *out = state.scratch;
    return kTokenLast;
  }
  state.scratch.resize(static_cast<std::size_t>(found) - 1);
  trim_blanks(state.scratch);
  *out = state.scratch;
  state.position = start + static_cast<std::size_t>(found) - 1 + std::strlen(delimiter);
  return kTokenMore;
}

int next_token(const char* text, const char* delimiter, char* out, int mode) {
  std::string token;
  const int result = next_token(text, delimiter, &token, mode);
  if (mode == kTokenModeNext && (result == kTokenLast || result == kTokenMore)) {
    std::memcpy(out, token.c_str(), token.size() + 1);
  }
  return result;
}

}  // namespace zeb::fsutil
