#include "driver/toolchain_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "driver/source_path.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

// A PATH that is set gets the toolchain's directory in front, end to end.
// One that is unset becomes that directory alone. Only the first call in a
// process changes PATH, so the case runs in a process of its own.
TEST(ToolchainEnvironmentTest, AnUnsetPathBecomesTheToolchainsDirectory) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string expected = std::string(exe_directory()) + "mingw\\bin\\;";
  EXPECT_EXIT(
      {
        test::ScopedEnvVar path("PATH", std::nullopt);
        prepare_toolchain_environment();
        std::_Exit(read_path_variable() == expected ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zeb::driver
