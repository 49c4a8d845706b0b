// POSIX host: the performance counter and the system time.
// The performance counter is CLOCK_MONOTONIC in 100-nanosecond ticks (10 MHz, the frequency modern
// Windows reports), which keeps callers' tick * 1000 arithmetic far from
// overflowing a 64-bit value.
#include <ctime>

#include "platform/posix/file_rules.h"
#include "platform/win32.h"

namespace {
constexpr LONGLONG kTicksPerSecond = 10'000'000;
constexpr LONGLONG kNanosecondsPerTick = 1'000'000'000 / kTicksPerSecond;
}  // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  frequency->QuadPart = kTicksPerSecond;
  return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * kTicksPerSecond +
                    static_cast<LONGLONG>(now.tv_nsec) / kNanosecondsPerTick;
  return TRUE;
}

void GetSystemTimeAsFileTime(FILETIME* now) {
  if (now == nullptr) return;
  timespec time{};
  clock_gettime(CLOCK_REALTIME, &time);
  *now = zeb::platform::posix::filetime_of(time);
}
