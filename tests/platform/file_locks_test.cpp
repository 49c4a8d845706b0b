// Byte-range locks: they belong to a handle, never stack an exclusive lock on
// one handle, unlock by exact range only, and end with the handle or the
// process that held them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "conformance_support.h"

namespace zeb::test {
namespace {

constexpr DWORD kExclusive = LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY;
constexpr DWORD kShared = LOCKFILE_FAIL_IMMEDIATELY;
// Steps that unlock, or close the handle, instead of locking.
constexpr DWORD kUnlock = 0xFFFFFFFFu;
constexpr DWORD kClose = 0xFFFFFFFEu;
constexpr std::uint64_t k4G = 1ull << 32;

HANDLE open_shared(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The last error of LockFileEx, UnlockFileEx (kUnlock) or CloseHandle (kClose); 0 on success.
DWORD lock_error(HANDLE file, DWORD flags, std::uint64_t offset = 0, DWORD length = 1) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  const BOOL done = flags == kClose    ? CloseHandle(file)
                    : flags == kUnlock ? UnlockFileEx(file, 0, length, 0, &at)
                                       : LockFileEx(file, flags, 0, length, 0, &at);
  return done ? 0u : GetLastError();
}

TEST(FileLocks, HandlesOfOneProcessLockAsWindowsHandlesDo) {
  ScopedTempDir dir;
  HANDLE handles[] = {open_shared(dir / "locked.bin"), open_shared(dir / "locked.bin"),
                      open_shared(dir / "locked.bin")};
  // Wine reports a range that is not locked as a lock violation.
  const DWORD not_locked = running_under_wine() ? ERROR_LOCK_VIOLATION : ERROR_NOT_LOCKED;
  const struct {
    int handle;
    DWORD flags;
    std::uint64_t offset;
    DWORD length;
    DWORD error;
  } steps[] = {
      {0, kExclusive, 5, 1, 0},
      {1, kExclusive, 5, 1, ERROR_LOCK_VIOLATION},
      {1, kShared, 4, 2, ERROR_LOCK_VIOLATION},
      {1, kExclusive, 6, 1, 0},
      {0, kExclusive, 5, 1, ERROR_LOCK_VIOLATION},  // no stacking on one handle
      {1, kExclusive, 7, 1, 0},
      {0, kExclusive, k4G + 7, 1, 0},  // the high part counts
      {0, kUnlock, 4, 2, not_locked},
      {0, kUnlock, 5, 1, 0},
      {0, kUnlock, 5, 1, not_locked},
      {1, kExclusive, 5, 1, 0},
      {0, kExclusive, 1000000, 10, 0},  // past the end
      // A shared lock may lie on the same handle's exclusive one, which is
      // unlocked first; nothing may lie on a shared one.
      {0, kExclusive, 10, 10, 0},
      {0, kShared, 10, 10, 0},
      {1, kShared, 10, 1, ERROR_LOCK_VIOLATION},
      {0, kUnlock, 10, 10, 0},
      {1, kShared, 10, 1, 0},
      {1, kExclusive, 15, 1, ERROR_LOCK_VIOLATION},
      {0, kExclusive, 12, 1, ERROR_LOCK_VIOLATION},
      {0, kUnlock, 10, 10, 0},
      // A zero-length range holds its point against every handle.
      {2, kExclusive, 100, 0, 0},
      {2, kExclusive, 98, 4, ERROR_LOCK_VIOLATION},
      {1, kShared, 99, 2, ERROR_LOCK_VIOLATION},
      {2, kUnlock, 100, 0, 0},
      {1, kExclusive, 100, 10, 0},
      // Closing a handle releases what it held.
      {1, kExclusive, k4G + 7, 1, ERROR_LOCK_VIOLATION},
      {0, kClose, 0, 0, 0},
      {1, kExclusive, k4G + 7, 1, 0},
      {1, kExclusive, 1000000, 10, 0},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(lock_error(handles[s.handle], s.flags, s.offset, s.length), s.error)
        << s.handle << " " << s.flags << " " << s.offset << "," << s.length;
  }
  CloseHandle(handles[1]);
  CloseHandle(handles[2]);
}

TEST(FileLocks, AWaitOnTheHandlesOwnLockEndsWithItsUnlock) {
  ScopedTempDir dir;
  HANDLE file = open_shared(dir / "locked.bin");
  ASSERT_EQ(lock_error(file, kExclusive), 0u);
  std::atomic<bool> unlocking{false};
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    unlocking = true;
    EXPECT_EQ(lock_error(file, kUnlock), 0u);
  });
  EXPECT_EQ(lock_error(file, LOCKFILE_EXCLUSIVE_LOCK), 0u);
  EXPECT_TRUE(unlocking);
  other.join();
  CloseHandle(file);
}

TEST(FileLocks, ALockEndsWithTheProcessThatHeldIt) {
  ScopedTempDir dir;
  const std::string path = dir / "locked.bin", locked = dir / "locked", ending = dir / "ending";
  HANDLE file = open_shared(path);
  std::string line = child_command("child_lock_holder");
  for (const std::string& name : {path, locked, ending}) line += " \"" + name + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));
  for (int tries = 0; tries < 4000 && GetFileAttributesA(locked.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(lock_error(file, kExclusive, 5), ERROR_LOCK_VIOLATION);
  // The child never unlocks: the wait ends with the child, after its last file.
  EXPECT_EQ(lock_error(file, LOCKFILE_EXCLUSIVE_LOCK, 5), 0u);
  EXPECT_NE(GetFileAttributesA(ending.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(file);
}

}  // namespace
}  // namespace zeb::test
