#include "base/strlib/stopwatches.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace zeb::strlib {

// Must run before anything in this program starts either stopwatch.
TEST(Stopwatches, HighResolutionTracesEveryCallAndBothMeasureWallTime) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(inittimer2(kStopwatchRead), 0.0);  // nothing to measure from yet
  EXPECT_EQ(inittimer2(kStopwatchStart) + clock_timer(0), 0.0);
  // Sleeping uses no processor time: only a wall clock sees it.
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  const double seconds = inittimer2(kStopwatchRead);
  const float milliseconds = clock_timer(1);
  EXPECT_EQ(inittimer2(2), 0.0);
  const std::string line = "inittimer2 sendo executado \n";
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), line + line + line + line);
  EXPECT_TRUE(seconds >= 0.05 && seconds < 5.0 && milliseconds >= 50.0f && milliseconds < 5000.0f)
      << seconds << " s, " << milliseconds << " ms";
}

}  // namespace zeb::strlib
