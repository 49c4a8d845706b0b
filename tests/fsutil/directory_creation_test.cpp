// Directory creation on real directories, its numbered results and their
// messages.
#include "fsutil/directory_creation.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <utility>

#include "support/scoped.h"

namespace zeb::fsutil {
namespace {

TEST(DirectoryCreation, Results) {
  test::ScopedTempDir dir;
  test::write_host_file(dir.host("f"), "file in the way");
  const std::string file = dir / "f";
  const std::pair<std::string, std::int32_t> cases[] = {
      {"", 1},       {"c", 7},      {"rel\\dir", 2}, {"\\\\", 2},    {"a:b:c", 8},  {"c:/dir", 13}, {"c:\\*", 10},
      {"c:\\a?", 9}, {"c:\\<", 11}, {"c:\\>", 12},   {"c:\\\"", 14}, {"c:\\a|b", 16}, {"|/", 13},
      {file + "\\sub\\deeper", 17}, {file + "\\", 17}, {dir / "new\\deeper\\", 0}, {dir / "new", 0}, {dir.path(), 0}};
  for (const auto& [path, expected] : cases) EXPECT_EQ(create_directory_path(path.c_str()), expected) << path;
  EXPECT_EQ(create_directory_path(nullptr), 1);
  EXPECT_TRUE(std::filesystem::is_directory(dir.host("new/deeper")));
  // The file in the way is named, and stays named after later results.
  EXPECT_EQ(directory_error_text(17), "The path '" + file + "' refers to a file on the disk");

  EXPECT_EQ(create_directory_under(dir.path().c_str(), "f/sub"), 4);
  EXPECT_EQ(create_directory_under(dir.path().c_str(), "f"), 3);
  EXPECT_EQ(create_directory_under((dir.path() + "\\").c_str(), "c/d/"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.host("c/d")));
}

TEST(DirectoryCreation, OverlongPathsAreNotCreatedAtAll) {
  test::ScopedTempDir dir;
  const std::string over = dir / "top\\" + std::string(kDirectoryPathMaxLength - dir.path().size() - 4, 'n');
  const std::string over_under = "top\\" + std::string(kDirectoryUnderMaxLength - dir.path().size() - 4, 'n');
  EXPECT_EQ(create_directory_path(over.c_str()), 4);
  EXPECT_EQ(create_directory_under(dir.path().c_str(), over_under.c_str()), 4);
  EXPECT_FALSE(std::filesystem::exists(dir.host("top")));
}

TEST(DirectoryErrorText, EveryMessage) {
  const char* const expected[] = {
      "No error", "Path is empty", "Path has invalid characters",
      "The path is a file , thus it cannot be created in the destination as a path",
      "Unable to create the destination directory , possible drive invalid or read only ",
      "The UNC path is a file , thus it cannot be created in the destination as a path",
      "Unable to create the destination directory , possible UNC path invalid or disconnected or read only ",
      "You need at least two characters to a path like this a: ", "Too many characters : on the path ",
      "Invalid character ? on the path ", "Invalid character * on the path ", "Invalid character < on the path ",
      "Invalid character > on the path ", "Invalid character / on the path ", "Invalid character \" on the path ",
      "Path is read only ", "Invalid character | on the path ",
  };
  for (std::int32_t value = 0; value <= 16; ++value) EXPECT_EQ(directory_error_text(value), expected[value]) << value;
  for (const std::int32_t value : {18, -1, INT_MIN, INT_MAX}) {
    EXPECT_EQ(directory_error_text(value), "Unexpected return value to the function to create directories") << value;
  }
}

}  // namespace
}  // namespace zeb::fsutil
