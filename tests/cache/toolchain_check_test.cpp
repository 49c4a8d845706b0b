#include "cache/toolchain_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "cache/result_codes.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;

// A Windows-form path as the host's own library names it (on POSIX hosts C:
// is the root).
fs::path host_of(std::string windows) {
  if (fs::path(windows).has_root_name()) return windows;
  std::replace(windows.begin(), windows.end(), '\\', '/');
  return windows.substr(2);
}

std::string mingw(const std::string& version) {
  return "Thread model: win32\ngcc version " + version + " (mingw-special)\n";
}

enum Prep { kPlain, kNoGcc, kGccFails, kReadOnlyCapture, kEmptyCapture };

// The capture file lands in the current directory; "gcc" is the fake one,
// alone on PATH, so that no real compiler of the machine can answer.
TEST(ToolchainCheckTest, ResultsOfTheFakeCompiler) {
  test::ScopedTempDir dir, bin, empty;
  test::ScopedCurrentDir here(dir.path());
  const std::string fake = test::test_binary_dir() + "child_fake_gcc";
  const std::string ext = fs::exists(host_of(fake + ".exe")) ? ".exe" : "";
  fs::copy_file(host_of(fake + ext), bin.host("gcc" + ext));
  const std::string capture = dir / kVersionCaptureFile;
  const std::string beyond_limit =
      "(mingw-special)" + std::string(kVersionOutputLimit, 'x') + "gcc version 3.4.2\n";
  const struct {
    std::optional<std::string> output;
    Prep prep;
    int expected;
    const char* printed;
    const char* line;
  } cases[] = {
      {mingw("10.2.0"), kPlain, Success, "", "gcc version 10.2.0 \n"},
      {mingw("3.4.2"), kPlain, Success, "", "gcc version 3.4.2 \n"},
      {mingw("3.4.10"), kPlain, Success, "", "gcc version 3.4.10 \n"},
      {mingw("3.3.1"), kPlain, GccTooOld, kVersionTooOldMessage, "gcc version 3.3.1 \n"},
      {mingw("3.4.1"), kPlain, GccTooOld, kVersionTooOldMessage, "gcc version 3.4.1 \n"},
      {"GCC VERSION 4.1.2 (MINGW-SPECIAL)", kPlain, Success, "", "gcc version 4.1.2 \n"},
      {mingw("3.4.2"), kReadOnlyCapture, CaptureFileNotDeleted, "", ""},
      {mingw("3.4.2"), kNoGcc, GccNotStarted, "", ""},
      {mingw("3.4.2"), kGccFails, GccVersionFailed, "", ""},
      {std::nullopt, kPlain, CaptureFileMissing, "", ""},
      {std::nullopt, kEmptyCapture, CaptureFileEmpty, "", ""},
      {"gcc version 3.4.2 (GCC)\n", kPlain, GccNotMingw, kMingwNotFoundMessage, ""},
      {beyond_limit, kPlain, GccVersionWordsMissing, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.prep) + " " + c.output.value_or("(none)").substr(0, 60));
    test::ScopedEnvVar path("PATH", c.prep == kNoGcc ? empty.path() : bin.path());
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", c.output);
    test::ScopedEnvVar status("ZEB_FAKE_GCC_STATUS", c.prep == kGccFails ? "1" : "0");
    test::ScopedEnvVar empty_file(
        "ZEB_FAKE_GCC_EMPTY",
        c.prep == kEmptyCapture ? std::optional<std::string>(kVersionCaptureFile) : std::nullopt);
    if (c.prep == kReadOnlyCapture) {
      test::write_host_file(dir.host(kVersionCaptureFile), "held");
      ASSERT_TRUE(SetFileAttributesA(capture.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(toolchain_check(), c.expected);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
    EXPECT_STREQ(toolchain_version_line(), c.line);
    SetFileAttributesA(capture.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace zeb::cache
