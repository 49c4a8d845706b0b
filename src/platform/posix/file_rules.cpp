// POSIX host: the sharing table and deletion rules of Windows files.
// Opens are weighed pairwise, as Windows does: each side's access must be
// allowed by the other side's share mode.
#include "platform/posix/file_rules.h"

#include "platform/posix/path_mapping.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <map>
#include <mutex>

namespace zeb::platform::posix {
namespace {

struct Open {
  unsigned long id;
  DWORD access;
  DWORD share_mode;
};

struct Table {
  std::mutex lock;
  std::multimap<FileKey, Open> opens;
  unsigned long next_id = 1;
};

Table& table() {
  static Table* instance = new Table;  // file objects may close during static destruction
  return *instance;
}

// True when an open allowing `share_mode` tolerates another asking for `access`.
bool tolerates(DWORD share_mode, DWORD access) {
  if ((access & kAccessRead) != 0 && (share_mode & FILE_SHARE_READ) == 0) return false;
  if ((access & kAccessWrite) != 0 && (share_mode & FILE_SHARE_WRITE) == 0) return false;
  if ((access & kAccessDelete) != 0 && (share_mode & FILE_SHARE_DELETE) == 0) return false;
  return true;
}

DWORD check_locked(Table& t, const FileKey& key, DWORD access, DWORD share_mode) {
  const auto range = t.opens.equal_range(key);
  for (auto it = range.first; it != range.second; ++it) {
    const Open& other = it->second;
    if (!tolerates(other.share_mode, access) || !tolerates(share_mode, other.access)) {
      return ERROR_SHARING_VIOLATION;
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace

ShareHold::~ShareHold() {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  const auto range = t.opens.equal_range(key_);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second.id == id_) {
      t.opens.erase(it);
      return;
    }
  }
}

DWORD check_sharing(const FileKey& key, DWORD access, DWORD share_mode) {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return check_locked(t, key, access, share_mode);
}

DWORD acquire_sharing(const FileKey& key, DWORD access, DWORD share_mode,
                      std::unique_ptr<ShareHold>& hold) {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  const DWORD verdict = check_locked(t, key, access, share_mode);
  if (verdict != ERROR_SUCCESS) return verdict;
  const unsigned long id = t.next_id++;
  t.opens.emplace(key, Open{id, access, share_mode});
  hold = std::make_unique<ShareHold>(key, id);
  return ERROR_SUCCESS;
}

bool is_open(const FileKey& key) {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.opens.count(key) != 0;
}

bool is_running_image(const std::string& host_path) {
  // The kernel refuses to open a running program's file for writing; the
  // open changes nothing when it succeeds. Non-blocking, so that a FIFO
  // cannot hold the caller.
  const int fd = open(host_path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
    return false;
  }
  return errno == ETXTBSY;
}

DWORD check_deletable(const std::string& host_path, const FinalEntry& entry) {
  struct stat info {};
  if (final_lstat(host_path, entry, info) != 0) return error_from_errno(errno);
  if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
  // A symbolic link is deleted itself; its own mode bits mean nothing.
  if (!S_ISLNK(info.st_mode) && is_read_only(info)) return ERROR_ACCESS_DENIED;
  if (S_ISREG(info.st_mode) && is_running_image(host_path)) return ERROR_ACCESS_DENIED;
  // Deleting opens the file for delete access, sharing everything.
  return check_sharing(key_of(info), kAccessDelete,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

}  // namespace zeb::platform::posix
