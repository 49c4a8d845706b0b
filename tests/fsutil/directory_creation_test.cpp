// Directory creation on real directories, its numbered results and their
// messages.
#include "fsutil/directory_creation.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/scoped.h"

namespace zeb::fsutil {

TEST(DirectoryCreation, ResultsTheirMessagesAndTheFileInTheWay) {
  test::ScopedTempDir dir;
  test::write_host_file(dir.host("f"), "file in the way");
  const std::string file = dir / "f";
  // Longer than the limits: refused before anything is created.
  const std::string over = dir / "top\\" + std::string(kDirectoryPathMaxLength - dir.path().size() - 4, 'n');
  const std::string over_under = "top\\" + std::string(kDirectoryUnderMaxLength - dir.path().size() - 4, 'n');
  const std::pair<std::string, std::int32_t> cases[] = {
      {"", 1}, {"c", 7}, {"rel\\dir", 2}, {"\\\\", 2}, {"a:b:c", 8}, {"c:/dir", 13}, {"c:\\*", 10}, {"c:\\a?", 9},
      {"c:\\<", 11}, {"c:\\>", 12}, {"c:\\\"", 14}, {"c:\\a|b", 16}, {"|/", 13}, {over, 4}, {file + "\\", 17},
      {file + "\\sub\\deeper", 17}, {dir / "new\\deeper\\", 0}, {dir / "new", 0}, {dir.path(), 0}};
  for (const auto& [path, expected] : cases) EXPECT_EQ(create_directory_path(path.c_str()), expected) << path;
  EXPECT_EQ(create_directory_path(nullptr), 1);
  const struct { std::string base, path; std::int32_t expected; } under[] = {
      {dir.path(), "f/sub", 4}, {dir.path(), "f", 3}, {dir.path(), over_under, 4}, {dir.path() + "\\", "c/d/", 0}};
  for (const auto& [base, path, expected] : under)
    EXPECT_EQ(create_directory_under(base.c_str(), path.c_str()), expected) << path;
  EXPECT_TRUE(std::filesystem::is_directory(dir.host("new/deeper")) && std::filesystem::is_directory(dir.host("c/d")));
  EXPECT_FALSE(std::filesystem::exists(dir.host("top")));
  // The file in the way is named, and stays named after later results.
  const std::string unexpected = "Unexpected return value to the function to create directories";
  const std::pair<std::int32_t, std::string> texts[] = {{17, "The path '" + file + "' refers to a file on the disk"},
      {0, "No error"}, {16, "Invalid character | on the path "}, {18, unexpected}, {-1, unexpected}};
  for (const auto& [value, text] : texts) EXPECT_EQ(directory_error_text(value), text) << value;
}

}  // namespace zeb::fsutil
