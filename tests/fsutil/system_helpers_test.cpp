// File and system helpers on real files in a temporary directory, and the
// system's named directories against what the host says of them by other roads.
#include "fsutil/system_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <tuple>
#include <utility>

#include "fsutil/path_tests.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::fsutil {

TEST(SystemHelpers, FilesDrivesFullPathsAndNamedDirectories) {
  test::ScopedTempDir dir;
  test::ScopedCurrentDir here(dir.path());
  test::write_host_file(dir.host("data.bin"), "0123456789");
  test::write_host_file(dir.host("ro"), "x");
  const std::string data = dir / "data.bin", ro = dir / "ro";
  ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
  // Braced lists run in order.
  EXPECT_EQ((std::tuple{set_file_length((dir / "missing").c_str(), 5), set_file_length(data.c_str(), -1),
                        set_file_length(data.c_str(), 4), test::read_host_file(dir.host("data.bin")),
                        is_read_only(ro.c_str()), is_read_only(data.c_str()), is_read_only(dir.path().c_str()),
                        is_read_only(nullptr), drive_type(nullptr), swap_bytes32(0xA1B2C3D4u), swap_bytes16(0xA1B2u)}),
            std::tuple(1, 2, 0, "0123", 1, 0, 0, 0, -1, 0xD4C3B2A1u, 0xB2A1));
  const int fixed = static_cast<int>(DRIVE_FIXED);
  const std::string longest = "c:\\" + std::string(kDriveTypePathMaxLength - 3, 'd');
  const std::tuple<std::string, int> drives[] = {
      {"c:\\dir\\file", fixed}, {"C:\\", fixed}, {longest, fixed}, {longest + "d", -1}, {"c:", -1}, {"c:dir", -1},
      {"\\\\server\\share\\x", -1}, {"", -1}, {"1:\\x", -1}, {"c:/x", -1}, {"dir\\file", -1}};
  for (const auto& [path, expected] : drives) EXPECT_EQ(drive_type(path.c_str()), expected) << path;
  std::string name, part, overlong_part = "stale";
  ASSERT_EQ(make_temp_file((dir.path() + " ").c_str(), name), 0);
  const std::string created = name.substr(dir.path().size() + 1);
  EXPECT_TRUE(name == dir / created && created.starts_with("zeb") && std::filesystem::is_empty(dir.host(created)));
  const std::string overlong_directory = dir.path() + std::string(kTempDirectoryMaxLength + 1 - dir.path().size(), ' ');
  EXPECT_EQ((std::tuple{make_temp_file((dir / "missing").c_str(), name), name,
                        make_temp_file(overlong_directory.c_str(), name)}), std::tuple(1, "", 1));
  testing::internal::CaptureStdout();
  const std::string full = full_path_name("sub\\..\\x.c", part);
  // A full path of 300 characters has no room for its terminator.
  const std::string overlong_name(kFullPathCapacity - dir.path().size() - 1, 'g');
  const std::string overlong = full_path_name(overlong_name.c_str(), overlong_part);
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace.substr(0, trace.find('\n') + 1) + full + "|" + part + "|" + overlong + "|" + overlong_part,
            "valor de ret " + std::to_string(full.size()) + " \n" + dir / "x.c|x.c||");

  // The system directory lies inside the Windows directory; neither ends in a backslash.
  const std::string windows = windows_directory(), system = system_directory();
  EXPECT_TRUE(windows.size() > 3 && windows.back() != '\\' && is_directory(windows.c_str())) << windows;
  EXPECT_TRUE(system.starts_with(windows + "\\") && system.back() != '\\' && is_directory(system.c_str())) << system;
  // The temporary directory with its final backslash must fit 260 characters
  // (Wine refuses a TMP of 259 by itself: the limit is met on POSIX hosts).
  const bool posix_host = std::filesystem::path::preferred_separator == '/';
  const std::string at_limit = dir.path() + "\\" + std::string(258 - dir.path().size(), 'x');
  const std::string none, at_limit_ended = at_limit + "\\";
  for (const auto& [value, expected] : {std::pair(dir.path(), dir.path() + "\\"), std::pair(at_limit, at_limit_ended),
                                        std::pair(at_limit + "x", none)}) {
    if (value == at_limit && !posix_host) continue;
    test::ScopedEnvVar tmp("TMP", value);
    EXPECT_EQ(temp_directory(), expected) << value.size();
  }
  // Windows keeps the name in COMPUTERNAME; POSIX hosts take the host name up to its first dot.
  std::string expected = std::getenv("COMPUTERNAME") != nullptr ? std::getenv("COMPUTERNAME") : "";
  std::ifstream host_name("/proc/sys/kernel/hostname");  // read on POSIX hosts only
  if (posix_host) std::getline(host_name, expected);
  expected = expected.substr(0, expected.find('.')).substr(0, MAX_COMPUTERNAME_LENGTH);
  for (char& c : expected) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(computer_name(), expected);
}

}  // namespace zeb::fsutil
