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
    ::testing::internal::CaptureStderr();
    const int result = toolchain_check_kept(state_.path());
    ::testing::internal::GetCapturedStderr();
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

TEST(ToolchainAnswerTest, OnlyATextTheCheckCouldHaveKeptIsAnAnswer) {
  ToolchainAnswer answer;
  answer.identity.program = "C:\\zeb\\mingw\\bin\\gcc.exe";
  answer.identity.size = 0x1234;
  answer.identity.environment[0] = "C:\\zeb\\mingw\\bin\\;C:\\bin";
  answer.identity.environment[1] = "";
  answer.report_fingerprint = 0x2468ace1;
  answer.version_word = "13.2.0";
  const std::string text = format_toolchain_answer(answer).value_or("");
  ASSERT_EQ(parse_toolchain_answer(text), answer);  // GCC_EXEC_PREFIX empty, not unset

  const auto replaced = [&text](const std::string& from, const std::string& to) {
    std::string changed = text;
    return changed.replace(changed.find(from), from.size(), to);
  };
  const std::string damaged[] = {
      text.substr(0, text.size() - 1),                     // cut short
      text + "\n",                                          // a line more
      replaced("zeb_c toolchain 1", "zeb_c libraries 1"),   // another file
      replaced("version 13.2.0", "version 3.3.1"),          // a version the check refuses
      replaced("version 13.2.0", "version 13.2.0 x"),       // not one word
      replaced("report 2468ace1", "report 2468ace0"),       // no fingerprint of the check's
      replaced("0000000000001234", "0000000000001A34"),     // another spelling of a number
      replaced("0000000000001234 ", "000000000001234 "),    // a number short
      replaced("env LANG\n", "env LC_ALL\n"),               // the variables out of order
      replaced("env GCC_EXEC_PREFIX=\n", "env GCC_EXEC_PREFIXES=\n"),
      replaced("gcc C:", "gcc\tC:"),
  };
  for (const std::string& bad : damaged) EXPECT_EQ(parse_toolchain_answer(bad), std::nullopt) << bad;

  // What cannot be written as lines is not kept.
  answer.identity.environment[3] = "de\nversion 3.3.1";
  EXPECT_EQ(format_toolchain_answer(answer), std::nullopt);
}

}  // namespace
}  // namespace zeb::cache
