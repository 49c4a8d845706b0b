#include "cache/toolchain_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::cache {

// The capture file lands in the current directory; "gcc" is the fake one,
// alone on PATH, so that no real compiler of the machine can answer. A gcc
// that is missing or fails, and a capture file that cannot be deleted, are
// met end to end.
TEST(ToolchainCheckTest, VersionsAndCapturesOfTheFakeCompiler) {
  test::ScopedTempDir dir, bin;
  test::ScopedCurrentDir here(dir.path());
  // The test programs' directory as the host names it: on POSIX hosts C: is the root.
  std::string programs = test::test_binary_dir();
  if (std::filesystem::path::preferred_separator == '/') programs = programs.substr(2);
  std::replace(programs.begin(), programs.end(), '\\', static_cast<char>(std::filesystem::path::preferred_separator));
  const std::string ext = std::filesystem::exists(programs + "child_fake_gcc.exe") ? ".exe" : "";
  std::filesystem::copy_file(programs + "child_fake_gcc" + ext, bin.host("gcc" + ext));
  test::ScopedEnvVar path("PATH", bin.path());
  const auto mingw = [](const std::string& version) {
    return "Thread model: win32\ngcc version " + version + " (mingw-special)\n";
  };
  const std::string beyond_limit = "(mingw-special)" + std::string(kVersionOutputLimit, 'x') + "gcc version 3.4.2\n";
  // Versions compare by number, part by part; the words in any letter case. An
  // empty output leaves no capture file, unless the fake makes an empty one.
  const struct { std::optional<std::string> said; bool empty; int result; const char *printed, *line; } cases[] = {
      {mingw("10.2.0"), false, Success, "", "gcc version 10.2.0 \n"},
      {mingw("3.4.2"), false, Success, "", "gcc version 3.4.2 \n"},
      {mingw("3.4.10"), false, Success, "", "gcc version 3.4.10 \n"},
      {mingw("3.3.1"), false, GccTooOld, kVersionTooOldMessage, "gcc version 3.3.1 \n"},
      {mingw("3.4.1"), false, GccTooOld, kVersionTooOldMessage, "gcc version 3.4.1 \n"},
      {"GCC VERSION 4.1.2 (MINGW-SPECIAL)", false, Success, "", "gcc version 4.1.2 \n"},
      {std::nullopt, false, CaptureFileMissing, "", ""}, {std::nullopt, true, CaptureFileEmpty, "", ""},
      {"gcc version 3.4.2 (GCC)\n", false, GccNotMingw, kMingwNotFoundMessage, ""},
      {beyond_limit, false, GccVersionWordsMissing, "", ""}};
  for (const auto& [said, empty, result, printed, line] : cases) {
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", said);
    test::ScopedEnvVar empty_capture("ZEB_FAKE_GCC_EMPTY", empty ? kVersionCaptureFile : std::optional<std::string>());
    ::testing::internal::CaptureStdout();
    const int got = toolchain_check();
    const std::string shown = ::testing::internal::GetCapturedStdout() + "|" + toolchain_version_line();
    EXPECT_EQ(std::pair(got, shown), std::pair(result, std::string(printed) + "|" + line)) << said.value_or("-");
  }
}

}  // namespace zeb::cache
