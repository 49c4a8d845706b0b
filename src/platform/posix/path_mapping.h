// POSIX host: where a Windows-form path lives on this file system.
// Drive C: is the POSIX root; no other drive and no UNC share exists. Names
// match case-insensitively (ASCII), as NTFS matches them.
#pragma once

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace zeb::platform::posix {

// Maps a Windows-form path to the POSIX path of the same file. "C:\a\b" (any
// case of C, either separator) is "/a/b"; a path starting with one separator
// starts at the root of C:; a relative path (also "C:rel") starts at the
// process's current directory. "." and ".." resolve by text first, as Windows
// resolves them. Each existing name is replaced by the name stored on disk
// (an exact match first, else a case-insensitive one); a final name that does
// not exist is kept as typed, so that it can be created. A final name loses
// trailing dots and spaces; a final separator is kept as a final '/'.
// Returns ERROR_SUCCESS and sets `host_out`, or:
//   ERROR_PATH_NOT_FOUND  another drive, an empty path, or a directory on the
//                         way that does not exist (or is not a directory);
//   ERROR_BAD_NETPATH     a UNC path (no server is reachable);
//   ERROR_INVALID_NAME    a name with a character Windows forbids (* ? < > | " :
//                         or a control character), or a device path.
// `host_out` is left unchanged on failure.
DWORD host_path_for(std::string_view windows_path, std::string& host_out);

// What host_path_for learnt of the final entry of the path it returned, so
// that its caller need not ask the host again.
struct FinalEntry {
  // Whether lstat(2) of the returned path was made; then either `exists`
  // with `info` (the entry itself: a link is not followed) or `error`, the
  // errno value it failed with.
  bool known = false;
  bool exists = false;
  int error = 0;
  struct stat info {};
};

// host_path_for, also telling what it learnt of the final entry in `final_entry`
// (reset first). A relative path starts at `current_host_directory` when that is
// not empty, which saves asking the host when the caller has just asked.
DWORD host_path_for(std::string_view windows_path, std::string& host_out, FinalEntry& final_entry,
                    std::string_view current_host_directory = {});

// lstat(2) and stat(2) of `host_path`, the path host_path_for returned with
// `entry`, answered from `entry` where it tells: 0, or -1 with errno set.
int final_lstat(const std::string& host_path, const FinalEntry& entry, struct stat& info);
int final_stat(const std::string& host_path, const FinalEntry& entry, struct stat& info);

// The Windows form of an absolute POSIX path: "/a/b" -> "C:\a\b", "/" -> "C:\".
std::string windows_path_for(std::string_view host_absolute);

// The process's current directory in Windows form ("C:\work", "C:\" at the
// root). Empty, with the last error set, when the host cannot tell it.
std::string current_windows_directory();

// The path argument of a file call mapped as host_path_for does; false, with
// the thread's last error set (ERROR_INVALID_PARAMETER for null), when it
// cannot be.
bool map_path_argument(LPCSTR path, std::string& host_out);
bool map_path_argument(LPCSTR path, std::string& host_out, FinalEntry& final_entry);

// The process's current directory as a POSIX path, or empty (errno set) when
// the host cannot tell it.
std::string host_current_directory();

// Drops what host_current_directory remembers; called whenever the process
// changes its directory.
void forget_current_directory();

// The running executable's POSIX path, or empty when the host will not tell.
std::string executable_host_path();

// The Win32 error code closest to a host errno value (ENOENT ->
// ERROR_FILE_NOT_FOUND, EACCES -> ERROR_ACCESS_DENIED, ...); values without a
// counterpart give ERROR_INVALID_FUNCTION.
DWORD error_from_errno(int error_number);

// The errno value the Windows C runtime reports for a Win32 error code, for
// the wrappers of runtime calls (ERROR_SHARING_VIOLATION -> EACCES, ...).
int errno_from_error(DWORD error_code);

}  // namespace zeb::platform::posix
