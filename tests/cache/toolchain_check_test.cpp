#include "cache/toolchain_check.h"

#include <gtest/gtest.h>

#include <string>
#include <optional>
#include <utility>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::cache {

// The recorded answers of real toolchains are checked end to end
// (tests/e2e/toolchains_test.cpp), and the report's reading (versions, the
// version line, letter case) by fuzz/toolchain_report.cpp.
//
// The capture file lands in the current directory; "gcc" is the fake one,
// alone on PATH, so that no real compiler of the machine can answer. A gcc
// that is missing or fails, and a capture file that cannot be deleted, are
// met end to end.
TEST(ToolchainCheckTest, CapturesOfTheFakeCompiler) {
  test::ScopedTempDir dir, bin;
  test::ScopedCurrentDir here(dir.path());
  test::install_fake_gcc(bin);
  test::ScopedEnvVar path("PATH", bin.path());
  // Only the first kVersionOutputLimit bytes are read. An empty output leaves
  // no capture file, unless the fake makes an empty one.
  const std::string beyond_limit = "(mingw-special)" + std::string(kVersionOutputLimit, 'x') + "gcc version 3.4.2\n";
  const struct { std::optional<std::string> said; bool empty; int result; const char *printed, *line; } cases[] = {
      {"Thread model: win32\ngcc version 3.4.2 (mingw-special)\n", false, Success, "", "gcc version 3.4.2 \n"},
      {std::nullopt, false, CaptureFileMissing, "", ""}, {std::nullopt, true, CaptureFileEmpty, "", ""},
      {beyond_limit, false, GccVersionWordsMissing, "", ""}};
  for (const auto& [said, empty, result, printed, line] : cases) {
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", said);
    test::ScopedEnvVar empty_capture("ZEB_FAKE_GCC_EMPTY", empty ? kVersionCaptureFile : std::optional<std::string>());
    ::testing::internal::CaptureStderr();
    const int got = toolchain_check();
    const std::string shown = ::testing::internal::GetCapturedStderr() + "|" + toolchain_version_line();
    EXPECT_EQ(std::pair(got, shown), std::pair(result, std::string(printed) + "|" + line)) << said.value_or("-");
  }
}

// Targets are read from their own lines only, and only where a MinGW driver
// writes them.
TEST(ToolchainCheckTest, TargetsThatAreNotMingw) {
  const struct { const char* output; int result; } cases[] = {
      {"Target: x86_64-w64-mingw32\r\ngcc version 13.2.0 (GCC)\r\n", Success},
      {"target: I686-W64-MINGW32\nGCC VERSION 4.8.1\n", Success},
      // A "Target:" line decides; a MinGW triple elsewhere does not count.
      {"Target: x86_64-pc-cygwin\nConfigured with: --target=mingw32\ngcc version 4.8.1\n", GccNotMingw},
      {"Configured with: --host=mingw32 --target=x86_64-pc-cygwin\ngcc version 4.8.1\n", GccNotMingw},
      {"Configured with: --target=mingw32x\ngcc version 4.8.1\n", GccNotMingw},
      {"COLLECT_GCC=x86_64-w64-mingw32-gcc\nTarget: x86_64-linux-gnu\ngcc version 4.8.1\n", GccNotMingw},
      {"Thread model: win32\ngcc version 4.8.1 (x86_64-w64-mingw32)\n", GccNotMingw},
      // The target comes first, then the version words.
      {"Target: mingw32\n", GccVersionWordsMissing},
      {"Target: mingw32\ngcc version 3.3.3\n", GccTooOld},
  };
  for (const auto& [output, result] : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(examine_toolchain_report(output), result) << output;
    ::testing::internal::GetCapturedStderr();
  }
}

}  // namespace zeb::cache
