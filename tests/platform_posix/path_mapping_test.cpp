// Where Windows-form paths land on the POSIX tree, kept directory listings
// that never go stale, and PATH kept in Windows form for the Win32 calls but
// in POSIX form for children and exec.
#include "platform/posix/path_mapping.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "support/scoped.h"

extern char** environ;

namespace zeb::platform::posix {
namespace {

std::string mapped(const std::string& windows_path) {
  std::string host = "<unchanged>";
  const DWORD error = host_path_for(windows_path, host);
  return error == ERROR_SUCCESS ? host : host + " error " + std::to_string(error);
}

// Names take the case stored on disk, an exact match first, and a name that
// does not exist is kept as typed, so that it can be made. (Drive C: as the
// root, the paths refused, "." and ".." are held against the Windows rules by
// fuzz/path_mapping.cpp.)
TEST(PathMapping, NamesTakeTheStoredCaseAnExactMatchFirst) {
  test::ScopedTempDir dir;
  for (const char* name : {"aBc", "ABC", "abc", "Mixed.C"}) test::write_host_file(dir.host(name), name);
  const std::string base = dir.host_path().string();
  const std::pair<std::string, std::string> cases[] = {
      {dir / "abc", base + "/abc"}, {dir / "ABC", base + "/ABC"},
      {dir / "Abc", base + "/ABC"},  // fixed by byte order, not the directory's
      {dir / "MIXED.c", base + "/Mixed.C"}, {dir / "New.C", base + "/New.C"}};
  for (const auto& [windows, host] : cases) EXPECT_EQ(mapped(windows), host) << windows;
}

// A name that does not exist as typed may be looked for in a listing of its
// directory read earlier: every change of the directory, even one made behind
// the layer's back within the same clock tick, must show in the very next
// look-up. (The layer's own changes also drop every listing; the directory's
// times, checked here, catch them first.) A listing is kept only once the
// directory's times lie safely in the past: waiting lets the next reading be
// kept, so that the look-up after a change is one a stale listing would answer.
TEST(KeptListings, NamesChangedBehindTheLayerShowAtOnce) {
  test::ScopedTempDir dir;
  const std::string typed = dir / "data.txt", host = dir.host_path().string() + "/";
  for (const char* stored : {"DATA.TXT", "Data.txt", "data.TXT"}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(mapped(typed), host + "data.txt");
    // Another process makes the name in other letters, within the same tick.
    test::write_host_file(dir.host(stored), "x");
    EXPECT_EQ(mapped(typed), host + stored);
    EXPECT_NE(GetFileAttributesA(typed.c_str()), INVALID_FILE_ATTRIBUTES) << stored;

    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(mapped(typed), host + stored);
    std::filesystem::remove(dir.host(stored));
    EXPECT_EQ(mapped(typed), host + "data.txt");
    EXPECT_EQ(GetFileAttributesA(typed.c_str()), INVALID_FILE_ATTRIBUTES) << stored;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
}

// PATH as the Win32 calls read it; then every environment entry named PATH
// in any case, as children and exec see them.
std::string both_paths() {
  char buffer[1024];
  const DWORD length = GetEnvironmentVariableA("Path", buffer, sizeof buffer);
  std::string both = length < sizeof buffer ? std::string(buffer, length) : "<too long>";
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (strncasecmp(*entry, "PATH=", 5) == 0) both += std::string(" | ") + *entry;
  }
  return both;
}

TEST(PathVariable, ConvertedBothWaysAndReadBackAsWritten) {
  test::ScopedEnvVar saved("PATH", "C:\\bin");  // puts PATH back, whatever the test does with it
  const std::pair<const char*, const char*> reads[] = {
      {"/bin::/", "C:\\bin;.;C:\\"}, {"/usr/local/bin/:tools/bin", "C:\\usr\\local\\bin\\;tools\\bin"}};
  for (const auto& [raw, windows] : reads) {
    setenv("PATH", raw, 1);
    EXPECT_EQ(both_paths(), windows + std::string(" | PATH=") + raw);
  }
  test::ScopedTempDir temp;
  std::string upper_temp = temp.path();
  for (char& ch : upper_temp) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  setenv("path", "/stale", 1);
  // The program that set PATH reads its own text back, as on Windows.
  const std::pair<std::string, std::string> writes[] = {
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
    EXPECT_EQ(both_paths(), windows + " | PATH=" + raw);
  }
  // Once PATH is changed behind the layer's back, the POSIX list counts.
  setenv("PATH", "/usr/bin", 1);
  EXPECT_EQ(both_paths(), "C:\\usr\\bin | PATH=/usr/bin");
  ASSERT_TRUE(SetEnvironmentVariableA("path", nullptr));
  EXPECT_EQ(both_paths(), "");
}

// A directory added in front of (or around) the PATH read leaves the host's
// own entries as they were, byte for byte, even those no Windows name can
// carry.
TEST(PathVariable, TheHostsEntriesSurviveADirectoryAdded) {
  test::ScopedEnvVar saved("PATH", "C:\\bin");
  const std::string raw = "/opt/a;b:/x/tools.:/y/x*y:/z/bell\a:rel/bin::/usr/bin";
  setenv("PATH", raw.c_str(), 1);
  char buffer[1024];
  const DWORD length = GetEnvironmentVariableA("PATH", buffer, sizeof buffer);
  ASSERT_LT(length, sizeof buffer);
  const std::string shown(buffer, length);
  const std::pair<std::string, std::string> writes[] = {
      {"C:\\zeb\\mingw\\bin\\;" + shown, "/zeb/mingw/bin/:" + raw},
      {shown + ";C:\\after", raw + ":/after"},
      {"C:\\first;" + shown + ";C:\\after", "/first:" + raw + ":/after"},
      {shown, raw},
  };
  for (const auto& [windows, expected] : writes) {
    ASSERT_TRUE(SetEnvironmentVariableA("PATH", windows.c_str()));
    EXPECT_EQ(std::getenv("PATH"), expected) << windows;
    setenv("PATH", raw.c_str(), 1);
    ASSERT_EQ(GetEnvironmentVariableA("PATH", buffer, sizeof buffer), length);
  }
  // Only whole entries count: with a longer last entry the list is another
  // one, converted entry by entry.
  ASSERT_TRUE(SetEnvironmentVariableA("PATH", ("C:\\zeb;" + shown + "x").c_str()));
  EXPECT_EQ(std::string(std::getenv("PATH")).find(raw), std::string::npos);
}

// The user's data directory is POSIX's cache directory of the user, until
// something sets LOCALAPPDATA itself. (An absolute XDG_CACHE_HOME, an empty
// one, and HOME are met end to end.)
TEST(UserDataDirectory, OnlyAnAbsoluteXdgCacheHomeOrAHomeCounts) {
  test::ScopedEnvVar local("LOCALAPPDATA", std::nullopt);
  test::ScopedEnvVar cache("XDG_CACHE_HOME", "relative/cache");
  const auto read = [] {
    char buffer[512];
    const DWORD length = GetEnvironmentVariableA("LocalAppData", buffer, sizeof buffer);
    return length == 0 ? "<none " + std::to_string(GetLastError()) + ">" : std::string(buffer, length);
  };
  using Home = std::pair<std::optional<std::string>, std::string>;  // HOME, and the directory it gives
  for (const auto& [home, expected] : {Home{"/home/me", "C:\\home\\me\\.cache"},
                                       Home{std::nullopt, "<none " + std::to_string(ERROR_ENVVAR_NOT_FOUND) + ">"}}) {
    test::ScopedEnvVar scoped_home("HOME", home);
    EXPECT_EQ(read(), expected);
  }
  ASSERT_TRUE(SetEnvironmentVariableA("LOCALAPPDATA", "C:\\elsewhere"));
  EXPECT_EQ(read(), "C:\\elsewhere");
}

}  // namespace
}  // namespace zeb::platform::posix
