#include "cache/cache_locks.h"

#include <functional>
#include <map>
#include <string>
#include <utility>

namespace zeb::cache {
namespace {

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  where.hEvent = nullptr;
  return where;
}

// The lock file of an installation, opened once per process and kept open:
// every lock of the run is a byte range of this one handle, so a run opens
// the file once however many locks it takes. Null when it cannot be opened.
HANDLE lock_file_of(std::string_view base_directory) {
  static std::map<std::string, HANDLE, std::less<>> files;
  // One entry however the directory is written, with or without its final
  // backslash: the choice of the state directory and the locks of the run
  // then share one open.
  if (!base_directory.empty() && base_directory.back() == '\\') base_directory.remove_suffix(1);
  if (const auto known = files.find(base_directory); known != files.end()) return known->second;
  std::string path(base_directory);
  path += '\\';
  path += kLockFileName;
  // Every run opens it for reading and writing and lets the others do the
  // same; its bytes are never read or written, only locked.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  files.emplace(std::string(base_directory), file);
  return file;
}

CacheLock lock_byte(std::string_view base_directory, std::uint64_t offset, bool wait) {
  const HANDLE file = lock_file_of(base_directory);
  if (file == nullptr) return {};
  OVERLAPPED where = at(offset);
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (LockFileEx(file, flags, 0, 1, 0, &where)) return {file, offset, CacheLock::State::Held};
  return {INVALID_HANDLE_VALUE, offset,
          GetLastError() == ERROR_LOCK_VIOLATION ? CacheLock::State::Busy : CacheLock::State::Unavailable};
}

}  // namespace

CacheLock::CacheLock(HANDLE file, std::uint64_t offset, State state)
    : file_(file), offset_(offset), state_(state) {}

CacheLock::~CacheLock() { release(); }

CacheLock::CacheLock(CacheLock&& other) noexcept
    : file_(std::exchange(other.file_, INVALID_HANDLE_VALUE)),
      offset_(other.offset_),
      state_(std::exchange(other.state_, State::Unavailable)) {}

CacheLock& CacheLock::operator=(CacheLock&& other) noexcept {
  if (this != &other) {
    release();
    file_ = std::exchange(other.file_, INVALID_HANDLE_VALUE);
    offset_ = other.offset_;
    state_ = std::exchange(other.state_, State::Unavailable);
  }
  return *this;
}

void CacheLock::release() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  OVERLAPPED where = at(offset_);
  UnlockFileEx(file_, 0, 1, 0, &where);
  file_ = INVALID_HANDLE_VALUE;
  state_ = State::Unavailable;
}

bool open_lock_file(std::string_view base_directory) { return lock_file_of(base_directory) != nullptr; }

CacheLock lock_installation(std::string_view base_directory) {
  return lock_byte(base_directory, kInstallationLockOffset, true);
}

CacheLock lock_entry(std::string_view base_directory, std::uint32_t key) {
  return lock_byte(base_directory, kEntryLockBase + key, true);
}

CacheLock try_lock_entry(std::string_view base_directory, std::uint32_t key) {
  return lock_byte(base_directory, kEntryLockBase + key, false);
}

}  // namespace zeb::cache
