// Win32 named directories and the computer name: what they report and their
// buffer contracts.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

using zeb::test::ScopedEnvVar;
using zeb::test::ScopedTempDir;

std::string temp_path() {
  char buffer[1024] = {};
  const DWORD length = GetTempPathA(sizeof buffer, buffer);
  return length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool is_directory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The three queries share one contract: the length written, or, when the
// buffer cannot hold the text and its terminator, nothing written and the
// size needed, terminator included.
TEST(SystemDirectories, NamedDirectoriesExistAndKeepTheBufferContract) {
  using Query = UINT (*)(char*, UINT);
  const Query queries[] = {
      [](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); },
      [](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); },
      [](char* buffer, UINT size) { return static_cast<UINT>(GetTempPathA(size, buffer)); },
  };
  for (const Query query : queries) {
    char buffer[1024];
    const UINT length = query(buffer, sizeof buffer);
    ASSERT_GT(length, 3u);
    ASSERT_LT(length, sizeof buffer);
    const std::string text(buffer, length);
    EXPECT_EQ(text.substr(1, 2), ":\\") << text;
    EXPECT_TRUE(is_directory(text)) << text;

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(query(buffer, length), length + 1) << text;
    EXPECT_EQ(buffer[0], '#') << text;
    EXPECT_EQ(query(nullptr, 0), length + 1) << text;
    EXPECT_EQ(query(buffer, length + 1), length) << text;
    EXPECT_EQ(std::string(buffer), text);
  }
}

TEST(SystemDirectories, TempPathFollowsTmpThenTemp) {
  ScopedTempDir tmp;
  ScopedTempDir temp;
  {
    ScopedEnvVar a("TMP", tmp.path());
    ScopedEnvVar b("TEMP", temp.path());
    EXPECT_EQ(temp_path(), tmp.path() + "\\");
  }
  {
    ScopedEnvVar a("TMP", std::nullopt);
    ScopedEnvVar b("TEMP", temp.path() + "\\");
    EXPECT_EQ(temp_path(), temp.path() + "\\");
  }
  {
    // The value is made a full path; the directory need not exist.
    zeb::test::ScopedCurrentDir current(tmp.path());
    ScopedEnvVar a("TMP", "later/../Later");
    EXPECT_EQ(temp_path(), tmp.path() + "\\Later\\");
  }
}

TEST(SystemDirectories, ComputerNameIsShortAndUpperCase) {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  const std::string text(name);
  EXPECT_EQ(size, text.size());
  EXPECT_GT(size, 0u);
  EXPECT_LE(size, static_cast<DWORD>(MAX_COMPUTERNAME_LENGTH));
  for (char c : text) EXPECT_FALSE(c >= 'a' && c <= 'z') << text;

  char small[1] = {'#'};
  DWORD small_size = sizeof small;
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(GetComputerNameA(small, &small_size));
  EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(small_size, text.size() + 1);
}

}  // namespace
