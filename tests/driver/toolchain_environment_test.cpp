#include "driver/toolchain_environment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "accounting/newmalloc.h"
#include "driver/source_path.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

using test::ScopedEnvVar;

// PATH exactly as the platform reports it, however long.
std::optional<std::string> path_value() {
  const DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::string value(needed, '\0');
  const DWORD got = GetEnvironmentVariableA("PATH", value.data(), needed);
  value.resize(got < needed ? got : 0);
  return value;
}

std::string toolchain_prefix() { return std::string(exe_directory()) + "mingw\\bin\\;"; }

// The first call of prepare_toolchain_environment happens once per process,
// so each case that needs it runs in a fresh process of its own and reports
// there: exit status 0 when PATH came out as expected, else 1 with both
// values on standard error (shown in the failure).
[[noreturn]] void prepare_and_expect(const std::optional<std::string>& before,
                                     const std::string& expected) {
  ScopedEnvVar path("PATH", before);
  const std::int32_t blocks = accounting::live_block_count();
  prepare_toolchain_environment();
  const std::string after = path_value().value_or("(unset)");
  const bool balanced = accounting::live_block_count() == blocks;
  if (after == expected && balanced) std::_Exit(0);
  std::fprintf(stderr, "PATH [%s]\nwanted [%s]\nblocks balanced %d\n", after.c_str(),
               expected.c_str(), balanced ? 1 : 0);
  std::fflush(stderr);
  std::_Exit(1);
}

class ToolchainEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_NE(exe_directory(), nullptr);
  }
};

TEST_F(ToolchainEnvironmentTest, UnsetOrEmptyPathBecomesThePrefixAlone) {
  EXPECT_EXIT(prepare_and_expect(std::nullopt, toolchain_prefix()),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(prepare_and_expect(std::string(), toolchain_prefix()),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(ToolchainEnvironmentTest, OldValueFollowsThePrefixUnchanged) {
  const std::string old_value = "C:\\Windows\\system32;C:\\Windows";
  EXPECT_EXIT(prepare_and_expect(old_value, toolchain_prefix() + old_value),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(ToolchainEnvironmentTest, ToolchainAlreadyOnPathIsStillPutFirst) {
  const std::string toolchain = std::string(exe_directory()) + "mingw\\bin";
  const std::string old_value = "C:\\Windows;" + toolchain;
  EXPECT_EXIT(prepare_and_expect(old_value, toolchain_prefix() + old_value),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(ToolchainEnvironmentTest, OnlyTheFirstCallChangesPath) {
  EXPECT_EXIT(
      {
        ScopedEnvVar path("PATH", std::string("C:\\Windows"));
        prepare_toolchain_environment();
        const std::string first = path_value().value_or("");
        prepare_toolchain_environment();
        const bool twice_same = path_value().value_or("") == first;
        SetEnvironmentVariableA("PATH", "C:\\Other");
        prepare_toolchain_environment();
        const bool left_alone = path_value().value_or("") == "C:\\Other";
        const bool once = first == toolchain_prefix() + "C:\\Windows";
        std::_Exit(twice_same && left_alone && once ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// --------------------------------------------------------- read_path_variable

TEST(ReadPathVariableTest, ReadsTheCurrentValueOrEmpty) {
  const struct {
    std::optional<std::string> value;
    const char* expected;
  } cases[] = {
      {std::string("C:\\Windows\\system32;C:\\Windows"), "C:\\Windows\\system32;C:\\Windows"},
      {std::string(), ""},
      {std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    ScopedEnvVar path("PATH", c.value);
    EXPECT_STREQ(read_path_variable(), c.expected);
  }
}

TEST(ReadPathVariableTest, AValueBeyondTheBufferReadsAsEmpty) {
  // Relative entries of 98 characters and a separator, up to the exact
  // length wanted (relative entries keep their length on every host).
  const auto long_value = [](std::size_t length) {
    std::string value;
    while (value.size() < length) value += "zeb\\" + std::string(94, 'p') + ";";
    value.resize(length);
    return value;
  };
  const std::string fits = long_value(kPathValueCapacity - 1);
  const std::string too_long = long_value(kPathValueCapacity);
  {
    ScopedEnvVar path("PATH", too_long);
    if (path_value().value_or("").size() != too_long.size()) {
      GTEST_SKIP() << "this host keeps no environment value of " << too_long.size()
                   << " characters";
    }
    EXPECT_STREQ(read_path_variable(), "");
  }
  {
    ScopedEnvVar path("PATH", fits);
    const std::string read = read_path_variable();
    EXPECT_EQ(read.size(), fits.size());
    EXPECT_TRUE(read == path_value().value_or(""));
  }
}

TEST_F(ToolchainEnvironmentTest, APathThatDoesNotFitIsKeptRatherThanLost) {
  std::string too_long;
  while (too_long.size() < kPathValueCapacity) too_long += "zeb\\" + std::string(94, 'q') + ";";
  ScopedEnvVar path("PATH", too_long);
  const auto stored = path_value();
  if (!stored || stored->size() < kPathValueCapacity) {
    GTEST_SKIP() << "this host keeps no environment value of " << too_long.size()
                 << " characters";
  }
  EXPECT_EXIT(prepare_and_expect(*stored, *stored), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zeb::driver
