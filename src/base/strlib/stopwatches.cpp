// The two stopwatches and their process-wide state.
#include "base/strlib/stopwatches.h"

#include <chrono>
#include <cstdint>

#include "base/diagnostics/diagnostics.h"
#include "platform/win32.h"

namespace zeb::strlib {

namespace {

double counter_frequency = 0.0;  // 0.0 until the first start
LONGLONG counter_start = 0;

// The C library's clock() would do on Windows, where it counts wall-clock
// time since the process started; on POSIX it counts processor time, which
// stands still while the process waits. A steady clock measured from program
// start gives wall-clock milliseconds on both hosts.
const std::chrono::steady_clock::time_point process_start = std::chrono::steady_clock::now();
std::uint32_t clock_start = 0;

std::uint32_t milliseconds_since_process_start() {
  const auto elapsed = std::chrono::steady_clock::now() - process_start;
  // 32-bit ticks, as the C library's clock_t on Windows; differences are
  // taken modulo 2^32 below.
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace

double inittimer2(int mode) {
  diagnostics::debug_log("%s", kInittimer2Trace);
  if (mode == kStopwatchStart) {
    if (counter_frequency == 0.0) {
      LARGE_INTEGER frequency{};
      QueryPerformanceFrequency(&frequency);
      counter_frequency = static_cast<double>(frequency.QuadPart);
    }
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    counter_start = now.QuadPart;
    return 0.0;
  }
  if (mode == kStopwatchRead) {
    // Never started: dividing by the unread frequency would give infinity.
    if (counter_frequency == 0.0) return 0.0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - counter_start) / counter_frequency;
  }
  return 0.0;
}

float clock_timer(int flag) {
  if (flag == 0) {
    clock_start = milliseconds_since_process_start();
    return 0.0f;
  }
  return static_cast<float>(milliseconds_since_process_start() - clock_start);
}

}  // namespace zeb::strlib
