// Directory creation on real directories, its numbered results and their
// messages.
#include "fsutil/directory_creation.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fsutil/path_tests.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::fsutil {
namespace {

namespace fs = std::filesystem;

// Matches exactly `text`, nothing before or after it.
std::string exactly(const std::string& text) {
  std::string pattern = "^";
  for (const char c : text) {
    if (std::string("\\.[]{}()*+?^$|").find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

std::string conflict_text(const std::string& path) {
  return "The path '" + path + "' refers to a file on the disk";
}

// Whether the platform lets a file be created in a directory that carries
// the read-only attribute (Windows ignores the attribute on directories).
bool read_only_directory_takes_files(const std::string& directory) {
  char name[MAX_PATH + 1] = {};
  if (GetTempFileNameA((directory + "\\").c_str(), "chk", 0, name) == 0) return false;
  DeleteFileA(name);
  return true;
}

class DirectoryCreation : public testing::Test {
 protected:
  void SetUp() override { test::write_host_file(dir_.host("f"), "file in the way"); }
  // dir_ + "\" + name, padded with 'n' to exactly `length` characters.
  std::string long_path(const std::string& middle, std::size_t length) const {
    std::string path = dir_ / middle;
    path.resize(length, 'n');
    return path;
  }
  test::ScopedTempDir dir_;
};

TEST(CreateDirectoryPath, ResultsSettledBeforeTheFileSystemIsAsked) {
  struct Case {
    const char* path;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"", 1},           {nullptr, 1},         {"c", 7},          {"\\", 7},
      {"cc", 2},         {"\\\\", 2},          {"rel\\dir", 2},   {"\\x\\y", 2},
      {"c:\\a:b", 8},    {"a:b:c", 8},         {"c:/dir", 13},    {"c:\\*", 10},
      {"c:\\a?", 9},     {"c:\\<", 11},        {"c:\\>", 12},     {"c:\\\"q\"", 14},
      {"c:\\a|b", 16},   {"x*y?", 10},         {"|/", 13},        {"\\\\srv\\a|b", 16},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(create_directory_path(c.path), c.expected) << (c.path ? c.path : "(null)");
  }
}

TEST_F(DirectoryCreation, CreatesEveryMissingLevel) {
  const std::string deeper = dir_ / "new\\deeper\\";
  EXPECT_EQ(create_directory_path(deeper.c_str()), 0);
  EXPECT_TRUE(fs::is_directory(dir_.host("new/deeper")));
  // Existing directories are success too, with or without the backslash.
  EXPECT_EQ(create_directory_path(deeper.c_str()), 0);
  EXPECT_EQ(create_directory_path((dir_ / "new").c_str()), 0);
  EXPECT_EQ(create_directory_path(dir_.path().c_str()), 0);
  // Only one trailing backslash is ignored; the doubled separator inside is
  // the platform's to read.
  EXPECT_EQ(create_directory_path((dir_ / "two\\\\").c_str()), 0);
  EXPECT_TRUE(fs::is_directory(dir_.host("two")));
  EXPECT_EQ(fs::directory_iterator(dir_.host("new/deeper")), fs::directory_iterator());
}

TEST_F(DirectoryCreation, DriveRootThatTakesFilesIsReady) {
  const std::int32_t expected = directory_writable("C:\\") == 1 ? 0 : 15;
  EXPECT_EQ(create_directory_path("C:\\"), expected);
  EXPECT_EQ(create_directory_path("c:\\"), expected);
  EXPECT_EQ(create_directory_under(nullptr, "C:\\"), expected);
}

TEST_F(DirectoryCreation, FileInTheWayIsNamed) {
  const std::string file = dir_ / "f";
  EXPECT_EQ(create_directory_path((file + "\\sub").c_str()), 17);
  EXPECT_EQ(directory_error_text(17), conflict_text(file));
  EXPECT_EQ(create_directory_path((file + "\\sub\\deeper\\").c_str()), 17);
  EXPECT_EQ(directory_error_text(17), conflict_text(file));
  EXPECT_EQ(create_directory_path(file.c_str()), 17);
  EXPECT_EQ(directory_error_text(17), conflict_text(file));
  EXPECT_EQ(create_directory_path((file + "\\").c_str()), 17);
  EXPECT_EQ(directory_error_text(17), conflict_text(file));
  EXPECT_FALSE(fs::exists(dir_.host("f/sub")));
}

TEST_F(DirectoryCreation, ConflictingPathOutlivesOtherResults) {
  const std::string file = dir_ / "f";
  ASSERT_EQ(create_directory_path(file.c_str()), 17);
  EXPECT_EQ(create_directory_path((dir_ / "fine").c_str()), 0);
  EXPECT_EQ(create_directory_path("c:/x"), 13);
  EXPECT_EQ(create_directory_under(nullptr, (file + "\\x").c_str()), 4);
  EXPECT_EQ(directory_error_text(17), conflict_text(file));
}

TEST_F(DirectoryCreation, UnderJoinsBaseAndPathAndAcceptsSlashes) {
  struct Case {
    std::string base;
    bool base_given;
    std::string path;
    std::string created;  // host-relative, below dir_
  };
  std::string slashed_base = dir_.path();
  for (char& c : slashed_base) c = c == '\\' ? '/' : c;
  const Case cases[] = {
      {dir_.path(), true, "a\\b", "a/b"},
      {dir_.path() + "\\", true, "c/d/", "c/d"},
      {slashed_base, true, "e", "e"},
      {slashed_base + "/", true, "f2/g", "f2/g"},
      {"", false, slashed_base + "/h/i", "h/i"},
      {"", true, dir_.path() + "\\j", "j"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(create_directory_under(c.base_given ? c.base.c_str() : nullptr, c.path.c_str()), 0)
        << c.base << " + " << c.path;
    EXPECT_TRUE(fs::is_directory(dir_.host(c.created))) << c.created;
  }
}

TEST_F(DirectoryCreation, UnderReportsFilesOnlyForTheWholePath) {
  EXPECT_EQ(create_directory_under(nullptr, (dir_ / "f\\sub").c_str()), 4);
  EXPECT_EQ(create_directory_under(nullptr, (dir_ / "f").c_str()), 3);
  EXPECT_EQ(create_directory_under(dir_.path().c_str(), "f\\sub"), 4);
  EXPECT_EQ(create_directory_under(dir_.path().c_str(), "f"), 3);
  EXPECT_EQ(create_directory_under(dir_.path().c_str(), "f/"), 3);
}

TEST(CreateDirectoryUnder, ResultsSettledBeforeTheFileSystemIsAsked) {
  struct Case {
    const char* base;
    const char* path;
    std::int32_t expected;
  };
  const Case cases[] = {
      {nullptr, "", 1}, {"", "", 1},     {nullptr, nullptr, 1}, {nullptr, "c", 7}, {"", "/", 7},
      {nullptr, "cc", 2}, {"c", "", 2},  {"rel", "dir", 2},     {nullptr, "//", 2}, {"\\", "", 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(create_directory_under(c.base, c.path), c.expected)
        << (c.base ? c.base : "(null)") << " + " << (c.path ? c.path : "(null)");
  }
}

TEST_F(DirectoryCreation, MissingShareOrDriveIsNotCreated) {
  // No file system answers for this share; on the POSIX host no UNC path exists.
  EXPECT_EQ(create_directory_path("\\\\zeb-no-such-host\\share\\dir"), 6);
  EXPECT_EQ(create_directory_under("\\\\zeb-no-such-host\\share", "dir"), 6);
  // A character the file system refuses fails late under create_directory_under.
  EXPECT_EQ(create_directory_under(dir_.path().c_str(), "bad|name"), 4);
}

TEST_F(DirectoryCreation, ReadOnlyDirectoryIsFifteen) {
  const std::string locked = dir_ / "locked";
  ASSERT_EQ(create_directory_path(locked.c_str()), 0);
  ASSERT_NE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY), 0);
  if (read_only_directory_takes_files(locked)) {
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this platform creates files in read-only directories";
  }
  EXPECT_EQ(create_directory_path(locked.c_str()), 15);
  EXPECT_EQ(create_directory_under(dir_.path().c_str(), "locked"), 15);
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(create_directory_path(locked.c_str()), 0);
}

TEST_F(DirectoryCreation, TooLongPathIsRefusedBeforeAnythingIsCreated) {
  // At the limit the walk runs and creates the short leading level, whatever
  // the platform then makes of the long last one; one more character and
  // nothing is touched.
  const std::string at_limit = long_path("top1\\", kDirectoryPathMaxLength);
  const std::string over = long_path("top2\\", kDirectoryPathMaxLength + 1);
  ASSERT_EQ(at_limit.size(), kDirectoryPathMaxLength);
  const std::int32_t at_limit_result = create_directory_path(at_limit.c_str());
  EXPECT_TRUE(at_limit_result == 0 || at_limit_result == 4) << at_limit_result;
  EXPECT_TRUE(fs::is_directory(dir_.host("top1")));
  EXPECT_EQ(create_directory_path(over.c_str()), 4);
  EXPECT_FALSE(fs::exists(dir_.host("top2")));
  // Character checks still come first; UNC and other forms keep their results.
  EXPECT_EQ(create_directory_path((over + "*").c_str()), 10);
  EXPECT_EQ(create_directory_path(("\\\\server\\" + std::string(300, 's')).c_str()), 6);
  EXPECT_EQ(create_directory_path(std::string(300, 'r').c_str()), 2);
}

TEST_F(DirectoryCreation, TooLongCombinedPathIsRefusedBeforeAnythingIsCreated) {
  const std::string base = dir_.path();
  std::string at_limit = "top3\\";
  at_limit.resize(kDirectoryUnderMaxLength - base.size() - 1, 'n');
  std::string over = "top4\\";
  over.resize(kDirectoryUnderMaxLength - base.size(), 'n');
  ASSERT_EQ(base.size() + 1 + at_limit.size(), kDirectoryUnderMaxLength);
  const std::int32_t at_limit_result = create_directory_under(base.c_str(), at_limit.c_str());
  EXPECT_TRUE(at_limit_result == 0 || at_limit_result == 4) << at_limit_result;
  EXPECT_TRUE(fs::is_directory(dir_.host("top3")));
  EXPECT_EQ(create_directory_under(base.c_str(), over.c_str()), 4);
  EXPECT_FALSE(fs::exists(dir_.host("top4")));
  EXPECT_EQ(create_directory_under(nullptr, ("\\\\server\\" + std::string(500, 's')).c_str()), 6);
  EXPECT_EQ(create_directory_under("rel", std::string(500, 'r').c_str()), 2);
}

TEST(DirectoryErrorText, FixedMessages) {
  const char* const expected[] = {
      "No error",
      "Path is empty",
      "Path has invalid characters",
      "The path is a file , thus it cannot be created in the destination as a path",
      "Unable to create the destination directory , possible drive invalid or read only ",
      "The UNC path is a file , thus it cannot be created in the destination as a path",
      "Unable to create the destination directory , possible UNC path invalid or disconnected or read only ",
      "You need at least two characters to a path like this a: ",
      "Too many characters : on the path ",
      "Invalid character ? on the path ",
      "Invalid character * on the path ",
      "Invalid character < on the path ",
      "Invalid character > on the path ",
      "Invalid character / on the path ",
      "Invalid character \" on the path ",
      "Path is read only ",
      "Invalid character | on the path ",
  };
  std::size_t longest = 0;
  for (std::int32_t value = 0; value <= 16; ++value) {
    const std::string text = directory_error_text(value);
    EXPECT_EQ(text, expected[value]) << value;
    longest = std::max(longest, text.size());
  }
  EXPECT_EQ(longest, 100u);
  const std::int32_t outside[] = {18, 19, 1000, -1, INT_MIN, INT_MAX};
  for (const std::int32_t value : outside) {
    EXPECT_EQ(directory_error_text(value),
              "Unexpected return value to the function to create directories")
        << value;
  }
}

TEST(DirectoryErrorText, ConflictBeforeAnyConflictNamesAnEmptyPath) {
  // A fresh process: no result 17 has happened there yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::fputs(directory_error_text(17).c_str(), stderr);
        std::exit(0);
      },
      testing::ExitedWithCode(0), exactly(conflict_text("")));
}

TEST_F(DirectoryCreation, PathAtTheLimitStillFindsTheFileInTheWay) {
  test::write_host_file(dir_.host("g"), "");
  const std::string file = dir_ / "g";
  const std::string over_file = file + "\\" + std::string(kDirectoryPathMaxLength - file.size() - 1, 'x');
  ASSERT_EQ(over_file.size(), kDirectoryPathMaxLength);
  ASSERT_EQ(create_directory_path(over_file.c_str()), 17);
  EXPECT_EQ(directory_error_text(17), conflict_text(file));
  EXPECT_EQ(create_directory_path((over_file + "y").c_str()), 4);
}

}  // namespace
}  // namespace zeb::fsutil
