// Environment variables, and the buffer contract the text queries share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conformance_support.h"

namespace zeb::test {
namespace {

const char kName[] = "ZEB_ENV_TEST_VALUE";

std::string get(const char* name) {
  char value[64];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length == 0 ? "<" + std::to_string(GetLastError()) + ">" : std::string(value, length);
}

TEST(Environment, NamesInAnyCaseEmptyValuesAndWhatChildrenInherit) {
  const std::string child = child_command("child_print_env") + " " + kName;
  ScopedEnvVar scoped(kName, "x");
  ASSERT_TRUE(SetEnvironmentVariableA("Zeb_Env_Test_Value", "for the child"));
  EXPECT_EQ(get("zeb_env_test_value"), "for the child");
  EXPECT_EQ(run_child(child), std::string(kName) + "=for the child|/ 0");
  // Empty is a value: a zero length with the last error left clear.
  ASSERT_TRUE(SetEnvironmentVariableA(kName, ""));
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(get(kName), "<0>");
  ASSERT_TRUE(SetEnvironmentVariableA("zeb_ENV_test_VALUE", nullptr));
  EXPECT_EQ(get(kName), "<" + std::to_string(ERROR_ENVVAR_NOT_FOUND) + ">");
  EXPECT_EQ(run_child(child), std::string(kName) + "!|/ 0");
}

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
