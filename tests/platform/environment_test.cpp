// GetEnvironmentVariableA and SetEnvironmentVariableA: the buffer contract,
// deletion, case-insensitive names, and children inheriting the result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process_support.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {
namespace {

const char kName[] = "ZEB_ENV_TEST_VALUE";

// Removes the test variable whatever a test did with it.
class EnvironmentTest : public ::testing::Test {
 protected:
  void TearDown() override { SetEnvironmentVariableA(kName, nullptr); }
};

TEST_F(EnvironmentTest, SetGetAndDelete) {
  ASSERT_TRUE(SetEnvironmentVariableA(kName, "some value"));
  char buffer[64];
  EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "some value");

  ASSERT_TRUE(SetEnvironmentVariableA(kName, "other"));
  EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "other");

  ASSERT_TRUE(SetEnvironmentVariableA(kName, nullptr));
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
  // Deleting what is not there is no error.
  EXPECT_TRUE(SetEnvironmentVariableA(kName, nullptr));
}

TEST_F(EnvironmentTest, ASmallBufferGetsNothingAndLearnsTheSize) {
  ASSERT_TRUE(SetEnvironmentVariableA(kName, "12345"));
  const struct {
    DWORD size;
    DWORD result;
    const char* contents;  // null: the buffer must be untouched
  } cases[] = {
      {0, 6, nullptr}, {1, 6, nullptr}, {5, 6, nullptr}, {6, 5, "12345"}, {7, 5, "12345"},
  };
  for (const auto& c : cases) {
    char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(GetEnvironmentVariableA(kName, c.size == 0 ? nullptr : buffer, c.size), c.result)
        << "size " << c.size;
    if (c.contents != nullptr) {
      EXPECT_STREQ(buffer, c.contents);
    } else {
      EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, '#')) << "size " << c.size;
    }
  }
}

TEST_F(EnvironmentTest, NamesMatchWhateverTheirCase) {
  ASSERT_TRUE(SetEnvironmentVariableA(kName, "upper"));
  char buffer[64];
  EXPECT_EQ(GetEnvironmentVariableA("zeb_env_test_value", buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "upper");
  ASSERT_TRUE(SetEnvironmentVariableA("Zeb_Env_Test_Value", "mixed"));
  EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "mixed");
  ASSERT_TRUE(SetEnvironmentVariableA("zeb_ENV_test_VALUE", nullptr));
  EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 0u);
}

TEST_F(EnvironmentTest, PathIsOneVariableUnderEverySpelling) {
  const DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  ASSERT_GT(needed, 1u);
  std::vector<std::string> values;
  for (const char* spelling : {"PATH", "Path", "path"}) {
    std::vector<char> buffer(needed);
    EXPECT_EQ(GetEnvironmentVariableA(spelling, buffer.data(), needed), needed - 1) << spelling;
    values.emplace_back(buffer.data());
  }
  EXPECT_EQ(values[0], values[1]);
  EXPECT_EQ(values[0], values[2]);
}

TEST_F(EnvironmentTest, AnEmptyValueIsAVariable) {
  ASSERT_TRUE(SetEnvironmentVariableA(kName, ""));
  char buffer[8] = "#######";
  // A zero result with the last error left clear tells it from a missing one.
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "");
}

TEST_F(EnvironmentTest, ChildrenInheritTheChanges) {
  ASSERT_TRUE(SetEnvironmentVariableA(kName, "for the child"));
  ChildRun run = run_child(child_command("child_print_env") + " " + kName);
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.output, std::string(kName) + "=for the child|");

  ASSERT_TRUE(SetEnvironmentVariableA(kName, nullptr));
  run = run_child(child_command("child_print_env") + " " + kName);
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.output, std::string(kName) + "!|");
}

TEST_F(EnvironmentTest, ANameWithAnEqualsSignIsRefused) {
  EXPECT_FALSE(SetEnvironmentVariableA("ZEB=BAD", "x"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace zeb::test
