// The host's links as Windows would show them: a symbolic link is a reparse
// point of its own, and one name of a hard-linked file can replace another.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

TEST(Links, SymbolicLinksAreReparsePointsOfTheirOwn) {
  zeb::test::ScopedTempDir dir, outside;
  zeb::test::write_host_file(outside.host("target.txt"), "x");
  zeb::test::write_host_file(dir.host("plain.txt"), "x");
  std::filesystem::create_directory(outside.host("folder"));
  ASSERT_TRUE(SetFileAttributesA((outside / "target.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  std::filesystem::create_symlink(outside.host("target.txt"), dir.host("to_file"));
  std::filesystem::create_directory_symlink(outside.host("folder"), dir.host("to_folder"));
  std::filesystem::create_symlink(outside.host("gone"), dir.host("dangling"));
  const struct {
    const char* name;
    DWORD attributes;
  } cases[] = {
      // The link's own attributes: the read-only target does not show.
      {"to_file", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE},
      {"TO_FOLDER", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY},
      {"dangling", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE},
      {"plain.txt", FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetFileAttributesA((dir / c.name).c_str()), c.attributes) << c.name;
}

TEST(Links, OneNameOfAFileReplacesAnotherName) {
  zeb::test::ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("first.txt"), "one file");
  std::filesystem::create_hard_link(dir.host("first.txt"), dir.host("second.txt"));
  // rename(2) would keep both names.
  ASSERT_TRUE(MoveFileExA((dir / "first.txt").c_str(), (dir / "second.txt").c_str(),
                          MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(std::filesystem::exists(dir.host("first.txt")));
  EXPECT_EQ(zeb::test::read_host_file(dir.host("second.txt")), "one file");
}

}  // namespace
