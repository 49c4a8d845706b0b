// File and system helpers on real files in a temporary directory.
#include "fsutil/system_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::fsutil {
namespace {

TEST(SwapBytes, ReversesByteOrder) {
  EXPECT_EQ(swap_bytes32(0xA1B2C3D4u), 0xD4C3B2A1u);
  EXPECT_EQ(swap_bytes16(0xA1B2u), 0xB2A1u);
}

class SystemHelpers : public testing::Test {
 protected:
  void SetUp() override { test::write_host_file(dir_.host("data.bin"), "0123456789"); }
  std::string data() const { return dir_ / "data.bin"; }
  test::ScopedTempDir dir_;
};

TEST_F(SystemHelpers, SetFileLength) {
  EXPECT_EQ(set_file_length((dir_ / "missing").c_str(), 5), 1);
  EXPECT_EQ(set_file_length(data().c_str(), -1), 2);
  EXPECT_EQ(set_file_length(data().c_str(), 4), 0);
  EXPECT_EQ(test::read_host_file(dir_.host("data.bin")), "0123");
  const HANDLE held = CreateFileA(data().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(set_file_length(data().c_str(), 0), 1);  // opened with no sharing
  CloseHandle(held);
  EXPECT_EQ(set_file_length(data().c_str(), 0), 0);
}

TEST(DriveType, OnlyLetterColonBackslashPathsAsk) {
  const int fixed = static_cast<int>(DRIVE_FIXED);
  const std::string longest = "c:\\" + std::string(kDriveTypePathMaxLength - 3, 'd');
  const std::pair<std::string, int> cases[] = {
      {"c:\\dir\\file", fixed}, {"C:\\", fixed}, {longest, fixed}, {longest + "d", -1}, {"c:", -1}, {"c:dir", -1},
      {"\\\\server\\share\\x", -1}, {"", -1}, {"1:\\x", -1}, {"c:/x", -1}, {"dir\\file", -1}};
  for (const auto& [path, expected] : cases) EXPECT_EQ(drive_type(path.c_str()), expected) << path;
  EXPECT_EQ(drive_type(nullptr), -1);
}

TEST_F(SystemHelpers, MakeTempFile) {
  std::string name = "old contents";
  ASSERT_EQ(make_temp_file((dir_.path() + " ").c_str(), name), 0);
  EXPECT_EQ(name.rfind(dir_.path() + "\\zeb", 0), 0u) << name;
  EXPECT_EQ(std::filesystem::file_size(dir_.host(name.substr(dir_.path().size() + 1))), 0u) << name;
  EXPECT_EQ(make_temp_file((dir_ / "missing").c_str(), name), 1);
  EXPECT_EQ(name, "");
  const std::string overlong = dir_.path() + std::string(kTempDirectoryMaxLength + 1 - dir_.path().size(), ' ');
  EXPECT_EQ(make_temp_file(overlong.c_str(), name), 1);
}

TEST_F(SystemHelpers, FullPathNameTracesThePlatformResult) {
  test::ScopedCurrentDir here(dir_.path());
  std::string part, overlong_part = "stale";
  testing::internal::CaptureStdout();
  const std::string full = full_path_name("sub\\..\\x.c", part);
  // A full path of 300 characters has no room for its terminator.
  const std::string overlong_name(kFullPathCapacity - dir_.path().size() - 1, 'g');
  const std::string overlong = full_path_name(overlong_name.c_str(), overlong_part);
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace.substr(0, trace.find('\n') + 1), "valor de ret " + std::to_string(full.size()) + " \n");
  EXPECT_EQ(full + "|" + part, dir_ / "x.c|x.c");
  EXPECT_EQ(overlong + overlong_part, "");
}

}  // namespace
}  // namespace zeb::fsutil
