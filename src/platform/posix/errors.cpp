// POSIX host: the thread's last-error code and the debugger output channel.
// Each thread has its own code, as on Windows; there is no debugger channel.
#include "platform/win32.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return last_error; }

void SetLastError(DWORD code) { last_error = code; }

// No debugger listens on a POSIX host, so the text goes nowhere; callers that
// want it seen also write it to standard output themselves.
void OutputDebugStringA(LPCSTR) {}
