// Windows rules the POSIX layer enforces where Wine (run by root) or the host
// would not: read-only files for root, the exact Windows codes, the names of
// temporary files, and where the named directories lie.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

using zeb::test::ScopedTempDir;

DWORD open_error(const std::string& path, DWORD access, DWORD creation, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  SetLastError(ERROR_SUCCESS);
  HANDLE h = CreateFileA(path.c_str(), access, 0, nullptr, creation, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return 0;
}

TEST(WindowsRules, ReadOnlyFilesCannotBeWrittenEvenByRoot) {
  ScopedTempDir dir;
  const std::string path = dir / "ro.txt";
  zeb::test::write_host_file(dir.host("ro.txt"), "keep");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  struct stat info {};
  ASSERT_EQ(stat(dir.host("ro.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);

  struct Case {
    DWORD access;
    DWORD creation;
  };
  const Case refused[] = {
      {GENERIC_WRITE, OPEN_EXISTING},
      {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
      {GENERIC_WRITE, TRUNCATE_EXISTING},
      {GENERIC_READ, CREATE_ALWAYS},
  };
  for (const Case& c : refused) {
    EXPECT_EQ(open_error(path, c.access, c.creation), ERROR_ACCESS_DENIED) << c.access << " " << c.creation;
  }
  for (const char* mode : {"w", "wb", "ab", "a+", "rb+", "r+b", "w+"}) {
    errno = 0;
    EXPECT_EQ(zeb::platform::open_stream(path.c_str(), mode), nullptr) << mode;
    EXPECT_EQ(errno, EACCES) << mode;
  }
  EXPECT_EQ(zeb::test::read_host_file(dir.host("ro.txt")), "keep");
}

TEST(WindowsRules, NewFilesMayBeCreatedReadOnlyAndStillWritten) {
  ScopedTempDir dir;
  HANDLE h = CreateFileA((dir / "new.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "abc", 3, &written, nullptr));
  CloseHandle(h);
  EXPECT_EQ(zeb::test::read_host_file(dir.host("new.txt")), "abc");
  EXPECT_NE(GetFileAttributesA((dir / "new.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST(WindowsRules, WindowsCodesWhereWineDiffers) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("f.txt"), "0123");
  HANDLE reader = CreateFileA((dir / "f.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(SetEndOfFile(reader));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(reader);

  // A read-only directory cannot be removed, nor can the current directory.
  std::filesystem::create_directories(dir.host("ro"));
  std::filesystem::create_directories(dir.host("here"));
  ASSERT_TRUE(SetFileAttributesA((dir / "ro").c_str(), FILE_ATTRIBUTE_READONLY));
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(RemoveDirectoryA((dir / "ro").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  {
    zeb::test::ScopedCurrentDir current(dir / "here");
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(RemoveDirectoryA((dir / "here").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  }
  EXPECT_TRUE(RemoveDirectoryA((dir / "here").c_str()));

  char name[MAX_PATH] = {};
  const std::string long_directory = dir.path() + "\\" + std::string(MAX_PATH - 14 - dir.path().size(), 'd');
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetTempFileNameA(long_directory.c_str(), "zeb", 0x10, name), 0u);
  EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(GetTempFileNameA(long_directory.substr(0, MAX_PATH - 14).c_str(), "zeb", 0x10, name), 0x10u);
}

TEST(WindowsRules, TempFileNumbersAreUpperCaseHexAndSkipTakenNames) {
  ScopedTempDir dir;
  char name[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameA(dir.path().c_str(), "ZEBRA", 0xabcd, name), 0xabcdu);
  EXPECT_EQ(std::string(name), dir / "ZEBABCD.tmp");

  // Every number but one is taken (some by names in another case): the one
  // left is found wherever the search starts.
  for (unsigned number = 1; number <= 0xFFFF; ++number) {
    if (number == 0x7777) continue;
    char file[32];
    std::snprintf(file, sizeof file, number % 2 == 0 ? "zeb%04X.tmp" : "ZEB%04x.TMP", number);
    const int fd = open(dir.host(file).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << file;
    close(fd);
  }
  EXPECT_EQ(GetTempFileNameA(dir.path().c_str(), "zeb", 0, name), 0x7777u);
  EXPECT_EQ(std::string(name), dir / "zeb7777.tmp");
  EXPECT_TRUE(std::filesystem::exists(dir.host("zeb7777.tmp")));
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetTempFileNameA(dir.path().c_str(), "zeb", 0, name), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
}

TEST(WindowsRules, NamedDirectoriesOnDebian) {
  char buffer[MAX_PATH] = {};
  ASSERT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\usr\\lib");
  ASSERT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 6u);
  EXPECT_STREQ(buffer, "C:\\usr");

  // POSIX values of TMP are paths from the root of C:.
  zeb::test::ScopedEnvVar tmp("TMP", "/var//tmp");
  ASSERT_GT(GetTempPathA(sizeof buffer, buffer), 0u);
  EXPECT_STREQ(buffer, "C:\\var\\tmp\\");
  zeb::test::ScopedEnvVar no_tmp("TMP", std::nullopt);
  zeb::test::ScopedEnvVar no_temp("TEMP", std::nullopt);
  zeb::test::ScopedEnvVar tmpdir("TMPDIR", "/srv/scratch");
  ASSERT_GT(GetTempPathA(sizeof buffer, buffer), 0u);
  EXPECT_STREQ(buffer, "C:\\srv\\scratch\\");
  zeb::test::ScopedEnvVar no_tmpdir("TMPDIR", std::nullopt);
  ASSERT_GT(GetTempPathA(sizeof buffer, buffer), 0u);
  EXPECT_STREQ(buffer, "C:\\tmp\\");
}

TEST(WindowsRules, DrivesOtherThanCAndSharesAreAbsent) {
  struct Case {
    const char* path;
    DWORD error;
  };
  const Case cases[] = {
      {"D:\\tmp", ERROR_PATH_NOT_FOUND},
      {"\\\\server\\share\\tmp", ERROR_BAD_NETPATH},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetFileAttributesA(c.path), INVALID_FILE_ATTRIBUTES) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CreateDirectoryA(c.path, nullptr)) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
  EXPECT_NE(GetFileAttributesA("C:\\tmp") & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesA("c:/TMP") & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(GetDriveTypeA("C:"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA("C:\\tmp\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
