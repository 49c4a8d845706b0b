// QueryPerformanceFrequency and QueryPerformanceCounter: a fixed positive
// frequency and a counter that never goes back and tracks real time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/win32.h"

namespace zeb::test {
namespace {

TEST(PerformanceCounter, FrequencyIsPositiveAndFixed) {
  LARGE_INTEGER first{};
  LARGE_INTEGER second{};
  ASSERT_TRUE(QueryPerformanceFrequency(&first));
  ASSERT_TRUE(QueryPerformanceFrequency(&second));
  EXPECT_GT(first.QuadPart, 0);
  EXPECT_EQ(first.QuadPart, second.QuadPart);
}

TEST(PerformanceCounter, NeverGoesBack) {
  LARGE_INTEGER previous{};
  ASSERT_TRUE(QueryPerformanceCounter(&previous));
  for (int i = 0; i < 100000; ++i) {
    LARGE_INTEGER current{};
    ASSERT_TRUE(QueryPerformanceCounter(&current));
    ASSERT_GE(current.QuadPart, previous.QuadPart);
    previous = current;
  }
}

TEST(PerformanceCounter, TracksElapsedTime) {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER start{};
  LARGE_INTEGER end{};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_TRUE(QueryPerformanceCounter(&start));
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  ASSERT_TRUE(QueryPerformanceCounter(&end));
  const double milliseconds = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                              static_cast<double>(frequency.QuadPart);
  EXPECT_GE(milliseconds, 110.0);
  EXPECT_LT(milliseconds, 5000.0);
}

}  // namespace
}  // namespace zeb::test
