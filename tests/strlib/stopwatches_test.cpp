#include "base/strlib/stopwatches.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace zeb::strlib {
namespace {

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Must run before anything in this program starts the high-resolution stopwatch.
TEST(Stopwatches, HighResolutionTracesEveryCall) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(inittimer2(kStopwatchRead), 0.0);  // nothing to measure from yet
  EXPECT_EQ(inittimer2(kStopwatchStart), 0.0);
  pause_ms(60);
  const double elapsed = inittimer2(kStopwatchRead);
  EXPECT_EQ(inittimer2(2), 0.0);
  const std::string line = "inittimer2 sendo executado \n";
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), line + line + line + line);
  EXPECT_GE(elapsed, 0.05);
  EXPECT_LT(elapsed, 5.0);
}

TEST(Stopwatches, ClockTimerMeasuresWallTime) {
  EXPECT_EQ(clock_timer(0), 0.0f);
  pause_ms(60);  // sleeping uses no processor time: only a wall clock sees it
  const float elapsed = clock_timer(1);
  EXPECT_GE(elapsed, 50.0f);
  EXPECT_LT(elapsed, 5000.0f);
}

}  // namespace
}  // namespace zeb::strlib
