// POSIX host: Win32 LockFileEx and UnlockFileEx on Linux open-file-description
// locks, which belong to one handle's descriptor and die with it or with the process.
#include "platform/posix/file_locks.h"

#include "platform/posix/files.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_mapping.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>

namespace zeb::platform::posix {
namespace {

// Host file offsets are signed 64-bit numbers; no lock may end past the
// largest of them.
constexpr std::uint64_t kHostOffsetLimit = std::numeric_limits<std::int64_t>::max();

std::uint64_t end_of(const LockRange& range) { return range.start + range.length; }

// Where the host's lock for a range ends. A zero-length range holds no byte,
// yet Windows refuses a lock over its point by another handle as by its own,
// so the host locks that byte for it.
std::uint64_t host_end_of(const LockRange& range) {
  return range.start + std::max<std::uint64_t>(range.length, 1);
}

// Whether two ranges share a byte; a zero-length range is the point at its
// start, which meets a range holding that byte but never another point.
bool overlaps(const LockRange& a, const LockRange& b) {
  if (a.length == 0 && b.length == 0) return false;
  if (a.length == 0) return b.start <= a.start && a.start < end_of(b);
  if (b.length == 0) return a.start <= b.start && b.start < end_of(a);
  return a.start < end_of(b) && b.start < end_of(a);
}

// Sets the host lock of `type` on [start, end); 0 or the errno value.
int set_host_lock(int fd, short type, std::uint64_t start, std::uint64_t end, bool wait) {
  struct flock request {};
  request.l_type = type;
  request.l_whence = SEEK_SET;
  request.l_start = static_cast<off_t>(start);
  request.l_len = static_cast<off_t>(end - start);
  request.l_pid = 0;  // open-file-description locks require it
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &request) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

DWORD refusal_of(int error) {
  return error == EAGAIN || error == EACCES || error == EDEADLK ? ERROR_LOCK_VIOLATION
                                                                : error_from_errno(error);
}

// The range an OVERLAPPED start and a split length name; false when the host
// cannot represent it.
bool lock_range(const OVERLAPPED& at, DWORD low, DWORD high, LockRange& range) {
  range.start = (static_cast<std::uint64_t>(at.OffsetHigh) << 32) | at.Offset;
  range.length = (static_cast<std::uint64_t>(high) << 32) | low;
  const std::uint64_t reach = std::max<std::uint64_t>(range.length, 1);
  return range.start <= kHostOffsetLimit && reach <= kHostOffsetLimit - range.start;
}

}  // namespace

HeldLocks::Level HeldLocks::level_over(std::uint64_t start, std::uint64_t end) const {
  Level level = Level::None;
  for (const Held& held : held_) {
    if (held.range.start > start || host_end_of(held.range) < end) continue;
    level = std::max(level, held.exclusive ? Level::Exclusive : Level::Shared);
  }
  return level;
}

// Makes the host's locks on [start, end) what the held ranges call for:
// exclusive where an exclusive one lies, shared where only shared ones lie,
// none elsewhere. Piece by piece, since the handle's exclusive locks must not
// be turned into shared ones under a shared lock laid over them.
int HeldLocks::apply(int fd, std::uint64_t start, std::uint64_t end, bool wait) const {
  std::vector<std::uint64_t> cuts = {start, end};
  for (const Held& held : held_) {
    for (const std::uint64_t edge : {held.range.start, host_end_of(held.range)}) {
      if (edge > start && edge < end) cuts.push_back(edge);
    }
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  static constexpr short kHostType[] = {F_UNLCK, F_RDLCK, F_WRLCK};
  for (std::size_t first = 0; first + 1 < cuts.size();) {
    const Level level = level_over(cuts[first], cuts[first + 1]);
    std::size_t last = first + 1;
    while (last + 1 < cuts.size() && level_over(cuts[last], cuts[last + 1]) == level) ++last;
    const int error =
        set_host_lock(fd, kHostType[static_cast<int>(level)], cuts[first], cuts[last], wait);
    if (error != 0) return error;
    first = last;
  }
  return 0;
}

DWORD HeldLocks::lock(int fd, LockRange range, bool exclusive, bool wait) {
  std::unique_lock<std::mutex> guard(mutex_);
  // Windows refuses an exclusive lock over any lock of the same handle, and a
  // waiting caller waits for that handle's own unlock, as for anyone else's.
  const auto clashes = [&] {
    return exclusive && std::any_of(held_.begin(), held_.end(),
                                    [&](const Held& held) { return overlaps(held.range, range); });
  };
  if (clashes()) {
    if (!wait) return ERROR_LOCK_VIOLATION;
    released_.wait(guard, [&] { return !clashes(); });
  }
  held_.push_back(Held{range, exclusive});
  const int error = apply(fd, range.start, host_end_of(range), wait);
  if (error != 0) {
    held_.pop_back();
    // Back to what the other held ranges call for; that only lowers locks,
    // which the host never refuses.
    apply(fd, range.start, host_end_of(range), false);
    return refusal_of(error);
  }
  return ERROR_SUCCESS;
}

DWORD HeldLocks::unlock(int fd, LockRange range) {
  std::lock_guard<std::mutex> guard(mutex_);
  // The earliest lock on the range goes: where two name it, the exclusive one
  // came first, since none may be laid over a shared one.
  const auto match = std::find_if(held_.begin(), held_.end(), [&](const Held& held) {
    return held.range.start == range.start && held.range.length == range.length;
  });
  if (match == held_.end()) return ERROR_NOT_LOCKED;
  held_.erase(match);
  const int error = apply(fd, range.start, host_end_of(range), false);
  released_.notify_all();
  return error == 0 ? ERROR_SUCCESS : error_from_errno(error);
}

}  // namespace zeb::platform::posix

using namespace zeb::platform::posix;

BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD bytes_low, DWORD bytes_high,
                LPOVERLAPPED overlapped) {
  auto* object = lookup_as<FileObject>(file);
  if (object == nullptr) return FALSE;
  LockRange range;
  if (reserved != 0 || overlapped == nullptr ||
      !lock_range(*overlapped, bytes_low, bytes_high, range)) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  const bool exclusive = (flags & LOCKFILE_EXCLUSIVE_LOCK) != 0;
  // Windows lets either access take either lock; the host needs write access
  // for an exclusive lock and read access for a shared one.
  if (exclusive ? !object->can_write() : !object->can_read()) return fail(ERROR_ACCESS_DENIED);
  const bool wait = (flags & LOCKFILE_FAIL_IMMEDIATELY) == 0;
  const DWORD result = object->locks().lock(object->descriptor(), range, exclusive, wait);
  return result == ERROR_SUCCESS ? TRUE : fail(result);
}

BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD bytes_low, DWORD bytes_high,
                  LPOVERLAPPED overlapped) {
  auto* object = lookup_as<FileObject>(file);
  if (object == nullptr) return FALSE;
  if (reserved != 0 || overlapped == nullptr) return fail(ERROR_INVALID_PARAMETER);
  // A range the host cannot represent was never locked, so it is looked for
  // all the same and not found.
  LockRange range;
  lock_range(*overlapped, bytes_low, bytes_high, range);
  const DWORD result = object->locks().unlock(object->descriptor(), range);
  return result == ERROR_SUCCESS ? TRUE : fail(result);
}
