#include "strlib/stopwatches.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace zeb::strlib {
namespace {

void pause_ms(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::string repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// Must run before anything in this program starts the high-resolution
// stopwatch: it is the only test that sees the never-started state.
TEST(Inittimer2, ReadBeforeAnyStartIsZero) {
  ::testing::internal::CaptureStdout();
  const double seconds = inittimer2(kStopwatchRead);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), kInittimer2Trace);
  EXPECT_EQ(seconds, 0.0);
}

TEST(Inittimer2, EveryCallWritesItsTraceLine) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(inittimer2(kStopwatchStart), 0.0);
  inittimer2(kStopwatchRead);
  EXPECT_EQ(inittimer2(2), 0.0);
  EXPECT_EQ(inittimer2(-1), 0.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), repeated("inittimer2 sendo executado \n", 4));
}

TEST(Inittimer2, ReadsMeasureSecondsFromTheLastStart) {
  ::testing::internal::CaptureStdout();
  inittimer2(kStopwatchStart);
  pause_ms(60);
  const double first = inittimer2(kStopwatchRead);
  EXPECT_EQ(inittimer2(7), 0.0);  // changes nothing
  pause_ms(20);
  const double second = inittimer2(kStopwatchRead);
  inittimer2(kStopwatchStart);
  const double restarted = inittimer2(kStopwatchRead);
  ::testing::internal::GetCapturedStdout();

  EXPECT_GE(first, 0.05);
  EXPECT_LT(first, 5.0);
  EXPECT_GE(second, first + 0.015);  // the same start
  EXPECT_GE(restarted, 0.0);
  EXPECT_LT(restarted, first);
}

TEST(ClockTimer, CountsWallClockMilliseconds) {
  EXPECT_EQ(clock_timer(0), 0.0f);
  // Sleeping uses no processor time: only a wall clock sees it.
  pause_ms(60);
  const float first = clock_timer(1);
  EXPECT_GE(first, 50.0f);
  EXPECT_LT(first, 5000.0f);
  pause_ms(20);
  const float second = clock_timer(-3);  // any non-zero flag reads
  EXPECT_GE(second, first + 15.0f);
  EXPECT_EQ(clock_timer(0), 0.0f);
  EXPECT_LT(clock_timer(1), first);
}

}  // namespace
}  // namespace zeb::strlib
