#include "cache/toolchain_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "accounting/newmalloc.h"
#include "driver/result_codes.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::ScopedCurrentDir;
using test::ScopedEnvVar;
using test::ScopedTempDir;

// What a MinGW 3.4.2 driver says to "gcc -v", with the version swapped.
std::string mingw_report(const std::string& version) {
  return "Reading specs from C:/mingw/bin/../lib/gcc/mingw32/3.4.2/specs\n"
         "Configured with: ../gcc/configure --with-gcc --with-gnu-ld --with-gnu-as "
         "--host=mingw32 --target=mingw32 --prefix=/mingw --enable-threads\n"
         "Thread model: win32\n"
         "gcc version " +
         version + " (mingw-special)\n";
}

// Copies a program's bytes between two Windows-form paths.
bool copy_program(const std::string& from, const std::string& to) {
  std::FILE* in = platform::open_stream(from.c_str(), "rb");
  if (in == nullptr) return false;
  std::FILE* out = platform::open_stream(to.c_str(), "wb");
  if (out == nullptr) {
    std::fclose(in);
    return false;
  }
  std::vector<char> chunk(1 << 16);
  bool ok = true;
  for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0;) {
    ok = ok && std::fwrite(chunk.data(), 1, got, out) == got;
  }
  std::fclose(in);
  return std::fclose(out) == 0 && ok;
}

// A directory that is current and alone on PATH, where "gcc" is the fake one
// (or absent), so that no real compiler of the machine can answer.
class ToolchainCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetEnvironmentVariableA("ZEB_FAKE_GCC_TRACE", "trace.txt"));
  }
  void TearDown() override {
    for (const char* name : {"ZEB_FAKE_GCC_OUTPUT", "ZEB_FAKE_GCC_STATUS", "ZEB_FAKE_GCC_EMPTY",
                             "ZEB_FAKE_GCC_TRACE"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
  }

  void install_fake_gcc() {
    const std::string source = test::test_binary_dir() + "child_fake_gcc";
    if (copy_program(source + ".exe", dir / "gcc.exe")) return;
    ASSERT_TRUE(copy_program(source, dir / "gcc"));
    fs::permissions(dir.host("gcc"), fs::perms::owner_all, fs::perm_options::add);
  }

  void fake(const std::optional<std::string>& output, int status = 0) {
    if (output) SetEnvironmentVariableA("ZEB_FAKE_GCC_OUTPUT", output->c_str());
    SetEnvironmentVariableA("ZEB_FAKE_GCC_STATUS", std::to_string(status).c_str());
  }

  // The result, with what the check printed and whether gcc ran.
  struct Outcome {
    int result;
    std::string printed;
    bool ran;
  };
  Outcome check() {
    std::error_code ec;
    fs::remove(dir.host("trace.txt"), ec);
    const std::int32_t open_files = accounting::open_file_count();
    ::testing::internal::CaptureStdout();
    const int result = toolchain_check();
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(accounting::open_file_count(), open_files) << "capture file left open";
    return {result, printed, fs::exists(dir.host("trace.txt"))};
  }

  ScopedTempDir dir;
  ScopedCurrentDir here{dir.path()};
  ScopedEnvVar path{"PATH", dir.path()};
};

TEST_F(ToolchainCheckTest, VersionsAreComparedAsNumbers) {
  install_fake_gcc();
  const struct {
    std::string version;
    int expected;
  } cases[] = {
      {"3.4.2", driver::Success},   {"3.4.5", driver::Success},   {"3.4.10", driver::Success},
      {"3.5", driver::Success},     {"4.1.2", driver::Success},   {"10.2.0", driver::Success},
      {"4", driver::Success},       {"12.2.0-14", driver::Success},
      {"3.3.1", driver::GccTooOld}, {"3.4.1", driver::GccTooOld}, {"3.4", driver::GccTooOld},
      {"2.95.3", driver::GccTooOld}, {"3", driver::GccTooOld},    {"x.y.z", driver::GccTooOld},
      {"99999999999999.0", driver::Success},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    fake(mingw_report(c.version));
    const Outcome o = check();
    EXPECT_EQ(o.result, c.expected);
    EXPECT_TRUE(o.ran);
    EXPECT_EQ(o.printed, c.expected == driver::GccTooOld ? kVersionTooOldMessage : "");
    // The line is kept whether or not the version is accepted.
    EXPECT_EQ(std::string(toolchain_version_line()), "gcc version " + c.version + " \n");
  }
}

TEST_F(ToolchainCheckTest, GccIsAskedWithDashVAndTheCaptureFileStays) {
  install_fake_gcc();
  fake(mingw_report("3.4.2"));
  const Outcome o = check();
  EXPECT_EQ(o.result, driver::Success);
  EXPECT_EQ(read_host_file(dir.host("trace.txt")), "-v|");
  const std::string captured = read_host_file(dir.host(kVersionCaptureFile));
  EXPECT_NE(captured.find("gcc version 3.4.2 (mingw-special)"), std::string::npos);
}

TEST_F(ToolchainCheckTest, MarkerAndWordsAreFoundInAnyCase) {
  install_fake_gcc();
  const struct {
    std::string output;
    const char* line;
  } cases[] = {
      {"GCC VERSION 3.4.2 (MINGW-SPECIAL)\n", "gcc version 3.4.2 \n"},
      {"Gcc Version 4.1.2a (Mingw-Special)", "gcc version 4.1.2a \n"},
      // The marker may come anywhere, even before the version.
      {"(mingw-special)\r\ngcc version 3.4.2\r\n", "gcc version 3.4.2 \n"},
      {"gcc version 3.4.2\t(mingw-special)", "gcc version 3.4.2 \n"},
      // The first "gcc version " counts.
      {"gcc version 3.4.5 (mingw-special)\ngcc version 2.0.0\n", "gcc version 3.4.5 \n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    fake(c.output);
    const Outcome o = check();
    EXPECT_EQ(o.result, driver::Success);
    EXPECT_EQ(o.printed, "");
    EXPECT_EQ(std::string(toolchain_version_line()), c.line);
  }
}

TEST_F(ToolchainCheckTest, OutputWithoutMarkerOrVersionIsRefused) {
  install_fake_gcc();
  const std::string beyond_limit =
      "(mingw-special)" + std::string(kVersionOutputLimit, 'x') + "gcc version 3.4.2\n";
  const std::string word_too_long =
      "(mingw-special) gcc version " + std::string(kMaxVersionWordLength + 1, '3') + "\n";
  const std::string longest_word =
      "(mingw-special) gcc version " + std::string(kMaxVersionWordLength, '3') + "\n";
  const struct {
    const char* label;
    std::string output;
    int expected;
    const char* printed;
  } cases[] = {
      {"no marker", "gcc version 3.4.2 (GCC)\n", driver::GccNotMingw, kMingwNotFoundMessage},
      {"nothing useful", "hello\n", driver::GccNotMingw, kMingwNotFoundMessage},
      {"no version", "(mingw-special)\n", driver::GccVersionWordsMissing, ""},
      {"words without blank", "(mingw-special) gcc version3.4.2\n",
       driver::GccVersionWordsMissing, ""},
      {"version beyond the limit", beyond_limit, driver::GccVersionWordsMissing, ""},
      {"word too long", word_too_long, driver::GccVersionWordsMissing, ""},
      {"longest word", longest_word, driver::Success, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fake(c.output);
    const Outcome o = check();
    EXPECT_EQ(o.result, c.expected);
    EXPECT_EQ(o.printed, c.printed);
    if (c.expected != driver::Success) {
      EXPECT_STREQ(toolchain_version_line(), "");
    }
  }
}

TEST_F(ToolchainCheckTest, FailuresOfTheRunAreTold) {
  install_fake_gcc();
  fake(mingw_report("3.4.2"), 1);
  EXPECT_EQ(check().result, driver::GccVersionFailed);

  fake(std::nullopt, 0);
  SetEnvironmentVariableA("ZEB_FAKE_GCC_OUTPUT", nullptr);
  Outcome o = check();
  EXPECT_EQ(o.result, driver::CaptureFileMissing);
  EXPECT_TRUE(o.ran);
  EXPECT_FALSE(fs::exists(dir.host(kVersionCaptureFile)));

  SetEnvironmentVariableA("ZEB_FAKE_GCC_EMPTY", kVersionCaptureFile);
  o = check();
  EXPECT_EQ(o.result, driver::CaptureFileEmpty);
  EXPECT_TRUE(fs::exists(dir.host(kVersionCaptureFile)));
}

TEST_F(ToolchainCheckTest, CaptureFileThatCannotBeDeletedStopsBeforeGccRuns) {
  install_fake_gcc();
  fake(mingw_report("3.4.2"));
  test::write_host_file(dir.host(kVersionCaptureFile), "gcc version 3.4.2 (mingw-special)");
  const std::string capture = dir / kVersionCaptureFile;
  ASSERT_TRUE(SetFileAttributesA(capture.c_str(), FILE_ATTRIBUTE_READONLY));
  const Outcome o = check();
  EXPECT_EQ(o.result, driver::CaptureFileNotDeleted);
  EXPECT_FALSE(o.ran);
  EXPECT_EQ(o.printed, "");
  EXPECT_STREQ(toolchain_version_line(), "");
}

TEST_F(ToolchainCheckTest, NoGccAnywhereOnTheSearchPath) {
  const Outcome o = check();
  EXPECT_EQ(o.result, driver::GccNotStarted);
  EXPECT_FALSE(o.ran);
  EXPECT_FALSE(fs::exists(dir.host(kVersionCaptureFile)));
}

TEST_F(ToolchainCheckTest, GccFoundAlongPathWhenNotInTheCurrentDirectory) {
  ScopedTempDir elsewhere;
  ScopedCurrentDir away(elsewhere.path());
  install_fake_gcc();
  fake(mingw_report("3.4.2"));
  ASSERT_TRUE(SetEnvironmentVariableA("ZEB_FAKE_GCC_TRACE",
                                      dir.host("trace.txt").string().c_str()));
  const Outcome o = check();
  EXPECT_EQ(o.result, driver::Success);
  EXPECT_TRUE(o.ran);
  // The capture file is named relative to the current directory.
  EXPECT_TRUE(fs::exists(elsewhere.host(kVersionCaptureFile)));
}

}  // namespace
}  // namespace zeb::cache
