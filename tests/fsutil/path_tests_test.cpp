// Path predicates on real entries in a temporary directory, and the two
// character validators.
#include "fsutil/path_tests.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::fsutil {
namespace {

class PathTests : public testing::Test {
 protected:
  void SetUp() override {
    test::write_host_file(dir_.host("file.txt"), "x");
    std::filesystem::create_directory(dir_.host("sub"));
  }
  test::ScopedTempDir dir_;
  test::ScopedCurrentDir here_{dir_.path()};
};

TEST_F(PathTests, EntryKindsAndAbsoluteForm) {
  // Expected: file_exists, is_directory, is_file, path_exists.
  const std::pair<std::string, const char*> cases[] = {
      {dir_ / "file.txt", "1011"}, {"c" + dir_.path().substr(1) + "\\file.txt", "1011"}, {dir_ / "sub\\", "0101"},
      {"C:\\", "0101"},          {dir_ / "missing", "0000"}, {"file.txt", "1000"}, {"sub", "0000"}, {"", "0000"}};
  for (const auto& [path, expected] : cases) {
    const char* p = path.c_str();
    EXPECT_EQ(std::to_string(file_exists(p)) + std::to_string(is_directory(p)) + std::to_string(is_file(p)) +
                  std::to_string(path_exists(p)), expected) << path;
  }
  EXPECT_EQ(file_exists(nullptr) + is_directory(nullptr) + is_file(nullptr) + is_absolute_path(nullptr), 0);
  const std::pair<const char*, int> forms[] = {
      {"\\\\", 1}, {"c:", 1}, {"Z:name", 1}, {"a:\\b", 1}, {"c", 0},  {"1:\\x", 0}, {"/x", 0},
      {"\\x", 0},   {"@:", 0}, {"[:", 0},     {"`:", 0},    {"{:", 0}, {"\xC1:", 0},  {"c;\\", 0}};
  for (const auto& [path, expected] : forms) EXPECT_EQ(is_absolute_path(path), expected) << path;
}

TEST_F(PathTests, OverlongArgumentsAreRefused) {
  // "." segments and doubled separators lengthen a name without changing the entry.
  std::string padding = "\\";
  while (padding.size() + dir_.path().size() + 10 <= kPathArgumentMaxLength) padding += ".\\";
  padding.resize(kPathArgumentMaxLength - dir_.path().size() - 8, '\\');
  const std::string at_limit = dir_.path() + padding + "file.txt", over = dir_.path() + padding + "\\file.txt";
  const std::string dir_over = dir_.path() + padding + ".\\.\\.\\sub";
  EXPECT_EQ(file_exists(at_limit.c_str()), GetFileAttributesA(at_limit.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0);
  EXPECT_EQ(file_exists(over.c_str()) + is_file(over.c_str()) + path_exists(over.c_str()), 0);
  EXPECT_EQ(is_directory(dir_over.c_str()) + path_exists(dir_over.c_str()), 0);
  EXPECT_EQ(directory_read_only(dir_over.c_str()), -1);
}

TEST_F(PathTests, ProbesOfAWritableDirectoryLeaveNoFile) {
  const std::string sub = dir_ / "sub";
  EXPECT_EQ(directory_read_only(sub.c_str()), 0);
  EXPECT_EQ(directory_writable((sub + "\\  ").c_str()), 1);
  EXPECT_EQ(directory_writable((sub + std::string(kProbeDirectoryMaxLength + 1 - sub.size(), ' ')).c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.host("sub")));
  for (const std::string& path : {dir_ / "file.txt", dir_ / "missing", std::string("sub")}) {
    EXPECT_EQ(directory_read_only(path.c_str()), -1) << path;
  }
}

TEST_F(PathTests, CanEnterDirectoryLeavesTheCurrentDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  const std::pair<std::string, int> cases[] = {
      {dir_ / "sub", 1}, {"sub", 1}, {"C:\\", 1}, {dir_ / "file.txt", 0}, {"", 0}};
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(can_enter_directory(path.c_str()), expected) << path;
    EXPECT_EQ(std::filesystem::current_path(), before) << path;
  }
  // A current directory that is gone cannot be returned to: the process
  // stays in it rather than ending up in the directory tested.
  test::ScopedTempDir doomed;
  test::ScopedCurrentDir inside(doomed.path());
  std::error_code error;
  if (!std::filesystem::remove(doomed.host_path(), error)) GTEST_SKIP() << "this host keeps a current directory";
  EXPECT_EQ(can_enter_directory((dir_ / "sub").c_str()), 0);
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), 0u);
  std::filesystem::create_directory(doomed.host_path());
}

TEST(Validators, FirstOffendingClassInListOrder) {
  const std::pair<const char*, int> names[] = {
      {"a b\t\x01\xE9.c", 0}, {"a:b", 1}, {"a/b", 2}, {"a*b", 3}, {"a?b", 4}, {"a<b", 5},  {"a>b", 6},
      {"a\"b", 7},            {"d\\n", 8}, {"a|b", 9}, {"|\\\"><?*/", 2}, {"|\\\"", 7}, {"|\\", 8}, {nullptr, 0}};
  for (const auto& [name, expected] : names) EXPECT_EQ(invalid_file_name_char(name), expected) << (name ? name : "");
  const std::pair<const char*, int> paths[] = {
      {"\\\\srv\\x:y\t", 0}, {"c:\\a:b", 1}, {"c:/d", 2},   {"c:\\*", 3},   {"c:\\?", 4}, {"c:\\<", 5},
      {"c:\\>", 6},          {"c:\\\"", 7}, {"c:\\a|b", 8}, {"|\"><?", 4}, {"|\"", 7},   {nullptr, 0}};
  for (const auto& [path, expected] : paths) EXPECT_EQ(invalid_path_char(path), expected) << (path ? path : "");
}

TEST(Validators, RuleTextsExactBytes) {
  EXPECT_STREQ(file_name_rule_text(), "the file name has invalid characters | \\ \" > < ? * / or : ");
  EXPECT_STREQ(path_rule_text(), "the path has invalid characters | \" > < ?\t* / or :: ");
}

}  // namespace
}  // namespace zeb::fsutil
