// POSIX host: where a Windows-form path lives on this file system.
// Drive C: is the POSIX root; no other drive and no UNC share exists. Names
// match case-insensitively (ASCII), as NTFS matches them.
#pragma once

#include "platform/win32.h"

#include <string>
#include <string_view>

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

// The Windows form of an absolute POSIX path: "/a/b" -> "C:\a\b", "/" -> "C:\".
std::string windows_path_for(std::string_view host_absolute);

// The process's current directory in Windows form ("C:\work", "C:\" at the
// root). Empty, with the last error set, when the host cannot tell it.
std::string current_windows_directory();

// The path argument of a file call mapped as host_path_for does; false, with
// the thread's last error set (ERROR_INVALID_PARAMETER for null), when it
// cannot be.
bool map_path_argument(LPCSTR path, std::string& host_out);

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
