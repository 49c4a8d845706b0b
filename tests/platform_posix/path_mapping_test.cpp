// Where Windows-form paths land on the POSIX tree: C: is the root, names match
// case-insensitively, other drives and shares exist nowhere.
#include "platform/posix/path_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/scoped.h"

namespace zeb::platform::posix {
namespace {

namespace fs = std::filesystem;
using test::ScopedTempDir;

std::string mapped(const std::string& windows_path) {
  std::string host = "<unchanged>";
  const DWORD error = host_path_for(windows_path, host);
  return error == ERROR_SUCCESS ? host : "error " + std::to_string(error);
}

TEST(PathMapping, DriveCIsThePosixRoot) {
  struct Case {
    const char* windows;
    const char* host;
  };
  const Case cases[] = {
      {"C:\\", "/"},
      {"c:\\", "/"},
      {"C:/", "/"},
      {"C:\\tmp", "/tmp"},
      {"c:/tmp", "/tmp"},
      {"\\tmp", "/tmp"},
      {"/tmp", "/tmp"},
      {"C:\\tmp\\", "/tmp/"},
      {"C:\\tmp\\.\\..\\tmp", "/tmp"},
      {"C:\\..\\..\\tmp", "/tmp"},
      {"C:\\tmp. .", "/tmp"},
  };
  for (const Case& c : cases) EXPECT_EQ(mapped(c.windows), c.host) << c.windows;
}

TEST(PathMapping, OtherDrivesSharesAndBadNamesDoNotExist) {
  struct Case {
    const char* windows;
    DWORD error;
  };
  const Case cases[] = {
      {"", ERROR_PATH_NOT_FOUND},
      {"D:\\tmp", ERROR_PATH_NOT_FOUND},
      {"z:tmp", ERROR_PATH_NOT_FOUND},
      {"\\\\server\\share\\x", ERROR_BAD_NETPATH},
      {"//server/share", ERROR_BAD_NETPATH},
      {"\\\\?\\C:\\tmp", ERROR_INVALID_NAME},
      {"C:\\tmp\\a*b", ERROR_INVALID_NAME},
      {"C:\\tmp\\a?", ERROR_INVALID_NAME},
      {"C:\\tmp\\a|b", ERROR_INVALID_NAME},
      {"C:\\tmp\\a:b", ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    std::string host = "<unchanged>";
    EXPECT_EQ(host_path_for(c.windows, host), c.error) << c.windows;
    EXPECT_EQ(host, "<unchanged>") << c.windows;
  }
}

TEST(PathMapping, NamesTakeTheCaseStoredOnDisk) {
  ScopedTempDir dir;
  fs::create_directories(dir.host("Projects/Demo"));
  test::write_host_file(dir.host("Projects/Demo/Test.ZebC"), "x");
  const std::string base = dir.host_path().string();
  EXPECT_EQ(mapped(dir.path() + "\\PROJECTS\\demo\\test.zebc"), base + "/Projects/Demo/Test.ZebC");
  EXPECT_EQ(mapped(dir.path() + "/projects/DEMO/"), base + "/Projects/Demo/");
  // A final name that does not exist is kept as typed, so that it can be made.
  EXPECT_EQ(mapped(dir.path() + "\\projects\\New.C"), base + "/Projects/New.C");
}

TEST(PathMapping, AnExactMatchWinsOverOtherCases) {
  ScopedTempDir dir;
  test::write_host_file(dir.host("abc"), "lower");
  test::write_host_file(dir.host("ABC"), "upper");
  const std::string base = dir.host_path().string();
  EXPECT_EQ(mapped(dir / "abc"), base + "/abc");
  EXPECT_EQ(mapped(dir / "ABC"), base + "/ABC");
  // No exact match: the choice is fixed (byte order), not the directory's order.
  EXPECT_EQ(mapped(dir / "Abc"), base + "/ABC");
}

TEST(PathMapping, AMissingDirectoryOnTheWayIsPathNotFound) {
  ScopedTempDir dir;
  test::write_host_file(dir.host("file"), "x");
  EXPECT_EQ(mapped(dir.path() + "\\missing\\name"), "error 3");
  EXPECT_EQ(mapped(dir.path() + "\\file\\name"), "error 3");
  EXPECT_EQ(mapped(dir.path() + "\\missing\\..\\file"), dir.host_path().string() + "/file");
}

TEST(PathMapping, RelativePathsStartAtTheCurrentDirectory) {
  ScopedTempDir dir;
  fs::create_directories(dir.host("Sub"));
  test::ScopedCurrentDir current(dir.path());
  const std::string base = dir.host_path().string();
  EXPECT_EQ(mapped("sub\\f.c"), base + "/Sub/f.c");
  EXPECT_EQ(mapped("C:sub"), base + "/Sub");
  EXPECT_EQ(mapped("."), base);
  EXPECT_EQ(mapped(".\\SUB\\..\\sub"), base + "/Sub");
}

TEST(PathMapping, CurrentDirectoryInWindowsForm) {
  ScopedTempDir dir;
  test::ScopedCurrentDir current(dir.path());
  EXPECT_EQ(current_windows_directory(), dir.path());
  EXPECT_EQ(windows_path_from_host(dir.host_path().string()), dir.path());
}

TEST(ErrorMapping, HostErrorsAndRuntimeErrnoValues) {
  EXPECT_EQ(error_from_errno(ENOENT), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(error_from_errno(ENOTDIR), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(error_from_errno(EACCES), ERROR_ACCESS_DENIED);
  EXPECT_EQ(error_from_errno(EEXIST), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(error_from_errno(ENOTEMPTY), ERROR_DIR_NOT_EMPTY);
  EXPECT_EQ(error_from_errno(ENOSPC), ERROR_DISK_FULL);
  EXPECT_EQ(errno_from_error(ERROR_SHARING_VIOLATION), EACCES);
  EXPECT_EQ(errno_from_error(ERROR_ACCESS_DENIED), EACCES);
  EXPECT_EQ(errno_from_error(ERROR_PATH_NOT_FOUND), ENOENT);
  EXPECT_EQ(errno_from_error(ERROR_FILE_EXISTS), EEXIST);
}

}  // namespace
}  // namespace zeb::platform::posix
