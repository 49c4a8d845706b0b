// POSIX host: message boxes as text on standard error.
// The caption and text are written as one block; only a person at a terminal
// can answer, otherwise the box "cannot be shown" and the call returns 0.
#include "platform/win32.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  std::string block = caption != nullptr ? caption : "Error";
  block += '\n';
  block += text != nullptr ? text : "";
  if (block.back() != '\n') block += '\n';
  std::fflush(stdout);
  std::fwrite(block.data(), 1, block.size(), stderr);
  std::fflush(stderr);

  if (isatty(STDIN_FILENO) == 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  const bool ok_cancel = (type & 0xFu) == MB_OKCANCEL;
  std::fputs(ok_cancel ? "[O]K or [C]ancel? " : "Press Enter for OK. ", stderr);
  std::fflush(stderr);
  char answer[64] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) return ok_cancel ? IDCANCEL : IDOK;
  if (ok_cancel && (answer[0] == 'c' || answer[0] == 'C')) return IDCANCEL;
  return IDOK;
}
