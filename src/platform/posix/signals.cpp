// POSIX host: signals around the children this process waits for. A Windows
// program has no signals; what the layer does here is what a shell does, so
// that zeb_c between a shell and its program changes nothing a user sees:
// a compile ends with the run, no signal slips in while a child starts, and
// a program ended by a signal ends zeb_c by the same signal.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>

#include "platform/posix/signals.h"
#include "platform/win32.h"

namespace zeb::platform::posix {
namespace {

// The last child that a signal ended, packed as pid * 256 + signal, so that
// one atomic holds both.
std::atomic<long long> last_signalled{0};
std::atomic<int> exit_signal{0};

}  // namespace

void note_signalled_child(pid_t pid, int signal_number) {
  last_signalled = static_cast<long long>(pid) * 256 + (signal_number & 0xff);
}

int signal_that_ended(pid_t pid) {
  const long long packed = last_signalled.load();
  return packed / 256 == pid ? static_cast<int>(packed % 256) : 0;
}

void end_by_signal_at_exit(int signal_number) { exit_signal = signal_number; }

}  // namespace zeb::platform::posix

namespace zeb::platform {
namespace {

constexpr std::array<int, 4> kEndingSignals = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

std::atomic<pid_t> tied_group{0};
std::array<struct sigaction, kEndingSignals.size()> saved_for_tied{};

void end_with_tied_group(int signal_number) {
  const pid_t group = tied_group.load();
  if (group > 0) {
    kill(-group, signal_number);
    // A stopped compile would keep the signal pending for ever.
    kill(-group, SIGCONT);
  }
  // Held back while this handler runs, the signal ends this process on return.
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

sigset_t ending_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal_number : kEndingSignals) sigaddset(&set, signal_number);
  return set;
}

}  // namespace

TiedChild::TiedChild(DWORD process_id) {
  tied_group = static_cast<pid_t>(process_id);
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    sigaction(kEndingSignals[i], nullptr, &saved_for_tied[i]);
    // Ignored by whoever started this process (a background job's SIGINT):
    // it ends nothing, so it passes nothing on.
    if (saved_for_tied[i].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = end_with_tied_group;
    sigaction(kEndingSignals[i], &action, nullptr);
  }
}

TiedChild::~TiedChild() {
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) sigaction(kEndingSignals[i], &saved_for_tied[i], nullptr);
  tied_group = 0;
}

SignalsHeld::SignalsHeld() {
  const sigset_t set = ending_signals();
  held_ = sigprocmask(SIG_BLOCK, &set, nullptr) == 0;
}

void SignalsHeld::release() {
  if (!held_) return;
  held_ = false;
  const sigset_t set = ending_signals();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void end_as_foreground_program_ended() {
  const int signal_number = posix::exit_signal.load();
  if (signal_number == 0) return;
  std::fflush(nullptr);
  // The program left its own core, if any; this process is no crash.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  signal(signal_number, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
  // A signal whose default is to be ignored ends nothing: the exit goes on.
}

}  // namespace zeb::platform
