// Win32 file names: full path names by text alone, temporary file names, and
// drive types.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

using zeb::test::ScopedTempDir;

struct FullPath {
  std::string text;
  std::string file_part;  // "<null>" when the call left no file part
};

FullPath full_path(const std::string& name) {
  char buffer[1024];
  char* file_part = buffer;  // anything but null, to see it cleared
  const DWORD length = GetFullPathNameA(name.c_str(), sizeof buffer, buffer, &file_part);
  if (length == 0 || length >= sizeof buffer) return {"<failed>", ""};
  return {std::string(buffer, length), file_part == nullptr ? "<null>" : std::string(file_part)};
}

TEST(FileNames, FullPathNamesAreTextArithmetic) {
  ScopedTempDir dir;
  zeb::test::ScopedCurrentDir current(dir.path());
  const std::string base = dir.path();
  struct Case {
    std::string name;
    std::string text;
    std::string file_part;
  };
  const Case cases[] = {
      {"f.c", base + "\\f.c", "f.c"},
      {"sub/deeper\\F.C", base + "\\sub\\deeper\\F.C", "F.C"},
      {"a\\..\\b.c", base + "\\b.c", "b.c"},
      {".\\sub\\", base + "\\sub\\", "<null>"},
      {".", base, base.substr(base.find_last_of('\\') + 1)},
      // Nothing is looked up: case stays as typed, missing names are fine.
      {base + "\\NOT\\THERE.TXT", base + "\\NOT\\THERE.TXT", "THERE.TXT"},
      {"C:\\x\\..\\..\\y", "C:\\y", "y"},
      {"\\\\server\\share\\a\\..\\b", "\\\\server\\share\\b", "b"},
  };
  for (const Case& c : cases) {
    const FullPath got = full_path(c.name);
    EXPECT_EQ(got.text, c.text) << c.name;
    EXPECT_EQ(got.file_part, c.file_part) << c.name;
  }
}

TEST(FileNames, FullPathNameBufferContract) {
  const std::string name = "C:\\some\\file.txt";
  const auto length = static_cast<DWORD>(name.size());
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  char* file_part = nullptr;
  EXPECT_EQ(GetFullPathNameA(name.c_str(), length, buffer, &file_part), length + 1);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(GetFullPathNameA(name.c_str(), 0, nullptr, nullptr), length + 1);
  EXPECT_EQ(GetFullPathNameA(name.c_str(), length + 1, buffer, &file_part), length);
  EXPECT_STREQ(buffer, name.c_str());
  ASSERT_NE(file_part, nullptr);
  EXPECT_EQ(file_part, buffer + 8);
}

bool is_temp_name(const std::string& name, const std::string& directory, const std::string& prefix) {
  const std::string head = directory + "\\" + prefix;
  if (name.size() != head.size() + 8 || name.compare(0, head.size(), head) != 0) return false;
  // Windows writes the digits in upper case, Wine in lower case; the POSIX
  // suite holds the layer to upper case.
  for (std::size_t i = head.size(); i < head.size() + 4; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return name.compare(head.size() + 4, 4, ".tmp") == 0;
}

TEST(FileNames, TempFileNamesAreCreatedWithFourUpperCaseHexDigits) {
  ScopedTempDir dir;
  std::set<std::string> names;
  // Calls within the same clock tick start from the same number, so these
  // must step past the files the earlier calls made.
  for (int i = 0; i < 20; ++i) {
    char name[MAX_PATH] = {};
    const UINT number = GetTempFileNameA(dir.path().c_str(), "zebra", 0, name);
    ASSERT_NE(number, 0u);
    EXPECT_TRUE(is_temp_name(name, dir.path(), "zeb")) << name;
    EXPECT_EQ(std::stoul(std::string(name).substr(dir.path().size() + 4, 4), nullptr, 16), number);
    const DWORD attributes = GetFileAttributesA(name);
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << name;
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
}

TEST(FileNames, TempFileNameWithANumberOnlyFormsTheName) {
  ScopedTempDir dir;
  char name[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameA((dir.path() + "\\").c_str(), "zeb", 0x1a2b, name), 0x1a2bu);
  EXPECT_TRUE(is_temp_name(name, dir.path(), "zeb")) << name;
  EXPECT_EQ(std::stoul(std::string(name).substr(dir.path().size() + 4, 4), nullptr, 16), 0x1a2bu);
  EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetTempFileNameA(dir.path().c_str(), "z", 0xbeef, name), 0xbeefu);
  EXPECT_TRUE(is_temp_name(name, dir.path(), "z")) << name;
}

TEST(FileNames, TempFileNameInAMissingDirectoryFails) {
  ScopedTempDir dir;
  char name[MAX_PATH] = {};
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetTempFileNameA((dir / "none").c_str(), "zeb", 0, name), 0u);
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  // A directory name with no room for a file name is refused; Windows says
  // ERROR_BUFFER_OVERFLOW (checked by the POSIX suite), Wine another code.
  const std::string long_directory = dir.path() + "\\" + std::string(MAX_PATH, 'd');
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetTempFileNameA(long_directory.c_str(), "zeb", 0, name), 0u);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
}

TEST(FileNames, OnlyTheCurrentDriveIsAFixedDisk) {
  ScopedTempDir dir;
  zeb::test::ScopedCurrentDir current(dir.path());
  const std::string drive = dir.path().substr(0, 3);  // "C:\"
  EXPECT_EQ(GetDriveTypeA(nullptr), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA(drive.c_str()), static_cast<UINT>(DRIVE_FIXED));
  std::string lower = drive;
  lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
  EXPECT_EQ(GetDriveTypeA(lower.c_str()), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  EXPECT_EQ(GetDriveTypeA("\\\\server\\share\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
