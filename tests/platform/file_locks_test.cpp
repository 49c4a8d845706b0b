// Byte-range locks as zeb_c takes them (exclusive, one byte): they belong to a
// handle, never stack on one handle, unlock by exact range only, and end with
// the handle or the process that held them; meanwhile a timed wait for that
// process times out.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>

#include "conformance_support.h"

namespace zeb::test {
namespace {

constexpr DWORD kExclusive = LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY;
// Steps that unlock, or close the handle, instead of locking.
constexpr DWORD kUnlock = 0xFFFFFFFFu;
constexpr DWORD kClose = 0xFFFFFFFEu;
constexpr std::uint64_t k4G = 1ull << 32;

HANDLE open_shared(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_ALWAYS, 0, nullptr);
}

// The last error of LockFileEx, UnlockFileEx (kUnlock) or CloseHandle (kClose); 0 on success.
DWORD lock_error(HANDLE file, DWORD flags, std::uint64_t offset = 5, DWORD length = 1) {
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
  HANDLE handles[] = {open_shared(dir / "locked.bin"), open_shared(dir / "locked.bin")};
  // Wine reports a range that is not locked as a lock violation.
  const DWORD not_locked = running_under_wine() ? ERROR_LOCK_VIOLATION : ERROR_NOT_LOCKED;
  const DWORD refused = ERROR_LOCK_VIOLATION;
  // The handle, what it does, the range, and the error it meets.
  const std::tuple<int, DWORD, std::uint64_t, DWORD, DWORD> steps[] = {
      // Another handle's lock, and the same handle's, refuse an exclusive one;
      // the neighbouring byte is free, and the offset's high part counts.
      {0, kExclusive, 5, 1, 0}, {1, kExclusive, 5, 1, refused}, {1, kExclusive, 6, 1, 0},
      {0, kExclusive, 5, 1, refused}, {0, kExclusive, k4G + 5, 1, 0},
      // Unlocking takes the exact range only.
      {0, kUnlock, 4, 2, not_locked}, {0, kUnlock, 5, 1, 0}, {0, kUnlock, 5, 1, not_locked},
      {1, kExclusive, 5, 1, 0},
      // Closing a handle releases what it held.
      {1, kExclusive, k4G + 5, 1, refused}, {0, kClose, 0, 0, 0}, {1, kExclusive, k4G + 5, 1, 0}};
  for (const auto& [handle, flags, offset, length, error] : steps) {
    EXPECT_EQ(lock_error(handles[handle], flags, offset, length), error)
        << handle << " " << flags << " " << offset << "," << length;
  }
  CloseHandle(handles[1]);
}

// The child locks byte 5, makes `locked`, sleeps 300 ms, makes `ending` and
// ends without unlocking.
TEST(FileLocks, WaitsTimeOutWhileAChildHoldsALockThatEndsWithIt) {
  ScopedTempDir dir;
  const std::string path = dir / "locked.bin", locked = dir / "locked", ending = dir / "ending";
  HANDLE file = open_shared(path);
  const PROCESS_INFORMATION child = start(child_command("child_lock_holder") + " \"" + path +
                                          "\" \"" + locked + "\" \"" + ending + "\"");
  for (int tries = 0; tries < 4000 && GetFileAttributesA(locked.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(lock_error(file, kExclusive), ERROR_LOCK_VIOLATION);
  // A wait that times out lasts its time, and the child is still running.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 100), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(90));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(child.hProcess, &code) && code == STILL_ACTIVE) << code;
  // The wait for the lock ends with the child, after its last file.
  EXPECT_EQ(lock_error(file, LOCKFILE_EXCLUSIVE_LOCK), 0u);
  EXPECT_NE(GetFileAttributesA(ending.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(finish(child), 0u);
  CloseHandle(file);
}

}  // namespace
}  // namespace zeb::test
