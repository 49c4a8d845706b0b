// POSIX host: how Win32 queries hand text back in a caller's buffer.
#pragma once

#include "platform/win32.h"

#include <cstring>
#include <string_view>

namespace zeb::platform::posix {

// The usual contract of path queries (GetCurrentDirectoryA, GetFullPathNameA,
// GetTempPathA, GetSystemDirectoryA, ...): when `size` bytes hold the text and
// its terminator, both are copied and the text's length is returned;
// otherwise nothing is written and the size needed, terminator included, is
// returned. A null buffer counts as size 0.
inline DWORD copy_text_out(std::string_view text, char* buffer, DWORD size) {
  const auto length = static_cast<DWORD>(text.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

}  // namespace zeb::platform::posix
