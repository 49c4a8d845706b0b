// Windows host: a program in the foreground of the shared console. Windows
// sends Ctrl-C and Ctrl-Break to every process attached to the console; the
// program decides for itself, and this process keeps waiting for it.
#include "platform/win32.h"

namespace zeb::platform {

ForegroundProgram::ForegroundProgram(DWORD) { SetConsoleCtrlHandler(nullptr, TRUE); }

ForegroundProgram::~ForegroundProgram() { SetConsoleCtrlHandler(nullptr, FALSE); }

}  // namespace zeb::platform

namespace zeb::platform {

// The job of create_tied_process ends a compile with this process; Windows
// has no signals to pass on or hold back, and a program's end is its status.
TiedChild::TiedChild(DWORD) {}
TiedChild::~TiedChild() = default;
SignalsHeld::SignalsHeld() = default;
void SignalsHeld::release() { held_ = false; }
void end_as_foreground_program_ended() {}

}  // namespace zeb::platform
