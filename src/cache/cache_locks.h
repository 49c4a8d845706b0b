// Locks that keep overlapping runs of one installation apart. They are byte
// ranges of one lock file beside the registry, so they die with the process
// that holds them, however it ends:
//  - the installation lock (byte kInstallationLockOffset) guards the files
//    every run shares: the capture file during the toolchain check and the
//    copy of a compile's messages, and the registry;
//  - an entry lock (byte kEntryLockBase + cache key) guards one cache entry
//    from its freshness check through compile and stamp, so that a second
//    run of the same source waits and then finds it fresh, while runs of
//    other sources go on at the same time.
// No lock is held while a compiled program runs. A run that holds an entry
// lock may take the installation lock; nothing takes them the other way
// round while waiting, so no two runs can wait for each other.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win32.h"

namespace zeb::cache {

inline constexpr char kLockFileName[] = "zeb_c.lck";
inline constexpr std::uint64_t kInstallationLockOffset = 0;
// Above every byte a 32-bit offset can name, one byte per cache key.
inline constexpr std::uint64_t kEntryLockBase = std::uint64_t{1} << 32;

// One held byte of the lock file, released when it goes out of scope or by
// release(). The lock file itself stays open for the rest of the process; a
// process that ends, however, releases everything it held.
class CacheLock {
 public:
  enum class State {
    Held,         // this run holds it
    Busy,         // another run holds it (only from try_lock_entry)
    Unavailable,  // the lock file cannot be opened or locked: nobody is kept out
  };

  CacheLock() = default;
  CacheLock(HANDLE file, std::uint64_t offset, State state);
  ~CacheLock();
  CacheLock(CacheLock&& other) noexcept;
  CacheLock& operator=(CacheLock&& other) noexcept;
  CacheLock(const CacheLock&) = delete;
  CacheLock& operator=(const CacheLock&) = delete;

  State state() const { return state_; }
  void release();

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::uint64_t offset_ = 0;
  State state_ = State::Unavailable;
};

// Opens the lock file of the installation in `base_directory` (created when
// missing) and keeps it open for the locks the run takes later; false when it
// cannot be opened for writing, which tells that this user cannot write there.
bool open_lock_file(std::string_view base_directory);

// The installation lock of the installation in `base_directory` (Windows
// form, with or without its final backslash); waits for it. The lock file is
// created when missing and never deleted. Unavailable when the file cannot
// be opened (an installation nobody can write to): the run then goes on
// unguarded, as it would alone.
CacheLock lock_installation(std::string_view base_directory);

// The entry lock of cache key `key`; waits for it.
CacheLock lock_entry(std::string_view base_directory, std::uint32_t key);

// The entry lock of cache key `key` without waiting: Busy when another run
// holds it.
CacheLock try_lock_entry(std::string_view base_directory, std::uint32_t key);

}  // namespace zeb::cache
