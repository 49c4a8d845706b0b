// POSIX host: the Windows rules for opening and deleting files that POSIX
// itself does not enforce: the read-only attribute (the owner-write bit, also
// for root), share modes between opens made through this layer, and a running
// program's file, which stays in place.
#pragma once

#include "platform/posix/path_mapping.h"
#include "platform/win32.h"

#include <compare>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace zeb::platform::posix {

// Kinds of access an open asks for, as the sharing rule weighs them.
inline constexpr DWORD kAccessRead = 1;
inline constexpr DWORD kAccessWrite = 2;
inline constexpr DWORD kAccessDelete = 4;

// Windows' DELETE access right, which CreateFileA may ask for.
inline constexpr DWORD kDeleteRight = 0x00010000u;

// A host time as Windows counts it: 100-nanosecond ticks since 1601-01-01.
FILETIME filetime_of(const timespec& time);

// The read-only attribute of a file or directory.
inline bool is_read_only(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

// The mode of a file this layer creates, before the umask: nothing for
// others, who must not read, write or lock what zeb_c keeps; the group keeps
// its share, so that an installation shared on purpose with a group stays so.
inline constexpr mode_t kNewFileMode = 0660;
inline constexpr mode_t kNewReadOnlyFileMode = 0440;

// One file, whatever name it is opened by.
struct FileKey {
  dev_t device = 0;
  ino_t inode = 0;
  auto operator<=>(const FileKey&) const = default;
};
inline FileKey key_of(const struct stat& info) { return FileKey{info.st_dev, info.st_ino}; }

// An open registered in the sharing table; unregisters itself when destroyed.
class ShareHold {
 public:
  ShareHold(FileKey key, unsigned long id) : key_(key), id_(id) {}
  ~ShareHold();
  ShareHold(const ShareHold&) = delete;
  ShareHold& operator=(const ShareHold&) = delete;

 private:
  FileKey key_;
  unsigned long id_;
};

// Whether a new open with `access` (kAccess* bits) and `share_mode`
// (FILE_SHARE_* bits) is compatible with every registered open of the file:
// ERROR_SUCCESS or ERROR_SHARING_VIOLATION.
DWORD check_sharing(const FileKey& key, DWORD access, DWORD share_mode);

// The same check; on success the open is registered until `hold` is destroyed.
DWORD acquire_sharing(const FileKey& key, DWORD access, DWORD share_mode,
                      std::unique_ptr<ShareHold>& hold);

// Whether any open registered in the sharing table holds the file, whatever
// its access and share mode.
bool is_open(const FileKey& key);

// Whether the regular file at `host_path` is the image of a running program,
// which Windows lets a process rename but never delete or replace.
bool is_running_image(const std::string& host_path);

// Whether the file at `host_path` may be deleted as DeleteFileA deletes:
// ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (also for a dangling name),
// ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED (a directory, a read-only file or
// a running program's image)
// or ERROR_SHARING_VIOLATION (held open without FILE_SHARE_DELETE). `entry`
// is what host_path_for learnt of `host_path`.
DWORD check_deletable(const std::string& host_path, const FinalEntry& entry);

}  // namespace zeb::platform::posix
