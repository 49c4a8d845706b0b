// POSIX host: a program in the foreground, as a shell runs one. The terminal
// sends SIGINT and SIGQUIT to the whole process group: the program decides,
// and this process, which ignores them, reports its end. SIGTERM and SIGHUP
// sent to this process alone are passed on to the program, so that ending
// this process never leaves the program running on its own.
#include "platform/posix/signals.h"
#include "platform/win32.h"

#include <signal.h>
#include <sys/types.h>

#include <array>
#include <atomic>

namespace zeb::platform {
namespace {

std::atomic<pid_t> foreground_pid{0};

void pass_on(int signal_number) {
  const pid_t pid = foreground_pid.load();
  if (pid > 0) kill(pid, signal_number);
}

constexpr std::array<int, 4> kSignals = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> saved{};

}  // namespace

ForegroundProgram::ForegroundProgram(DWORD process_id) {
  foreground_pid = static_cast<pid_t>(process_id);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    const bool interrupt = kSignals[i] == SIGINT || kSignals[i] == SIGQUIT;
    action.sa_handler = interrupt ? SIG_IGN : pass_on;
    sigaction(kSignals[i], &action, &saved[i]);
  }
}

ForegroundProgram::~ForegroundProgram() {
  for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &saved[i], nullptr);
  // Ended by a signal (the terminal's Ctrl-C, say): this process ends by it
  // too once done, so that whoever waits for it sees what ended the program.
  if (const int signal_number = posix::signal_that_ended(foreground_pid)) posix::end_by_signal_at_exit(signal_number);
  foreground_pid = 0;
}

}  // namespace zeb::platform
