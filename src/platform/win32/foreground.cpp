// Windows host: a program in the foreground of the shared console. Windows
// sends Ctrl-C and Ctrl-Break to every process attached to the console; the
// program decides for itself, and this process keeps waiting for it.
#include "platform/win32.h"

namespace zeb::platform {

ForegroundProgram::ForegroundProgram(DWORD) { SetConsoleCtrlHandler(nullptr, TRUE); }

ForegroundProgram::~ForegroundProgram() { SetConsoleCtrlHandler(nullptr, FALSE); }

}  // namespace zeb::platform
