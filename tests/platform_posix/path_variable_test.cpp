// PATH as the POSIX layer keeps it: Windows form through the Win32 calls,
// POSIX form in the real environment that children and exec search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/scoped.h"

extern char** environ;

namespace zeb::test {
namespace {

// Saves the raw POSIX PATH and puts it back afterwards.
class PathVariableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* raw = std::getenv("PATH")) saved_ = raw;
  }
  void TearDown() override {
    for (const char* other : {"Path", "path"}) unsetenv(other);
    if (saved_) {
      setenv("PATH", saved_->c_str(), 1);
    } else {
      unsetenv("PATH");
    }
  }

  static std::string windows_path(const char* name = "PATH") {
    const DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) return "<unset>";
    std::vector<char> buffer(needed);
    const DWORD length = GetEnvironmentVariableA(name, buffer.data(), needed);
    EXPECT_EQ(length, needed - 1);
    return std::string(buffer.data(), length);
  }

  static std::string raw_path() {
    const char* raw = std::getenv("PATH");
    return raw != nullptr ? raw : "<unset>";
  }

  // The environment entries whose name is PATH in any case.
  static std::vector<std::string> path_names() {
    std::vector<std::string> names;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (strncasecmp(*entry, "PATH=", 5) == 0) names.emplace_back(*entry, 4);
    }
    return names;
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(PathVariableTest, ReadsThePosixListInWindowsForm) {
  const struct {
    const char* raw;
    const char* windows;
  } cases[] = {
      {"/usr/bin:/bin", "C:\\usr\\bin;C:\\bin"},    {"/", "C:\\"},
      {"/usr/local/bin/", "C:\\usr\\local\\bin\\"}, {"tools/bin:/bin", "tools\\bin;C:\\bin"},
      {"/bin::/usr/bin", "C:\\bin;.;C:\\usr\\bin"},
  };
  for (const auto& c : cases) {
    setenv("PATH", c.raw, 1);
    EXPECT_EQ(windows_path(), c.windows) << c.raw;
    EXPECT_EQ(windows_path("Path"), c.windows) << c.raw;
  }
}

TEST_F(PathVariableTest, StoresAWindowsListInPosixForm) {
  ScopedTempDir temp;
  const std::string upper_temp = [&] {
    std::string text = temp.path();
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
  }();
  const std::string host_temp = temp.host_path().string();
  const struct {
    std::string windows;
    std::string raw;
  } cases[] = {
      {"C:\\usr\\bin;C:\\bin", "/usr/bin:/bin"},
      // Existing directories get the names stored on disk.
      {"c:\\USR\\Bin;" + upper_temp, "/usr/bin:" + host_temp},
      // Empty entries are dropped: to POSIX they would mean ".".
      {";C:\\bin;;", "/bin"},
      // Directories that do not exist keep their place, as typed.
      {"C:\\No\\Such\\Dir\\;C:\\bin", "/No/Such/Dir/:/bin"},
      // Relative entries stay relative.
      {"tools\\bin;.", "tools/bin:."},
      // What has no POSIX counterpart is left out.
      {"D:\\other;\\\\server\\share\\bin;C:\\bin", "/bin"},
      {"\"C:\\usr\\bin\";C:\\bin", "/usr/bin:/bin"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(SetEnvironmentVariableA("Path", c.windows.c_str()));
    EXPECT_EQ(raw_path(), c.raw) << c.windows;
    EXPECT_EQ(path_names(), std::vector<std::string>{"PATH"}) << c.windows;
  }
}

TEST_F(PathVariableTest, ReadingAndWritingBackChangesNothing) {
  setenv("PATH", "/usr/local/bin:/usr/bin:/bin", 1);
  const std::string windows = windows_path();
  ASSERT_TRUE(SetEnvironmentVariableA("PATH", windows.c_str()));
  EXPECT_EQ(raw_path(), "/usr/local/bin:/usr/bin:/bin");
}

TEST_F(PathVariableTest, AValueSetThroughTheLayerReadsBackAsWritten) {
  // Entries POSIX cannot hold are dropped from the stored list, but the
  // program that set PATH reads back its own text, as on Windows.
  const char* const values[] = {"C:\\tools\\mingw\\bin\\;", "", "C:\\bin;;D:\\x;\\\\srv\\share"};
  for (const char* value : values) {
    ASSERT_TRUE(SetEnvironmentVariableA("PATH", value));
    EXPECT_EQ(windows_path(), value) << value;
  }
  // Once PATH is changed behind the layer's back, the POSIX list is what counts.
  ASSERT_TRUE(SetEnvironmentVariableA("PATH", "C:\\bin;"));
  setenv("PATH", "/usr/bin", 1);
  EXPECT_EQ(windows_path(), "C:\\usr\\bin");
}

TEST_F(PathVariableTest, EverySpellingIsOneVariable) {
  setenv("path", "/stale", 1);
  ASSERT_TRUE(SetEnvironmentVariableA("path", "C:\\bin"));
  EXPECT_EQ(path_names(), std::vector<std::string>{"PATH"});
  EXPECT_EQ(raw_path(), "/bin");
  ASSERT_TRUE(SetEnvironmentVariableA("Path", nullptr));
  EXPECT_TRUE(path_names().empty());
  EXPECT_EQ(GetEnvironmentVariableA("PATH", nullptr, 0), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
}

}  // namespace
}  // namespace zeb::test
