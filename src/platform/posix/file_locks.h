// POSIX host: the byte-range locks of one file handle, held as Linux
// open-file-description locks on its descriptor, with the Windows rules those lack.
#pragma once

#include "platform/win32.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zeb::platform::posix {

// `length` bytes from `start`. A zero-length range holds no byte; Windows
// weighs it as the single point at `start` (the host locks that byte).
struct LockRange {
  std::uint64_t start = 0;
  std::uint64_t length = 0;
};

// The locks one handle holds. The host's locks already keep handles apart;
// the Windows rules among one handle's own locks are kept here: no exclusive
// lock over another of them, a shared lock allowed over its exclusive one,
// and unlocking by exact range, one lock at a time.
class HeldLocks {
 public:
  // Locks `range`, which must end at or before INT64_MAX (a zero-length range
  // counts one byte), through `fd`, the handle's descriptor: open for writing
  // for an exclusive lock, for reading for a shared one. With `wait` the call
  // blocks until the range is free, also of this handle's own locks in the
  // way (another thread may release them). Returns ERROR_SUCCESS;
  // ERROR_LOCK_VIOLATION when the range is held and `wait` is false; or the
  // host's error as a Win32 code.
  DWORD lock(int fd, LockRange range, bool exclusive, bool wait);

  // Releases the lock on exactly `range` (the exclusive one first when both
  // kinds name it). Returns ERROR_SUCCESS, or ERROR_NOT_LOCKED when this
  // handle holds no lock on that range.
  DWORD unlock(int fd, LockRange range);

 private:
  enum class Level { None, Shared, Exclusive };
  struct Held {
    LockRange range;
    bool exclusive;
  };

  Level level_over(std::uint64_t start, std::uint64_t end) const;
  int apply(int fd, std::uint64_t start, std::uint64_t end, bool wait) const;

  // Guards held_. It stays held while the host blocks on another handle's
  // lock, so that the handle's other lock calls wait their turn meanwhile.
  std::mutex mutex_;
  std::condition_variable released_;
  std::vector<Held> held_;
};

}  // namespace zeb::platform::posix
