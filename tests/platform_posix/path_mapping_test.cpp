// Where Windows-form paths land on the POSIX tree, and PATH kept in Windows
// form for the Win32 calls but in POSIX form for children and exec.
#include "platform/posix/path_mapping.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "support/scoped.h"

extern char** environ;

namespace zeb::platform::posix {
namespace {

using test::ScopedTempDir;

std::string mapped(const std::string& windows_path) {
  std::string host = "<unchanged>";
  const DWORD error = host_path_for(windows_path, host);
  return error == ERROR_SUCCESS ? host : host + " error " + std::to_string(error);
}

TEST(PathMapping, DriveCIsTheRootAndNothingElseExists) {
  const struct {
    const char* windows;
    const char* host;
  } cases[] = {
      {"C:\\tmp", "/tmp"},
      {"c:/tmp", "/tmp"},
      {"\\tmp", "/tmp"},
      {"/tmp", "/tmp"},
      {"C:\\", "/"},
      {"C:\\..\\tmp\\.\\", "/tmp/"},
      {"D:\\tmp", "<unchanged> error 3"},
      {"z:tmp", "<unchanged> error 3"},
      {"\\\\server\\share\\x", "<unchanged> error 53"},
      {"//server/share", "<unchanged> error 53"},
      {"C:\\tmp\\a*b", "<unchanged> error 123"},
  };
  for (const auto& c : cases) EXPECT_EQ(mapped(c.windows), c.host) << c.windows;
  EXPECT_NE(GetFileAttributesA("c:/TMP") & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(GetFileAttributesA("D:\\tmp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  // What a POSIX user types is read the POSIX way.
  EXPECT_EQ(windows_path_from_typed("/home//me/x.zebc"), "C:\\home\\me\\x.zebc");
}

TEST(PathMapping, NamesTakeTheCaseStoredOnDiskAnExactMatchFirst) {
  ScopedTempDir dir;
  test::write_host_file(dir.host("abc"), "lower");
  test::write_host_file(dir.host("ABC"), "upper");
  test::write_host_file(dir.host("Mixed.C"), "");
  const std::string base = dir.host_path().string();
  EXPECT_EQ(mapped(dir / "abc"), base + "/abc");
  EXPECT_EQ(mapped(dir / "ABC"), base + "/ABC");
  EXPECT_EQ(mapped(dir / "Abc"), base + "/ABC");  // fixed by byte order, not the directory's
  EXPECT_EQ(mapped(dir / "MIXED.c"), base + "/Mixed.C");
  EXPECT_EQ(mapped(dir / "New.C"), base + "/New.C");  // kept as typed, so that it can be made
}

// Puts the raw POSIX PATH back, whatever a test did with it.
struct SavedPath {
  std::optional<std::string> raw;
  SavedPath() {
    if (const char* value = std::getenv("PATH")) raw = value;
  }
  ~SavedPath() { raw ? setenv("PATH", raw->c_str(), 1) : unsetenv("PATH"); }
};

std::string windows_path() {
  char buffer[1024];
  const DWORD length = GetEnvironmentVariableA("Path", buffer, sizeof buffer);
  return length < sizeof buffer ? std::string(buffer, length) : "<too long>";
}

// Every environment entry named PATH in any case, with its value.
std::string raw_paths() {
  std::string entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (strncasecmp(*entry, "PATH=", 5) == 0) entries += std::string(*entry) + "|";
  }
  return entries;
}

TEST(PathVariable, ConvertedBothWaysAndReadBackAsWritten) {
  SavedPath saved;
  const std::pair<const char*, const char*> reads[] = {
      {"/usr/bin:/bin", "C:\\usr\\bin;C:\\bin"},
      {"/usr/local/bin/:tools/bin", "C:\\usr\\local\\bin\\;tools\\bin"},
      {"/bin::/", "C:\\bin;.;C:\\"},
  };
  for (const auto& [raw, windows] : reads) {
    setenv("PATH", raw, 1);
    EXPECT_EQ(windows_path(), windows) << raw;
  }
  ScopedTempDir temp;
  std::string upper_temp = temp.path();
  for (char& ch : upper_temp) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  setenv("path", "/stale", 1);
  const std::pair<std::string, std::string> writes[] = {
      {"C:\\usr\\bin;C:\\bin", "/usr/bin:/bin"},
      // Existing directories take their stored names; others stay as typed.
      {"c:\\USR\\Bin;" + upper_temp + ";C:\\No\\Such\\",
       "/usr/bin:" + temp.host_path().string() + ":/No/Such/"},
      // Empty entries would mean "." to POSIX; other drives and shares have
      // no POSIX counterpart.
      {";C:\\bin;;D:\\other;\\\\server\\share\\bin;\"C:\\usr\\bin\"", "/bin:/usr/bin"},
      {"tools\\bin;.", "tools/bin:."},
  };
  for (const auto& [windows, raw] : writes) {
    ASSERT_TRUE(SetEnvironmentVariableA("Path", windows.c_str()));
    EXPECT_EQ(raw_paths(), "PATH=" + raw + "|") << windows;
    // The program that set PATH reads its own text back, as on Windows.
    EXPECT_EQ(windows_path(), windows);
  }
  // Once PATH is changed behind the layer's back, the POSIX list counts.
  setenv("PATH", "/usr/bin", 1);
  EXPECT_EQ(windows_path(), "C:\\usr\\bin");
  ASSERT_TRUE(SetEnvironmentVariableA("path", nullptr));
  EXPECT_EQ(raw_paths(), "");
}

}  // namespace
}  // namespace zeb::platform::posix
