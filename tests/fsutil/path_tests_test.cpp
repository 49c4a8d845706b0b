// Path predicates on real files in a temporary directory, and the two
// character validators.
#include "fsutil/path_tests.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::fsutil {
namespace {

std::size_t entries_in(const std::filesystem::path& directory) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    (void)entry;
    ++count;
  }
  return count;
}

std::string current_directory() {
  char buffer[4096] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, length < sizeof buffer ? length : 0);
}

// `prefix` + ".\" repeated + `name`, exactly `length` characters long: a
// name for the same entry, as long as a test needs it. The padding is made
// of single characters only where needed.
std::string padded(const std::string& prefix, const std::string& name, std::size_t length) {
  std::string path = prefix;
  while (path.size() + name.size() + 2 <= length) path += ".\\";
  while (path.size() + name.size() < length) path += '\\';  // doubled separators
  return path + name;
}

class PathTests : public testing::Test {
 protected:
  void SetUp() override {
    test::write_host_file(dir_.host("file.txt"), "x");
    std::filesystem::create_directory(dir_.host("sub"));
  }
  std::string file() const { return dir_ / "file.txt"; }
  std::string sub() const { return dir_ / "sub"; }
  test::ScopedTempDir dir_;
};

TEST(IsAbsolutePath, DriveAndUncFormsOnly) {
  struct Case {
    const char* path;
    int expected;
  };
  const Case cases[] = {
      {"\\\\x", 1}, {"\\\\", 1},    {"c:", 1},      {"Z:name", 1},  {"C:\\", 1},   {"a:\\b\\c", 1},
      {"c", 0},     {"1:\\x", 0},   {"/x", 0},      {"\\x", 0},     {"", 0},       {"@:", 0},
      {"[:", 0},    {"{:", 0},      {"`:", 0},      {"\xC1:", 0},   {"cc", 0},     {"c;\\", 0},
      {nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_absolute_path(c.path), c.expected) << (c.path ? c.path : "(null)");
  }
}

TEST(IsAbsolutePath, ArgumentLongerThanTheCopyIsRefused) {
  EXPECT_EQ(is_absolute_path(("c:\\" + std::string(kPathArgumentMaxLength - 3, 'a')).c_str()), 1);
  EXPECT_EQ(is_absolute_path(("c:\\" + std::string(kPathArgumentMaxLength - 2, 'a')).c_str()), 0);
}

TEST_F(PathTests, EntryKindPredicates) {
  struct Case {
    std::string path;
    int exists, directory, file, any;
  };
  const std::string lower_drive = "c" + dir_.path().substr(1);
  const Case cases[] = {
      {file(), 1, 0, 1, 1},
      {sub(), 0, 1, 0, 1},
      {sub() + "\\", 0, 1, 0, 1},
      {dir_.path(), 0, 1, 0, 1},
      {"C:\\", 0, 1, 0, 1},
      {lower_drive + "\\file.txt", 1, 0, 1, 1},
      {dir_ / "missing", 0, 0, 0, 0},
      {dir_ / "missing\\file.txt", 0, 0, 0, 0},
      {"", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(file_exists(c.path.c_str()), c.exists) << c.path;
    EXPECT_EQ(is_directory(c.path.c_str()), c.directory) << c.path;
    EXPECT_EQ(is_file(c.path.c_str()), c.file) << c.path;
    EXPECT_EQ(path_exists(c.path.c_str()), c.any) << c.path;
  }
  EXPECT_EQ(file_exists(nullptr), 0);
  EXPECT_EQ(is_directory(nullptr), 0);
  EXPECT_EQ(is_file(nullptr), 0);
  EXPECT_EQ(path_exists(nullptr), 0);
}

TEST_F(PathTests, RelativeNamesCountOnlyForFileExists) {
  test::ScopedCurrentDir here(dir_.path());
  EXPECT_EQ(file_exists("file.txt"), 1);
  EXPECT_EQ(file_exists(".\\file.txt"), 1);
  EXPECT_EQ(file_exists("sub"), 0);
  EXPECT_EQ(file_exists("absent.txt"), 0);
  // The others want absolute form, even for entries that exist.
  EXPECT_EQ(is_file("file.txt"), 0);
  EXPECT_EQ(is_directory("sub"), 0);
  EXPECT_EQ(path_exists("sub"), 0);
  EXPECT_EQ(directory_read_only("sub"), -1);
}

TEST_F(PathTests, ArgumentsLongerThanTheCopyAreRefused) {
  // Names for existing entries, padded with "." segments: at the limit the
  // answer is the platform's; one character more is refused whatever the
  // platform would say.
  const std::string file_at_limit = padded(dir_.path() + "\\", "file.txt", kPathArgumentMaxLength);
  const std::string file_over = padded(dir_.path() + "\\", "file.txt", kPathArgumentMaxLength + 1);
  const std::string dir_at_limit = padded(dir_.path() + "\\", "sub", kPathArgumentMaxLength);
  const std::string dir_over = padded(dir_.path() + "\\", "sub", kPathArgumentMaxLength + 1);
  ASSERT_EQ(file_at_limit.size(), kPathArgumentMaxLength);
  ASSERT_EQ(file_over.size(), kPathArgumentMaxLength + 1);
  ASSERT_EQ(dir_over.size(), kPathArgumentMaxLength + 1);

  const bool platform_file = GetFileAttributesA(file_at_limit.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool platform_dir = GetFileAttributesA(dir_at_limit.c_str()) != INVALID_FILE_ATTRIBUTES;
  EXPECT_EQ(file_exists(file_at_limit.c_str()), platform_file ? 1 : 0);
  EXPECT_EQ(is_file(file_at_limit.c_str()), platform_file ? 1 : 0);
  EXPECT_EQ(is_directory(dir_at_limit.c_str()), platform_dir ? 1 : 0);

  EXPECT_EQ(file_exists(file_over.c_str()), 0);
  EXPECT_EQ(is_file(file_over.c_str()), 0);
  EXPECT_EQ(path_exists(file_over.c_str()), 0);
  EXPECT_EQ(is_directory(dir_over.c_str()), 0);
  EXPECT_EQ(path_exists(dir_over.c_str()), 0);
  EXPECT_EQ(directory_read_only(dir_over.c_str()), -1);
}

TEST_F(PathTests, DirectoryReadOnlyOfWritableDirectoryLeavesNoProbeBehind) {
  const std::size_t before = entries_in(dir_.host_path());
  EXPECT_EQ(directory_read_only(dir_.path().c_str()), 0);
  EXPECT_EQ(directory_read_only((dir_.path() + "\\").c_str()), 0);
  EXPECT_EQ(entries_in(dir_.host_path()), before);
  EXPECT_EQ(directory_read_only(sub().c_str()), 0);
  EXPECT_EQ(entries_in(dir_.host("sub")), 0u);
}

TEST_F(PathTests, DirectoryReadOnlyIsMinusOneForWhatIsNotADirectory) {
  const std::string cases[] = {file(), dir_ / "missing", "sub", ""};
  for (const std::string& path : cases) EXPECT_EQ(directory_read_only(path.c_str()), -1) << path;
  EXPECT_EQ(directory_read_only(nullptr), -1);
}

TEST_F(PathTests, DirectoryReadOnlyOfDirectoryRefusingNewFiles) {
  ASSERT_NE(SetFileAttributesA(sub().c_str(), FILE_ATTRIBUTE_READONLY), 0);
  // Windows itself ignores the attribute on directories; where the platform
  // still lets a file be created there, no directory here refuses files.
  char name[MAX_PATH + 1] = {};
  if (GetTempFileNameA((sub() + "\\").c_str(), "chk", 0, name) != 0) {
    DeleteFileA(name);
    SetFileAttributesA(sub().c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this platform creates files in read-only directories";
  }
  EXPECT_EQ(directory_read_only(sub().c_str()), 1);
  EXPECT_EQ(directory_writable(sub().c_str()), 0);
  SetFileAttributesA(sub().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(directory_read_only(sub().c_str()), 0);
}

TEST_F(PathTests, DirectoryWritableCreatesAndDeletesOneProbe) {
  const std::string cases[] = {sub(), sub() + "\\", sub() + "   ", sub() + "\\  "};
  for (const std::string& directory : cases) {
    EXPECT_EQ(directory_writable(directory.c_str()), 1) << '[' << directory << ']';
    EXPECT_EQ(entries_in(dir_.host("sub")), 0u) << '[' << directory << ']';
  }
  EXPECT_EQ(directory_writable((dir_ / "missing").c_str()), 0);
  EXPECT_EQ(directory_writable(file().c_str()), 0);
  EXPECT_EQ(directory_writable(nullptr), directory_writable(""));
}

TEST_F(PathTests, DirectoryWritableRefusesLongArguments) {
  // Trailing blanks make the argument long without changing the directory.
  std::string at_limit = sub();
  at_limit.resize(kProbeDirectoryMaxLength, ' ');
  std::string over = sub();
  over.resize(kProbeDirectoryMaxLength + 1, ' ');
  EXPECT_EQ(directory_writable(at_limit.c_str()), 1);
  EXPECT_EQ(directory_writable(over.c_str()), 0);
  EXPECT_EQ(entries_in(dir_.host("sub")), 0u);
}

TEST_F(PathTests, CanEnterDirectoryRestoresTheCurrentDirectory) {
  test::ScopedCurrentDir start(dir_.path());
  const std::string before = current_directory();
  struct Case {
    std::string path;
    int expected;
  };
  const Case cases[] = {
      {sub(), 1}, {"sub", 1}, {"C:\\", 1}, {dir_ / "missing", 0}, {file(), 0}, {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(can_enter_directory(c.path.c_str()), c.expected) << c.path;
    EXPECT_EQ(current_directory(), before) << c.path;
  }
  EXPECT_EQ(can_enter_directory(nullptr), 0);
  EXPECT_EQ(current_directory(), before);
}

TEST(InvalidFileNameChar, FirstClassInListOrderDecides) {
  struct Case {
    const char* name;
    int expected;
  };
  const Case cases[] = {
      {"", 0},         {"name.c", 0},   {"a b\t\x01\xE9", 0}, {"a:b", 1},     {":", 1},
      {"a/b", 2},      {"a*b", 3},      {"a?b", 4},           {"a<b", 5},     {"a>b", 6},
      {"a\"b", 7},     {"dir\\name", 8}, {"a|b", 9},          {"a*:b", 1},    {"|\\\"><?*/", 2},
      {"|\\\"><?*", 3}, {"|\\\"", 7},    {"|\\", 8},           {nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(invalid_file_name_char(c.name), c.expected) << (c.name ? c.name : "(null)");
  }
}

TEST(InvalidPathChar, FirstClassInListOrderDecides) {
  struct Case {
    const char* path;
    int expected;
  };
  const Case cases[] = {
      {"", 0},           {"c:\\dir\\name.c", 0}, {"name:x", 0},   {"\\\\srv\\share", 0},
      {"c:\\a:b", 1},    {"::", 1},              {"c:/dir", 2},   {"c:\\*", 3},
      {"c:\\?", 4},      {"c:\\<", 5},           {"c:\\>", 6},    {"c:\\\"x\"", 7},
      {"c:\\a|b", 8},    {"a:b:c", 1},           {"|\"><?*/", 2}, {"|\"><?", 4},
      {"|\"", 7},        {"c:\\tab\tand \x01", 0}, {nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(invalid_path_char(c.path), c.expected) << (c.path ? c.path : "(null)");
  }
}

TEST(RuleTexts, ExactBytes) {
  const std::string file_rule = file_name_rule_text();
  const std::string path_rule = path_rule_text();
  EXPECT_EQ(file_rule, std::string("the file name has invalid characters | ") + '\\' + " " + '"' +
                           " > < ? * / or : ");
  EXPECT_EQ(path_rule, std::string("the path has invalid characters | ") + '"' + " > < ?" + '\t' +
                           "* / or :: ");
  EXPECT_EQ(file_rule.size(), 58u);
  EXPECT_EQ(path_rule.size(), 52u);
  EXPECT_EQ(file_name_rule_text(), file_name_rule_text());  // one static text
}

}  // namespace
}  // namespace zeb::fsutil
