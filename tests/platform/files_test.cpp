// Files: look-ups in any case reporting the stored names, attributes and
// read-only files, exclusive opens, moves, temporary file names.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "conformance_support.h"

namespace zeb::test {
namespace {

// The last error of a CreateFileA expected to fail; 0 when it opened.
DWORD open_error(const std::string& path, DWORD access, DWORD share, DWORD creation) {
  HANDLE h =
      CreateFileA(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return 0;
}

// The name FindFirstFileA reports, followed by a backslash for a directory or
// by the size for a file; or the error.
std::string found(const std::string& pattern) {
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return "error " + std::to_string(GetLastError());
  EXPECT_TRUE(FindClose(find));
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::string(data.cFileName) + "\\";
  return std::string(data.cFileName) + " " + std::to_string(data.nFileSizeLow);
}

TEST(Files, LookUpsIgnoreCaseAndReportStoredNames) {
  ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Projects/demo"));
  write_host_file(dir.host("Projects/demo/Test.ZebC"), "12345");
  const struct {
    std::string pattern;
    const char* found;
  } cases[] = {
      {dir / "PROJECTS", "Projects\\"},
      {dir / "projects/DEMO/TEST.ZEBC", "Test.ZebC 5"},
      {dir / "projects\\demo\\t*.ZEBC", "Test.ZebC 5"},
      {dir / "projects\\demo\\????.zebc", "Test.ZebC 5"},
      {dir / "projects\\demo\\x*", "error 2"},
      {dir / "none\\x.c", "error 3"},
  };
  for (const auto& c : cases) EXPECT_EQ(found(c.pattern), c.found) << c.pattern;
}

TEST(Files, ReadOnlyFilesRefuseDeletionUntilCleared) {
  ScopedTempDir dir;
  const std::string path = dir / "ro.txt";
  write_host_file(dir.host("ro.txt"), "keep");
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY),
            0u);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  // Opening for writing is refused too on Windows, but Wine run by root lets
  // the host's permissions decide, and root may write anything; the POSIX
  // suite holds the layer to the Windows rule.
  EXPECT_EQ(open_error(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(read_host_file(dir.host("ro.txt")), "keep");

  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(open_error(path, GENERIC_WRITE, 0, OPEN_EXISTING), 0u);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Files, ShareModeZeroHoldsTheFileUntilClosed) {
  ScopedTempDir dir;
  const std::string path = dir / "held.txt";
  write_host_file(dir.host("held.txt"), "held");
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  EXPECT_EQ(open_error(path, GENERIC_READ, all, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
  // Refused before it could empty the file.
  EXPECT_EQ(open_error(dir / "HELD.TXT", GENERIC_WRITE, all, CREATE_ALWAYS),
            ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  errno = 0;
  EXPECT_EQ(platform::open_stream(path.c_str(), "rb"), nullptr);
  EXPECT_EQ(errno, EACCES);

  EXPECT_TRUE(CloseHandle(holder));
  EXPECT_EQ(read_host_file(dir.host("held.txt")), "held");
  EXPECT_EQ(open_error(path, GENERIC_READ, all, OPEN_EXISTING), 0u);
}

// The whole content of a file, or "missing" when it cannot be opened.
std::string content_of(const std::string& path) {
  std::FILE* in = platform::open_stream(path.c_str(), "rb");
  if (in == nullptr) return "missing";
  std::string bytes;
  char chunk[256];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.append(chunk, got);
  std::fclose(in);
  return bytes;
}

TEST(Files, MovesReplaceOnlyWhatWindowsLetsThemReplace) {
  ScopedTempDir dir;
  std::filesystem::create_directory(dir.host("folder"));
  std::filesystem::create_directory(dir.host("empty"));
  write_host_file(dir.host("ro.txt"), "read-only");
  ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  const DWORD replace = MOVEFILE_REPLACE_EXISTING;
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const struct {
    const char* from;
    const char* to;
    DWORD flags;
    const char* held;  // open during the move, sharing `share`
    DWORD share;
    DWORD error;
  } cases[] = {
      {"new.txt", "old.txt", 0, nullptr, 0, ERROR_ALREADY_EXISTS},
      {"new.txt", "folder", replace, nullptr, 0, ERROR_ACCESS_DENIED},
      {"empty", "folder", replace, nullptr, 0, ERROR_ACCESS_DENIED},
      {"new.txt", "ro.txt", replace, nullptr, 0, ERROR_ACCESS_DENIED},
      {"new.txt", "old.txt", replace, "old.txt", all, ERROR_ACCESS_DENIED},  // whatever it shares
      {"new.txt", "old.txt", replace, "new.txt", all & ~FILE_SHARE_DELETE, ERROR_SHARING_VIOLATION},
      {"missing.txt", "old.txt", replace, nullptr, 0, ERROR_FILE_NOT_FOUND},
      {"new.txt", "none\\old.txt", replace, nullptr, 0, ERROR_PATH_NOT_FOUND},
      {"new.txt", "fresh.txt", 0, "new.txt", all, 0},
      {"new.txt", "OLD.TXT", replace | MOVEFILE_WRITE_THROUGH, nullptr, 0, 0},
  };
  for (const auto& c : cases) {
    // Wine replaces a read-only file.
    if (running_under_wine() && c.to == std::string("ro.txt")) continue;
    write_host_file(dir.host("new.txt"), "new");
    write_host_file(dir.host("old.txt"), "old");
    HANDLE held = c.held == nullptr ? INVALID_HANDLE_VALUE
                                    : CreateFileA((dir / c.held).c_str(), GENERIC_READ, c.share,
                                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const BOOL moved = MoveFileExA((dir / c.from).c_str(), (dir / c.to).c_str(), c.flags);
    EXPECT_EQ(moved ? 0u : GetLastError(), c.error) << c.from << " -> " << c.to;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(content_of(dir / "new.txt"), moved ? "missing" : "new") << c.to;
    EXPECT_EQ(content_of(dir / "old.txt"), moved && c.to[0] == 'O' ? "new" : "old") << c.to;
  }
  EXPECT_EQ(content_of(dir / "fresh.txt"), "new");
  EXPECT_EQ(content_of(dir / "ro.txt"), "read-only");
  // A name moved onto one in other letters, even its own, takes the letters
  // of the move; Wine keeps the stored ones.
  const bool wine = running_under_wine();
  EXPECT_EQ(found(dir / "old.txt"), wine ? "old.txt 3" : "OLD.TXT 3");
  ASSERT_TRUE(MoveFileExA((dir / "fresh.txt").c_str(), (dir / "Fresh.TXT").c_str(), 0));
  EXPECT_EQ(found(dir / "fresh.txt"), wine ? "fresh.txt 3" : "Fresh.TXT 3");
}

TEST(Files, TemporaryNamesAreMadeAndStepPastTakenOnes) {
  ScopedTempDir dir;
  // Windows writes four upper-case digits, Wine lower-case ones without
  // leading zeros.
  const char* format = running_under_wine() ? "zeb%x.tmp" : "zeb%04X.tmp";
  const auto name_of = [&](UINT number) {
    char text[16];
    std::snprintf(text, sizeof text, format, number);
    return dir / text;
  };
  char name[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameA((dir.path() + "\\").c_str(), "zebra", 0xbeef, name), 0xbeefu);
  EXPECT_EQ(name, name_of(0xbeef));
  EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);  // a given number makes no file
  // Calls within one tick of the clock start from the same number, so these
  // must step past the files the earlier ones made.
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(name_of(GetTempFileNameA(dir.path().c_str(), "zeb", 0, name)), name);
    EXPECT_NE(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 50u);
}

}  // namespace
}  // namespace zeb::test
