// File and system helpers on real files, checked against the platform's own
// answers where the answer is the platform's.
#include "fsutil/system_helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::fsutil {
namespace {

namespace fs = std::filesystem;

std::size_t entries_in(const fs::path& directory) {
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator(directory)) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST(SwapBytes, ReversesByteOrder) {
  struct Case32 {
    std::uint32_t in, out;
  };
  const Case32 cases32[] = {{0x11223344u, 0x44332211u}, {0u, 0u}, {0xFF000000u, 0x000000FFu},
                            {0x80000001u, 0x01000080u}, {0xA1B2C3D4u, 0xD4C3B2A1u}};
  for (const Case32& c : cases32) {
    EXPECT_EQ(swap_bytes32(c.in), c.out) << std::hex << c.in;
    EXPECT_EQ(swap_bytes32(c.out), c.in) << std::hex << c.out;
  }
  struct Case16 {
    std::uint16_t in, out;
  };
  const Case16 cases16[] = {{0x1122u, 0x2211u}, {0u, 0u}, {0xFF00u, 0x00FFu}, {0x8001u, 0x0180u}};
  for (const Case16& c : cases16) {
    EXPECT_EQ(swap_bytes16(c.in), c.out) << std::hex << c.in;
    EXPECT_EQ(swap_bytes16(c.out), c.in) << std::hex << c.out;
  }
}

class SystemHelpers : public testing::Test {
 protected:
  void SetUp() override { test::write_host_file(dir_.host("data.bin"), "0123456789"); }
  std::string data() const { return dir_ / "data.bin"; }
  test::ScopedTempDir dir_;
};

TEST_F(SystemHelpers, MakeTempFileCreatesAnEmptyFileInTheDirectory) {
  const std::string directories[] = {dir_.path(), dir_.path() + "\\", dir_.path() + " ",
                                     dir_.path() + "\\   "};
  std::string previous;
  for (const std::string& directory : directories) {
    std::string name = "old contents";
    ASSERT_EQ(make_temp_file(directory.c_str(), name), 0) << '[' << directory << ']';
    EXPECT_EQ(name.rfind(dir_.path() + "\\zeb", 0), 0u) << name;
    EXPECT_EQ(name.find('\\', dir_.path().size() + 1), std::string::npos) << name;
    EXPECT_NE(name, previous);
    const fs::path host = dir_.host(name.substr(dir_.path().size() + 1));
    EXPECT_TRUE(fs::is_regular_file(host)) << name;
    EXPECT_EQ(fs::file_size(host), 0u) << name;
    previous = name;
  }
  EXPECT_EQ(entries_in(dir_.host_path()), 1u + std::size(directories));
}

TEST_F(SystemHelpers, MakeTempFileFailureLeavesAnEmptyName) {
  const std::string directories[] = {dir_ / "missing", data()};
  for (const std::string& directory : directories) {
    std::string name = "old contents";
    EXPECT_EQ(make_temp_file(directory.c_str(), name), 1) << directory;
    EXPECT_EQ(name, "") << directory;
  }
}

TEST_F(SystemHelpers, MakeTempFileRefusesLongDirectories) {
  // Trailing blanks lengthen the argument but not the directory.
  std::string at_limit = dir_.path();
  at_limit.resize(kTempDirectoryMaxLength, ' ');
  std::string over = dir_.path();
  over.resize(kTempDirectoryMaxLength + 1, ' ');
  std::string name;
  EXPECT_EQ(make_temp_file(at_limit.c_str(), name), 0);
  EXPECT_NE(name, "");
  name = "old contents";
  EXPECT_EQ(make_temp_file(over.c_str(), name), 1);
  EXPECT_EQ(name, "");
  EXPECT_EQ(entries_in(dir_.host_path()), 2u);
}

TEST_F(SystemHelpers, IsReadOnlyReadsTheAttribute) {
  fs::create_directory(dir_.host("sub"));
  EXPECT_EQ(is_read_only(data().c_str()), 0);
  EXPECT_EQ(is_read_only((dir_ / "sub").c_str()), 0);
  ASSERT_NE(SetFileAttributesA(data().c_str(), FILE_ATTRIBUTE_READONLY), 0);
  ASSERT_NE(SetFileAttributesA((dir_ / "sub").c_str(), FILE_ATTRIBUTE_READONLY), 0);
  EXPECT_EQ(is_read_only(data().c_str()), 1);
  // Directories answer like files, with whatever the platform kept (Wine
  // drops the attribute on directories).
  const DWORD sub_attributes = GetFileAttributesA((dir_ / "sub").c_str());
  EXPECT_EQ(is_read_only((dir_ / "sub").c_str()), (sub_attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 1 : 0);
  test::ScopedCurrentDir here(dir_.path());
  EXPECT_EQ(is_read_only("data.bin"), 1);  // relative names are the platform's to resolve
  EXPECT_EQ(is_read_only((dir_ / "missing").c_str()), 0);
  EXPECT_EQ(is_read_only(""), 0);
  EXPECT_EQ(is_read_only(nullptr), 0);
}

TEST_F(SystemHelpers, SetFileLengthCutsAndExtends) {
  struct Case {
    std::int32_t length;
    std::string expected_prefix;
  };
  const Case cases[] = {{4, "0123"}, {4, "0123"}, {12, "0123"}, {0, ""}, {1, ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(set_file_length(data().c_str(), c.length), 0) << c.length;
    const std::string contents = test::read_host_file(dir_.host("data.bin"));
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(c.length));
    EXPECT_EQ(contents.substr(0, c.expected_prefix.size()), c.expected_prefix) << c.length;
  }
}

TEST_F(SystemHelpers, SetFileLengthFailures) {
  EXPECT_EQ(set_file_length((dir_ / "missing").c_str(), 5), 1);
  EXPECT_EQ(set_file_length(dir_.path().c_str(), 5), 1);
  EXPECT_EQ(set_file_length(nullptr, 5), 1);
  EXPECT_EQ(set_file_length(data().c_str(), -1), 2);
  EXPECT_EQ(set_file_length(data().c_str(), INT32_MIN), 2);
  EXPECT_EQ(test::read_host_file(dir_.host("data.bin")), "0123456789");

  ASSERT_NE(SetFileAttributesA(data().c_str(), FILE_ATTRIBUTE_READONLY), 0);
  // Wine running as root opens read-only files for writing all the same.
  const HANDLE writer = CreateFileA(data().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writer == INVALID_HANDLE_VALUE) {
    EXPECT_EQ(set_file_length(data().c_str(), 2), 1);
  } else {
    CloseHandle(writer);
  }
  ASSERT_NE(SetFileAttributesA(data().c_str(), FILE_ATTRIBUTE_NORMAL), 0);

  const HANDLE held = CreateFileA(data().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(set_file_length(data().c_str(), 2), 1);
  CloseHandle(held);
  EXPECT_EQ(set_file_length(data().c_str(), 2), 0);
}

TEST(DriveType, OnlyLetterColonBackslashPathsAsk) {
  const int c_drive = static_cast<int>(GetDriveTypeA("C:\\"));
  EXPECT_EQ(c_drive, static_cast<int>(DRIVE_FIXED));
  struct Case {
    const char* path;
    int expected;
  };
  const Case cases[] = {
      {"c:\\dir\\file", c_drive}, {"C:\\", c_drive},    {"c:\\", c_drive}, {"c:", -1},
      {"c:dir", -1},              {"\\\\server\\share\\x", -1},           {"", -1},
      {nullptr, -1},              {"1:\\x", -1},        {"c:/x", -1},      {"cc\\", -1},
      {"dir\\file", -1},          {"\\x\\y", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(drive_type(c.path), c.expected) << (c.path ? c.path : "(null)");
  // The answer is the platform's for the drive's root, whatever follows it.
  EXPECT_EQ(drive_type("Q:\\anything"), static_cast<int>(GetDriveTypeA("Q:\\")));
}

TEST(DriveType, LongPathsAreRefused) {
  std::string at_limit = "c:\\";
  at_limit.resize(kDriveTypePathMaxLength, 'd');
  std::string over = at_limit + "d";
  EXPECT_EQ(drive_type(at_limit.c_str()), static_cast<int>(GetDriveTypeA("C:\\")));
  EXPECT_EQ(drive_type(over.c_str()), -1);
}

class FullPathName : public SystemHelpers {
 protected:
  // Runs full_path_name and returns what it traced on standard output.
  std::string traced(const char* name, std::string& full, std::string& part) {
    testing::internal::CaptureStdout();
    full = full_path_name(name, part);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }
  // The platform's own return value for the same question.
  static DWORD platform_result(const char* name) {
    std::array<char, kFullPathCapacity> scratch{};
    char* part = nullptr;
    return GetFullPathNameA(name, static_cast<DWORD>(scratch.size()), scratch.data(), &part);
  }
};

TEST_F(FullPathName, RelativeNameIsResolvedAndSplit) {
  test::ScopedCurrentDir here(dir_.path());
  struct Case {
    std::string name, full, part;
  };
  const Case cases[] = {
      {"data.bin", dir_ / "data.bin", "data.bin"},
      {"new.txt", dir_ / "new.txt", "new.txt"},
      {"sub\\..\\x.c", dir_ / "x.c", "x.c"},
      {dir_ / "abs.c", dir_ / "abs.c", "abs.c"},
  };
  for (const Case& c : cases) {
    std::string full, part = "stale";
    const std::string trace = traced(c.name.c_str(), full, part);
    EXPECT_EQ(full, c.full) << c.name;
    EXPECT_EQ(part, c.part) << c.name;
    EXPECT_EQ(trace, "valor de ret " + std::to_string(c.full.size()) + " \n") << c.name;
  }
}

TEST_F(FullPathName, PathEndingInASeparatorHasNoNamePart) {
  std::string full, part = "stale";
  const std::string name = dir_ / "sub\\";
  const std::string trace = traced(name.c_str(), full, part);
  EXPECT_EQ(full, name);
  EXPECT_EQ(part, "");
  EXPECT_EQ(trace, "valor de ret " + std::to_string(name.size()) + " \n");
}

TEST_F(FullPathName, FullPathThatDoesNotFitIsRefused) {
  test::ScopedCurrentDir here(dir_.path());
  const std::size_t room = kFullPathCapacity - dir_.path().size() - 1;
  const std::string fits(room - 1, 'f');  // full path of 299 characters
  const std::string too_long(room, 'g');  // 300 characters: no room for the terminator
  std::string full, part;
  std::string trace = traced(fits.c_str(), full, part);
  // The ANSI call of Windows (and Wine) may itself refuse names this long.
  if (platform_result(fits.c_str()) != 0) {
    EXPECT_EQ(full, dir_ / fits);
    EXPECT_EQ(part, fits);
    EXPECT_EQ(trace, "valor de ret 299 \n");
  } else {
    EXPECT_EQ(full, "");
    EXPECT_EQ(part, "");
  }

  part = "stale";
  trace = traced(too_long.c_str(), full, part);
  EXPECT_EQ(full, "");
  EXPECT_EQ(part, "");
  EXPECT_EQ(trace, "valor de ret " + std::to_string(platform_result(too_long.c_str())) + " \n");
}

TEST_F(FullPathName, PlatformFailureGivesEmptyTexts) {
  std::string full = "stale", part = "stale";
  const std::string trace = traced("", full, part);
  EXPECT_EQ(full, "");
  EXPECT_EQ(part, "");
  EXPECT_EQ(trace, "valor de ret " + std::to_string(platform_result("")) + " \n");
  EXPECT_EQ(traced(nullptr, full, part), "valor de ret 0 \n");
  EXPECT_EQ(full, "");
  EXPECT_EQ(part, "");
}

TEST(NamedTexts, AreThePlatformsOwn) {
  std::array<char, 261> buffer{};
  DWORD size = static_cast<DWORD>(buffer.size());
  ASSERT_NE(GetComputerNameA(buffer.data(), &size), 0);
  EXPECT_EQ(computer_name(), std::string(buffer.data(), size));
  EXPECT_NE(computer_name(), "");

  buffer.fill('\0');
  const UINT system_length = GetSystemDirectoryA(buffer.data(), 261);
  EXPECT_EQ(system_directory(), std::string(buffer.data(), system_length));
  buffer.fill('\0');
  const UINT windows_length = GetWindowsDirectoryA(buffer.data(), 261);
  EXPECT_EQ(windows_directory(), std::string(buffer.data(), windows_length));
  buffer.fill('\0');
  const DWORD temp_length = GetTempPathA(261, buffer.data());
  EXPECT_EQ(temp_directory(), std::string(buffer.data(), temp_length));
}

TEST(NamedTexts, TemporaryDirectoryKeepsItsBackslashTheOthersHaveNone) {
  const std::string temp = temp_directory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  const std::string system = system_directory();
  const std::string windows = windows_directory();
  ASSERT_FALSE(system.empty());
  ASSERT_FALSE(windows.empty());
  EXPECT_NE(system.back(), '\\');
  EXPECT_NE(windows.back(), '\\');
}

TEST(NamedTexts, TooLongTemporaryDirectoryGivesEmptyText) {
  // The platform reports a text that would need more than 260 characters
  // by its length alone; nothing of it may be returned.
  const std::string long_temp = "C:\\" + std::string(270, 't');
  test::ScopedEnvVar tmp("TMP", long_temp);
  test::ScopedEnvVar temp("TEMP", long_temp);
  EXPECT_EQ(temp_directory(), "");
}

}  // namespace
}  // namespace zeb::fsutil
