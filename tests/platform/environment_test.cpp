// Environment variables, and the buffer contract the text queries share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conformance_support.h"

namespace zeb::test {
namespace {

const char kName[] = "ZEB_ENV_TEST_VALUE";
const char kPath[] = "C:\\a\\.\\b\\..\\file.txt";

std::string get(const char* name) {
  char buffer[64];
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return length == 0 ? "<" + std::to_string(GetLastError()) + ">" : std::string(buffer, length);
}

TEST(Environment, SetGetAndDeleteInAnyCase) {
  ScopedEnvVar scoped(kName, "some value");
  EXPECT_EQ(get(kName), "some value");
  ASSERT_TRUE(SetEnvironmentVariableA("Zeb_Env_Test_Value", "other"));
  EXPECT_EQ(get("zeb_env_test_value"), "other");
  // Empty is a value: a zero length with the last error left clear.
  ASSERT_TRUE(SetEnvironmentVariableA(kName, ""));
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(get(kName), "<0>");
  ASSERT_TRUE(SetEnvironmentVariableA("zeb_ENV_test_VALUE", nullptr));
  EXPECT_EQ(get(kName), "<" + std::to_string(ERROR_ENVVAR_NOT_FOUND) + ">");
  EXPECT_TRUE(SetEnvironmentVariableA(kName, nullptr));  // deleting what is gone is no error
  EXPECT_FALSE(SetEnvironmentVariableA("ZEB=BAD", "x"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Environment, ChildrenInheritTheChanges) {
  {
    ScopedEnvVar scoped(kName, "for the child");
    EXPECT_EQ(run_child(child_command("child_print_env") + " " + kName).out,
              std::string(kName) + "=for the child|");
  }
  EXPECT_EQ(run_child(child_command("child_print_env") + " " + kName).out,
            std::string(kName) + "!|");
}

// Each query writes the text and returns its length, or, when the buffer
// cannot hold the text and its terminator, writes nothing and returns the
// size needed, terminator included.
TEST(BufferContract, TooSmallGetsNothingAndLearnsTheSize) {
  ScopedEnvVar scoped(kName, "12345");
  using Query = DWORD (*)(char*, DWORD);
  const struct {
    const char* name;
    Query query;
  } queries[] = {
      {"environment", [](char* b, DWORD n) { return GetEnvironmentVariableA(kName, b, n); }},
      {"current directory", [](char* b, DWORD n) { return GetCurrentDirectoryA(n, b); }},
      {"temp path", [](char* b, DWORD n) { return GetTempPathA(n, b); }},
      {"system directory", [](char* b, DWORD n) { return DWORD{GetSystemDirectoryA(b, n)}; }},
      {"windows directory", [](char* b, DWORD n) { return DWORD{GetWindowsDirectoryA(b, n)}; }},
      {"full path", [](char* b, DWORD n) { return GetFullPathNameA(kPath, n, b, nullptr); }},
  };
  for (const auto& q : queries) {
    char buffer[1024];
    const DWORD length = q.query(buffer, sizeof buffer);
    ASSERT_TRUE(length > 0 && length < sizeof buffer) << q.name;
    const std::string text(buffer, length);
    EXPECT_EQ(q.query(nullptr, 0), length + 1) << q.name;
    for (DWORD size : {DWORD{1}, length}) {
      std::memset(buffer, '#', sizeof buffer);
      EXPECT_EQ(q.query(buffer, size), length + 1) << q.name << " size " << size;
      EXPECT_EQ(std::string(buffer, size), std::string(size, '#')) << q.name << " size " << size;
    }
    EXPECT_EQ(q.query(buffer, length + 1), length) << q.name;
    EXPECT_EQ(std::string(buffer), text) << q.name;
  }
  char buffer[64];
  GetFullPathNameA(kPath, sizeof buffer, buffer, nullptr);
  EXPECT_STREQ(buffer, "C:\\a\\file.txt");
}

}  // namespace
}  // namespace zeb::test
