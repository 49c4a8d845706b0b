// Path predicates on real entries in a temporary directory, and the two
// character validators.
#include "fsutil/path_tests.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/scoped.h"

namespace zeb::fsutil {

TEST(PathTests, EntryKindsLimitsProbesEnteringAndCharacterRules) {
  test::ScopedTempDir dir;
  test::ScopedCurrentDir here(dir.path());
  test::write_host_file(dir.host("file.txt"), "x");
  std::filesystem::create_directory(dir.host("sub"));
  // Runs of separators lengthen a name without changing the entry: one past the limit is refused.
  const std::string seps(kPathArgumentMaxLength - dir.path().size() - 8, '\\'), sub = dir / "sub";
  const std::string at_limit = dir.path() + seps + "file.txt", over = dir.path() + "\\" + seps + "file.txt";
  // file_exists, is_directory, is_file, path_exists, directory_read_only, is_absolute_path, can_enter_directory
  const std::pair<std::string, const char*> cases[] = {
      {dir / "file.txt", "1011-110"}, {"c" + dir.path().substr(1) + "\\file.txt", "1011-110"}, {sub + "\\", "0101011"},
      {dir / "missing", "0000-110"}, {"file.txt", "1000-100"}, {"sub", "0000-101"}, {"", "0000-100"},
      {over, "0000-100"}};
  const std::filesystem::path before = std::filesystem::current_path();
  for (const auto& [path, expected] : cases) {
    const char* p = path.c_str();
    EXPECT_EQ(std::to_string(file_exists(p)) + std::to_string(is_directory(p)) + std::to_string(is_file(p)) +
                  std::to_string(path_exists(p)) + std::to_string(directory_read_only(p)) +
                  std::to_string(is_absolute_path(p)) + std::to_string(can_enter_directory(p)), expected) << path;
    EXPECT_EQ(std::filesystem::current_path(), before) << path;
  }
  EXPECT_EQ(is_directory("C:\\") + path_exists("C:\\") + can_enter_directory("C:\\"), 3);  // a drive root
  EXPECT_EQ(is_absolute_path(at_limit.c_str()), 1);
  EXPECT_EQ(file_exists(nullptr) + is_directory(nullptr) + is_file(nullptr) + is_absolute_path(nullptr), 0);
  // The probes of a writable directory leave no file behind.
  EXPECT_EQ(directory_writable((sub + "\\  ").c_str()), 1);
  EXPECT_EQ(directory_writable((sub + std::string(kProbeDirectoryMaxLength + 1 - sub.size(), ' ')).c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.host("sub")));
  // The absolute form and the validators look at the text alone.
  const std::pair<const char*, int> forms[] = {
      {"\\\\", 1}, {"c:", 1}, {"Z:name", 1}, {"a:\\b", 1}, {"c", 0}, {"1:\\x", 0}, {"/x", 0}, {"\\x", 0}, {"@:", 0},
      {"[:", 0}, {"`:", 0}, {"{:", 0}, {"\xC1:", 0}, {"c;\\", 0}};
  for (const auto& [path, expected] : forms) EXPECT_EQ(is_absolute_path(path), expected) << path;
  // The first offending class in list order, wherever its characters stand.
  const std::pair<const char*, int> names[] = {
      {"a b\t\x01\xE9.c", 0}, {"a:b", 1}, {"a/b", 2}, {"a*b", 3}, {"a?b", 4}, {"a<b", 5}, {"a>b", 6}, {"a\"b", 7},
      {"d\\n", 8}, {"a|b", 9}, {"|\\\"><?*/", 2}, {"|\\\"", 7}, {"|\\", 8}, {nullptr, 0}};
  for (const auto& [name, expected] : names) EXPECT_EQ(invalid_file_name_char(name), expected) << (name ? name : "");
  // Each class alone is met through the results of directory creation.
  const std::pair<const char*, int> paths[] = {{"\\\\srv\\x:y\t", 0}, {"|\"><?", 4}, {"|\"", 7}, {nullptr, 0}};
  for (const auto& [path, expected] : paths) EXPECT_EQ(invalid_path_char(path), expected) << (path ? path : "");
}

}  // namespace zeb::fsutil
