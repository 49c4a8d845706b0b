// The buffer contract the text queries share: callers size their buffers by
// it, so an answer one byte off writes past their end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conformance_support.h"

namespace zeb::test {
namespace {

const char kName[] = "ZEB_ENV_TEST_VALUE";

// Each query writes the text and returns its length, or, when the buffer
// cannot hold the text and its terminator, writes nothing and returns the
// size needed, terminator included.
TEST(BufferContract, TooSmallGetsNothingAndLearnsTheSize) {
  ScopedEnvVar scoped(kName, "12345");
  using Query = DWORD (*)(char*, DWORD);
  const Query queries[] = {
      [](char* b, DWORD n) { return GetEnvironmentVariableA(kName, b, n); },
      [](char* b, DWORD n) { return GetCurrentDirectoryA(n, b); },
      [](char* b, DWORD n) { return GetTempPathA(n, b); },
      [](char* b, DWORD n) { return GetFullPathNameA("C:\\a\\.\\b\\..\\f.c", n, b, nullptr); },
  };
  for (const Query query : queries) {
    char buffer[1024];
    const DWORD length = query(buffer, sizeof buffer);
    ASSERT_TRUE(length > 0 && length < sizeof buffer);
    const std::string text(buffer, length);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(query(nullptr, 0), length + 1) << text;
    EXPECT_EQ(query(buffer, length), length + 1) << text;  // no room for the terminator
    EXPECT_EQ(std::string(buffer, length), std::string(length, '#')) << text;
    EXPECT_EQ(query(buffer, length + 1), length) << text;
    EXPECT_EQ(buffer, text);
  }
}

}  // namespace
}  // namespace zeb::test
