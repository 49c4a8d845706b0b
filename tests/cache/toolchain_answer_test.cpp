#include "cache/toolchain_answer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "cache/result_codes.h"
#include "cache/toolchain_check.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;

std::string mingw(const std::string& version) { return "gcc version " + version + " (mingw-special)\n"; }

// The fake gcc alone on PATH, in a state directory of its own that is current.
class KeptToolchainAnswerTest : public ::testing::Test {
 protected:
  KeptToolchainAnswerTest() { test::install_fake_gcc(bin_); }
  // The check of a run whose gcc would say `said`, and the version line it leaves.
  std::pair<int, std::string> check(const std::string& said) {
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", said);
    ::testing::internal::CaptureStdout();
    const int result = toolchain_check_kept(state_.path());
    ::testing::internal::GetCapturedStdout();
    return {result, toolchain_version_line()};
  }
  fs::path gcc() const { return bin_.host("gcc" + test::test_program("child_fake_gcc").extension().string()); }
  fs::path kept() const { return state_.host("cache/toolchain.dat"); }

  test::ScopedTempDir state_, bin_;
  test::ScopedCurrentDir here_{state_.path()};
  test::ScopedEnvVar path_{"PATH", bin_.path()};
};

TEST_F(KeptToolchainAnswerTest, GccIsAskedAgainWhenItOrItsEnvironmentChangesAndNeverForAKeptAnswer) {
  EXPECT_EQ(check(mingw("4.7.1")), std::pair(0, std::string("gcc version 4.7.1 \n")));
  const std::uint32_t fingerprint = toolchain_report_fingerprint();
  // Unchanged, gcc is not asked: what it would say now makes no difference.
  EXPECT_EQ(check(mingw("5.1.0")), std::pair(0, std::string("gcc version 4.7.1 \n")));
  EXPECT_EQ(toolchain_report_fingerprint(), fingerprint);

  std::optional<test::ScopedEnvVar> lang, prefix, path;
  const struct { const char* what; std::function<void()> change; } changes[] = {
      {"another write time", [&] { fs::last_write_time(gcc(), fs::last_write_time(gcc()) - std::chrono::hours(1)); }},
      {"another size", [&] { std::filesystem::resize_file(gcc(), fs::file_size(gcc()) + 1); }},
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

  // A refusal is not kept: the next run asks again.
  fs::last_write_time(gcc(), fs::last_write_time(gcc()) - std::chrono::hours(2));
  EXPECT_EQ(check(mingw("3.3.1")).first, GccTooOld);
  EXPECT_EQ(check(mingw("7.0.0")), std::pair(0, std::string("gcc version 7.0.0 \n")));

  // A damaged answer is not used, and is written anew.
  test::write_host_file(kept(), test::read_host_file(kept()).substr(1));
  EXPECT_EQ(check(mingw("8.0.0")), std::pair(0, std::string("gcc version 8.0.0 \n")));
  EXPECT_TRUE(parse_toolchain_answer(test::read_host_file(kept())));

  // No gcc at all: the search finds none, whatever is kept.
  fs::remove(gcc());
  EXPECT_EQ(check(mingw("8.0.0")).first, GccNotStarted);
}

}  // namespace
}  // namespace zeb::cache
