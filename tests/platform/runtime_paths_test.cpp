// The runtime's fopen and remove for Windows-form paths: the same rules as
// the Win32 calls, reported through errno.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

using zeb::platform::open_stream;
using zeb::platform::remove_file;
using zeb::test::ScopedTempDir;

// errno after a call expected to fail; 0 when it succeeded.
int stream_errno(const std::string& path, const char* mode) {
  errno = 0;
  std::FILE* stream = open_stream(path.c_str(), mode);
  if (stream != nullptr) {
    std::fclose(stream);
    return 0;
  }
  return errno;
}

TEST(RuntimePaths, StreamsOpenByAnyCaseOfTheName) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("Data.Bin"), "abc");
  std::FILE* stream = open_stream((dir / "DATA.BIN").c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  char buffer[8] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, stream), 3u);
  EXPECT_STREQ(buffer, "abc");
  std::fclose(stream);

  stream = open_stream((dir / "data.bin").c_str(), "ab");
  ASSERT_NE(stream, nullptr);
  std::fputs("de", stream);
  std::fclose(stream);
  EXPECT_EQ(zeb::test::read_host_file(dir.host("Data.Bin")), "abcde");
}

TEST(RuntimePaths, OpenFailuresReportTheRuntimeErrno) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("ro.txt"), "ro");
  ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  struct Case {
    std::string path;
    const char* mode;
    int error;
  };
  const Case cases[] = {
      {dir / "none.txt", "rb", ENOENT},
      {dir / "none\\f.txt", "wb", ENOENT},
      {dir / "ro.txt", "rb", 0},
      {dir / "RO.TXT", "r", 0},
      {dir.path(), "rb", EACCES},
  };
  // Writing to a read-only file fails with EACCES on Windows; Wine run by
  // root allows it, so the POSIX suite checks that part.
  for (const Case& c : cases) EXPECT_EQ(stream_errno(c.path, c.mode), c.error) << c.path << " " << c.mode;
}

TEST(RuntimePaths, RemoveRefusesReadOnlyFilesAndDirectories) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("ro.txt"), "ro");
  zeb::test::write_host_file(dir.host("rw.txt"), "rw");
  std::filesystem::create_directories(dir.host("sub"));
  ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  struct Case {
    std::string path;
    int error;
  };
  const Case cases[] = {
      {dir / "ro.txt", EACCES},
      {dir / "sub", EACCES},
      {dir / "none.txt", ENOENT},
  };
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_NE(remove_file(c.path.c_str()), 0) << c.path;
    EXPECT_EQ(errno, c.error) << c.path;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.host("ro.txt")));
  EXPECT_TRUE(std::filesystem::exists(dir.host("sub")));
  EXPECT_EQ(remove_file((dir / "RW.TXT").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.host("rw.txt")));
}

TEST(RuntimePaths, AFileHeldWithoutSharingCannotBeOpenedOrRemoved) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("held.txt"), "held");
  HANDLE holder = CreateFileA((dir / "held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(stream_errno(dir / "held.txt", "rb"), EACCES);
  EXPECT_EQ(stream_errno(dir / "held.txt", "ab"), EACCES);
  errno = 0;
  EXPECT_NE(remove_file((dir / "held.txt").c_str()), 0);
  EXPECT_EQ(errno, EACCES);
  CloseHandle(holder);
  EXPECT_EQ(stream_errno(dir / "held.txt", "rb"), 0);
  EXPECT_EQ(remove_file((dir / "held.txt").c_str()), 0);
}

}  // namespace
