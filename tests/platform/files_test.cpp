// Win32 files: attributes, the read-only attribute, CreateFileA dispositions,
// lengths set through SetFilePointer/SetEndOfFile, and share modes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace {

using zeb::test::ScopedTempDir;

HANDLE open_file(const std::string& path, DWORD access, DWORD share, DWORD creation) {
  return CreateFileA(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The failure code of a CreateFileA that is expected to fail (0 if it opened).
DWORD open_error(const std::string& path, DWORD access, DWORD share, DWORD creation) {
  SetLastError(ERROR_SUCCESS);
  HANDLE h = open_file(path, access, share, creation);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return 0;
  }
  return GetLastError();
}

std::uintmax_t size_of(const ScopedTempDir& dir, const std::string& name) {
  std::error_code ec;
  return std::filesystem::file_size(dir.host(name), ec);
}

TEST(Files, AttributesTellFilesFromDirectoriesAndMissingPaths) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("f.txt"), "x");
  const DWORD file = GetFileAttributesA((dir / "f.txt").c_str());
  ASSERT_NE(file, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(file & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
  const DWORD directory = GetFileAttributesA(dir.path().c_str());
  ASSERT_NE(directory, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(directory & FILE_ATTRIBUTE_DIRECTORY, 0u);

  struct Case {
    std::string path;
    DWORD error;
  };
  const Case missing[] = {
      {dir / "none.txt", ERROR_FILE_NOT_FOUND},
      {dir / "none\\f.txt", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : missing) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetFileAttributesA(c.path.c_str()), INVALID_FILE_ATTRIBUTES) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST(Files, NamesMatchWhateverTheirCase) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("Mixed.Txt"), "stored");
  EXPECT_NE(GetFileAttributesA((dir / "MIXED.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
  // Re-creating under another case rewrites the same file, it adds none.
  HANDLE h = open_file(dir / "mixed.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(h);
  EXPECT_EQ(size_of(dir, "Mixed.Txt"), 0u);
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.host_path())) {
    EXPECT_EQ(entry.path().filename().string(), "Mixed.Txt");
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(Files, ReadOnlyFilesRefuseWritingAndDeletion) {
  ScopedTempDir dir;
  const std::string path = dir / "ro.txt";
  zeb::test::write_host_file(dir.host("ro.txt"), "keep");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

  // Opening for writing is refused as well (ERROR_ACCESS_DENIED) on Windows,
  // but Wine run by root lets the host's permissions decide, and root may
  // write anything; the POSIX suite holds the layer to the Windows rule.
  EXPECT_EQ(open_error(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(zeb::test::read_host_file(dir.host("ro.txt")), "keep");

  // Clearing the attribute gives writing and deletion back.
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(open_error(path, GENERIC_WRITE, 0, OPEN_EXISTING), 0u);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Files, CreateDispositionsAndTheirCodes) {
  ScopedTempDir dir;
  const std::string path = dir / "d.txt";
  EXPECT_EQ(open_error(path, GENERIC_READ, 0, OPEN_EXISTING), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(open_error(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(open_error(dir / "no\\d.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_PATH_NOT_FOUND);

  struct Step {
    DWORD creation;
    DWORD last_error;
  };
  // The file does not exist before the first step; each later step finds it.
  const Step steps[] = {
      {OPEN_ALWAYS, ERROR_SUCCESS},
      {OPEN_ALWAYS, ERROR_ALREADY_EXISTS},
      {CREATE_ALWAYS, ERROR_ALREADY_EXISTS},
  };
  for (const Step& step : steps) {
    SetLastError(ERROR_INVALID_FUNCTION);
    HANDLE h = open_file(path, GENERIC_READ | GENERIC_WRITE, 0, step.creation);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << step.creation;
    EXPECT_EQ(GetLastError(), step.last_error) << step.creation;
    CloseHandle(h);
  }
  EXPECT_EQ(open_error(path, GENERIC_WRITE, 0, CREATE_NEW), ERROR_FILE_EXISTS);
  EXPECT_EQ(open_error(dir.path(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), ERROR_ACCESS_DENIED);

  zeb::test::write_host_file(dir.host("d.txt"), "0123456789");
  EXPECT_EQ(open_error(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING), 0u);
  EXPECT_EQ(size_of(dir, "d.txt"), 0u);
  zeb::test::write_host_file(dir.host("d.txt"), "0123456789");
  EXPECT_EQ(open_error(path, GENERIC_READ, 0, CREATE_ALWAYS), 0u);
  EXPECT_EQ(size_of(dir, "d.txt"), 0u);
}

TEST(Files, ReadAndWriteMoveBytesThroughTheFilePointer) {
  ScopedTempDir dir;
  HANDLE h = open_file(dir / "rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD count = 0;
  ASSERT_TRUE(WriteFile(h, "hello world", 11, &count, nullptr));
  EXPECT_EQ(count, 11u);
  EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "world");
  // At the end a read succeeds with nothing.
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(count, 0u);
  CloseHandle(h);

  HANDLE reader = open_file(dir / "rw.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(count, 0u);
  CloseHandle(reader);
}

TEST(Files, SetFilePointerAndSetEndOfFileSetTheLength) {
  ScopedTempDir dir;
  zeb::test::write_host_file(dir.host("len.bin"), "0123456789");
  HANDLE h = open_file(dir / "len.bin", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);

  struct Step {
    LONG distance;
    DWORD method;
    DWORD position;
    bool cut;  // SetEndOfFile at the new position
    std::uintmax_t length;
  };
  const Step steps[] = {
      {4, FILE_BEGIN, 4, true, 4},
      {0, FILE_END, 4, false, 4},
      {96, FILE_CURRENT, 100, true, 100},
      {-30, FILE_END, 70, false, 100},
      {0, FILE_BEGIN, 0, true, 0},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(SetFilePointer(h, step.distance, nullptr, step.method), step.position) << step.distance;
    if (step.cut) {
      EXPECT_TRUE(SetEndOfFile(h));
    }
    EXPECT_EQ(size_of(dir, "len.bin"), step.length) << step.distance;
  }

  // A position before the start is refused and leaves the pointer alone.
  EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(SetFilePointer(h, -6, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 5u);

  // The high part reaches past 4 GiB without writing anything there.
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(h, 2, &high, FILE_BEGIN), 2u);
  EXPECT_EQ(high, 1);
  high = 0;
  EXPECT_EQ(SetFilePointer(h, 7, &high, FILE_BEGIN), 7u);
  EXPECT_EQ(high, 0);
  CloseHandle(h);

  // SetEndOfFile needs a handle that may write.
  HANDLE reader = open_file(dir / "len.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  // Windows reports ERROR_ACCESS_DENIED, Wine ERROR_INVALID_HANDLE; the
  // POSIX suite checks the Windows code.
  EXPECT_FALSE(SetEndOfFile(reader));
  CloseHandle(reader);
}

TEST(Files, ShareModeZeroHoldsTheFileUntilClosed) {
  ScopedTempDir dir;
  const std::string path = dir / "held.txt";
  zeb::test::write_host_file(dir.host("held.txt"), "held");
  HANDLE holder = open_file(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  EXPECT_EQ(open_error(path, GENERIC_READ, all, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(open_error(dir / "HELD.TXT", GENERIC_WRITE, all, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
  // CREATE_ALWAYS must not empty a held file before it is refused.
  EXPECT_EQ(open_error(path, GENERIC_WRITE, all, CREATE_ALWAYS), ERROR_SHARING_VIOLATION);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  errno = 0;
  EXPECT_EQ(zeb::platform::open_stream(path.c_str(), "rb"), nullptr);
  EXPECT_EQ(errno, EACCES);
  // Attributes are not file contents: they can still be read.
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_TRUE(CloseHandle(holder));
  // The refused CREATE_ALWAYS did not empty the file.
  EXPECT_EQ(zeb::test::read_host_file(dir.host("held.txt")), "held");
  EXPECT_EQ(open_error(path, GENERIC_READ, all, OPEN_EXISTING), 0u);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(Files, ShareModesAreWeighedBothWays) {
  ScopedTempDir dir;
  const std::string path = dir / "s.txt";
  zeb::test::write_host_file(dir.host("s.txt"), "s");
  HANDLE reader = open_file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  struct Case {
    DWORD access;
    DWORD share;
    DWORD error;
  };
  const Case cases[] = {
      {GENERIC_READ, FILE_SHARE_READ, 0},
      {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0},
      {GENERIC_WRITE, FILE_SHARE_READ, ERROR_SHARING_VIOLATION},  // the holder shares no writing
      {GENERIC_READ, FILE_SHARE_WRITE, ERROR_SHARING_VIOLATION},  // the newcomer shares no reading
  };
  for (const Case& c : cases) {
    EXPECT_EQ(open_error(path, c.access, c.share, OPEN_EXISTING), c.error) << c.access << " " << c.share;
  }
  CloseHandle(reader);
}

}  // namespace
