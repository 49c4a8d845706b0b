// Win32 directories: creation and removal codes, the current directory and
// its buffer contract, look-ups that report the names stored on disk.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

using zeb::test::ScopedTempDir;

std::string current_directory() {
  char buffer[4096] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return length < sizeof buffer ? std::string(buffer, length) : std::string();
}

TEST(Directories, CreationCodes) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("file"), "x");
  ASSERT_TRUE(CreateDirectoryA((dir / "Made").c_str(), nullptr));
  EXPECT_NE(GetFileAttributesA((dir / "Made").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  // Directories may be named with a final separator.
  EXPECT_TRUE(CreateDirectoryA((dir / "Made\\Sub\\").c_str(), nullptr));

  struct Case {
    std::string path;
    DWORD error;
  };
  const Case cases[] = {
      {dir / "Made", ERROR_ALREADY_EXISTS},
      {dir / "MADE", ERROR_ALREADY_EXISTS},
      {dir / "file", ERROR_ALREADY_EXISTS},
      {dir / "none\\deeper", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CreateDirectoryA(c.path.c_str(), nullptr)) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST(Directories, RemovalCodes) {
  ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Full/inner"));
  std::filesystem::create_directories(dir.host("Empty"));
  zeb::test::write_host_file(dir.host("file"), "x");
  struct Case {
    std::string path;
    DWORD error;
  };
  const Case cases[] = {
      {dir / "Full", ERROR_DIR_NOT_EMPTY},
      {dir / "none", ERROR_FILE_NOT_FOUND},
      {dir / "none\\deeper", ERROR_PATH_NOT_FOUND},
      {dir / "file", ERROR_DIRECTORY},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(RemoveDirectoryA(c.path.c_str())) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
  EXPECT_TRUE(RemoveDirectoryA((dir / "EMPTY").c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir.host("Empty")));
}

TEST(Directories, CurrentDirectoryFollowsSetCurrentDirectory) {
  ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Sub"));
  zeb::test::write_host_file(dir.host("file"), "x");
  zeb::test::ScopedCurrentDir restore(dir.path());
  EXPECT_EQ(current_directory(), dir.path());
  ASSERT_TRUE(SetCurrentDirectoryA("Sub"));
  EXPECT_EQ(current_directory(), dir / "Sub");
  ASSERT_TRUE(SetCurrentDirectoryA(".."));
  EXPECT_EQ(current_directory(), dir.path());
  // The root of the drive is the one directory reported with a backslash.
  ASSERT_TRUE(SetCurrentDirectoryA("\\"));
  EXPECT_EQ(current_directory().size(), 3u);
  EXPECT_EQ(current_directory().substr(1), ":\\");

  struct Case {
    std::string path;
    DWORD error;
  };
  const Case cases[] = {
      {dir / "none", ERROR_FILE_NOT_FOUND},
      {dir / "none\\deeper", ERROR_PATH_NOT_FOUND},
      {dir / "file", ERROR_DIRECTORY},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(SetCurrentDirectoryA(c.path.c_str())) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST(Directories, CurrentDirectoryBufferContract) {
  ScopedTempDir dir;
  zeb::test::ScopedCurrentDir restore(dir.path());
  const auto length = static_cast<DWORD>(dir.path().size());
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1);
  char buffer[1024];
  // Too small by the terminator alone: nothing written, the size needed back.
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetCurrentDirectoryA(length, buffer), length + 1);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(GetCurrentDirectoryA(length + 1, buffer), length);
  EXPECT_EQ(std::string(buffer), dir.path());
}

TEST(Directories, FindFirstFileReportsStoredNames) {
  ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Projects/demo"));
  zeb::test::write_host_file(dir.host("Projects/demo/Test.ZebC"), "12345");
  WIN32_FIND_DATAA data;

  struct Case {
    std::string pattern;
    const char* stored;
    bool directory;
  };
  const Case cases[] = {
      {dir / "PROJECTS", "Projects", true},
      {dir / "projects\\DEMO", "demo", true},
      {dir / "PROJECTS\\Demo\\test.zebc", "Test.ZebC", false},
      {dir / "projects/demo/TEST.ZEBC", "Test.ZebC", false},
      {dir / "projects\\demo\\t*.ZEBC", "Test.ZebC", false},
      {dir / "projects\\demo\\????.zebc", "Test.ZebC", false},
  };
  for (const Case& c : cases) {
    std::memset(&data, 0, sizeof data);
    HANDLE find = FindFirstFileA(c.pattern.c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << c.pattern;
    EXPECT_STREQ(data.cFileName, c.stored) << c.pattern;
    EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, c.directory) << c.pattern;
    if (!c.directory) {
      EXPECT_EQ(data.nFileSizeLow, 5u);
      EXPECT_EQ(data.nFileSizeHigh, 0u);
    }
    EXPECT_TRUE(FindClose(find));
  }

  const Case missing[] = {
      {dir / "projects\\none.c", nullptr, false},
      {dir / "projects\\demo\\x*", nullptr, false},
  };
  for (const Case& c : missing) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FindFirstFileA(c.pattern.c_str(), &data), INVALID_HANDLE_VALUE) << c.pattern;
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << c.pattern;
  }
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(FindFirstFileA((dir / "none\\x.c").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
