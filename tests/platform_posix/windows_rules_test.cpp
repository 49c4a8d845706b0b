// Windows rules the POSIX layer enforces where the host would not: read-only
// files even for root, and the refusals of the fixed-block allocator.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

TEST(WindowsRules, ReadOnlyFilesCannotBeWrittenEvenByRoot) {
  zeb::test::ScopedTempDir dir;
  const std::string path = dir / "ro.txt";
  zeb::test::write_host_file(dir.host("ro.txt"), "keep");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  struct stat info {};
  ASSERT_EQ(stat(dir.host("ro.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
  const struct {
    DWORD access;
    DWORD creation;
  } refused[] = {
      {GENERIC_WRITE, OPEN_EXISTING},
      {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
      {GENERIC_WRITE, TRUNCATE_EXISTING},
      {GENERIC_READ, CREATE_ALWAYS},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(
        CreateFileA(path.c_str(), c.access, 0, nullptr, c.creation, FILE_ATTRIBUTE_NORMAL, nullptr),
        INVALID_HANDLE_VALUE)
        << c.access << " " << c.creation;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << c.access << " " << c.creation;
  }
  for (const char* mode : {"wb", "ab", "r+b", "w+"}) {
    errno = 0;
    EXPECT_EQ(zeb::platform::open_stream(path.c_str(), mode), nullptr) << mode;
    EXPECT_EQ(errno, EACCES) << mode;
  }
  EXPECT_NE(zeb::platform::remove_file(path.c_str()), 0);
  EXPECT_EQ(zeb::test::read_host_file(dir.host("ro.txt")), "keep");
}

TEST(WindowsRules, FixedBlocksRefuseWhatTheyCannotHonour) {
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 16));
  ASSERT_NE(block, nullptr);
  block[15] = 'z';
  // A fixed block never moves, so it cannot grow.
  EXPECT_EQ(GlobalReAlloc(block, 4096, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(block[15], 'z');
  EXPECT_EQ(GlobalFree(block), nullptr);
  // Releasing a freed or a foreign block returns it instead of crashing.
  EXPECT_EQ(GlobalFree(block), block);
  int on_stack = 0;
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GlobalFree(&on_stack), &on_stack);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 8), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
