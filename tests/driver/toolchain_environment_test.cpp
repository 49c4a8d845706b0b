#include "driver/toolchain_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "driver/source_path.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

// Only the first call in a process changes PATH, so each case runs in a fresh
// process that ends with status 0 when PATH came out as expected.
TEST(ToolchainEnvironmentTest, FirstCallPutsTheToolchainFirstAndLaterCallsChangeNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string prefix = std::string(exe_directory()) + "mingw\\bin\\;";
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {std::nullopt, prefix},
      {"C:\\Windows\\system32;C:\\Windows", prefix + "C:\\Windows\\system32;C:\\Windows"},
  };
  for (const auto& [before, expected] : cases) {
    EXPECT_EXIT(
        {
          test::ScopedEnvVar path("PATH", before);
          prepare_toolchain_environment();
          const std::string first = read_path_variable();
          prepare_toolchain_environment();
          std::_Exit(first == expected && read_path_variable() == first ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << before.value_or("(unset)");
  }
}

}  // namespace
}  // namespace zeb::driver
