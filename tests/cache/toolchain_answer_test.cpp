#include "cache/toolchain_answer.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "cache/toolchain_check.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

std::string mingw(const std::string& version) { return "gcc version " + version + " (mingw-special)\n"; }

// The fake gcc alone on PATH, in a state directory of its own that is current.
class KeptToolchainAnswerTest : public ::testing::Test {
 protected:
  KeptToolchainAnswerTest() { test::install_fake_gcc(bin_); }
  // The check of a run whose gcc would say `said`, and the version line it leaves.
  std::pair<int, std::string> check(const std::string& said) {
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", said);
    ::testing::internal::CaptureStderr();
    const int result = toolchain_check_kept(state_.path());
    ::testing::internal::GetCapturedStderr();
    return {result, toolchain_version_line()};
  }

  test::ScopedTempDir state_, bin_;
  test::ScopedCurrentDir here_{state_.path()};
  test::ScopedEnvVar path_{"PATH", bin_.path()};
};

// A kept answer serves while gcc's file is unchanged; gcc replaced or
// written to, a refusal and a damaged answer are met end to end. What a run
// there does not change is the environment gcc answers in.
TEST_F(KeptToolchainAnswerTest, GccIsAskedAgainWhenItsEnvironmentChanges) {
  EXPECT_EQ(check(mingw("4.7.1")), std::pair(0, std::string("gcc version 4.7.1 \n")));
  const std::uint32_t fingerprint = toolchain_report_fingerprint();
  // Unchanged, gcc is not asked; the kept answer brings back the report's
  // fingerprint, which keys the library answer.
  EXPECT_EQ(check(mingw("5.1.0")), std::pair(0, std::string("gcc version 4.7.1 \n")));
  EXPECT_EQ(toolchain_report_fingerprint(), fingerprint);
  std::optional<test::ScopedEnvVar> lang, prefix, path;
  const struct { const char* what; std::function<void()> change; } changes[] = {
      {"PATH", [&] { path.emplace("PATH", bin_.path() + ";" + state_.path() + "\\elsewhere"); }},
      {"LANG", [&] { lang.emplace("LANG", "de_DE.UTF-8"); }},
      {"GCC_EXEC_PREFIX set to nothing", [&] { prefix.emplace("GCC_EXEC_PREFIX", ""); }},
  };
  int minor = 0;
  for (const auto& [what, change] : changes) {
    SCOPED_TRACE(what);
    change();
    const std::string version = "6." + std::to_string(++minor) + ".0";
    EXPECT_EQ(check(mingw(version)), std::pair(0, "gcc version " + version + " \n"));
    EXPECT_EQ(check(mingw("9.9.9")), std::pair(0, "gcc version " + version + " \n"));
  }
  EXPECT_NE(toolchain_report_fingerprint(), fingerprint);
}

}  // namespace
}  // namespace zeb::cache
