// POSIX host: Windows-form paths on the POSIX tree, and error-code mapping.
// C: is the POSIX root; each name on the way is matched as NTFS would, ASCII
// case-insensitively, and replaced by the name stored on disk.
#include "platform/posix/path_mapping.h"

#include "platform/portable/path_text.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zeb::platform::posix {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirPointer = std::unique_ptr<DIR, DirCloser>;

// The entry of `directory` that names `name`: the exact name when it exists,
// else the case-insensitive match (the smallest in byte order when several
// differ only in case, so the choice does not depend on directory order).
// False when there is none, or the directory cannot be read.
bool find_stored_name(const std::string& directory, const std::string& name, std::string& stored) {
  struct stat info {};
  const std::string exact = (directory == "/" ? directory : directory + "/") + name;
  if (lstat(exact.c_str(), &info) == 0) {
    stored = name;
    return true;
  }
  if (errno != ENOENT) return false;
  DirPointer dir(opendir(directory.c_str()));
  if (!dir) return false;
  bool found = false;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view candidate(entry->d_name);
    if (candidate == "." || candidate == "..") continue;
    if (!equal_nocase(candidate, name)) continue;
    if (!found || candidate < stored) stored = std::string(candidate);
    found = true;
  }
  return found;
}

bool is_directory(const std::string& host_path) {
  struct stat info {};
  return stat(host_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "/" followed by the first `count` names, joined by '/'.
std::string joined_host_path(const std::vector<std::string>& names, std::size_t count) {
  std::string host = "/";
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) host += '/';
    host += names[i];
  }
  return host;
}

// The host's current directory, or empty when it cannot be had.
std::string host_current_directory() {
  std::vector<char> buffer(256);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

DWORD host_path_for(std::string_view windows_path, std::string& host_out) {
  if (windows_path.empty()) return ERROR_PATH_NOT_FOUND;
  ParsedPath parsed = parse_windows_path(windows_path);
  switch (parsed.anchor) {
    case PathAnchor::Device:
      return ERROR_INVALID_NAME;
    case PathAnchor::Unc:
      return ERROR_BAD_NETPATH;
    case PathAnchor::DriveAbsolute:
    case PathAnchor::DriveRelative:
      // Windows answers a path on a drive that does not exist so.
      if (fold_ascii(parsed.drive) != 'c') return ERROR_PATH_NOT_FOUND;
      break;
    default:
      break;
  }
  for (const std::string& name : parsed.components) {
    if (has_invalid_name_char(name)) return ERROR_INVALID_NAME;
  }

  std::vector<std::string> names;
  if (parsed.anchor == PathAnchor::Relative || parsed.anchor == PathAnchor::DriveRelative) {
    const std::string current = host_current_directory();
    if (current.empty()) return ERROR_PATH_NOT_FOUND;
    names = parse_windows_path(windows_from_posix(current)).components;
  }
  names.insert(names.end(), parsed.components.begin(), parsed.components.end());
  collapse_dot_components(names);
  const bool trailing = parsed.trailing_separator;
  if (!names.empty() && !trailing) names.back() = strip_trailing_dots_and_spaces(names.back());

  // Nearly every path names entries that exist as typed. When the whole path,
  // or else its directory, exists under the exact names, the walk would keep
  // each of those names, so it starts past them: one look-up instead of two
  // per level, on every file call.
  std::string host = "/";
  std::size_t first = 0;
  if (!names.empty()) {
    struct stat info {};
    std::string exact = joined_host_path(names, names.size());
    if (lstat(exact.c_str(), &info) == 0) {
      host = std::move(exact);
      first = names.size();
    } else if (names.size() > 1) {
      std::string parent = joined_host_path(names, names.size() - 1);
      if (is_directory(parent)) {
        host = std::move(parent);
        first = names.size() - 1;
      }
    }
  }
  for (std::size_t i = first; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    std::string stored;
    if (!find_stored_name(host, names[i], stored)) {
      if (!last) return ERROR_PATH_NOT_FOUND;
      stored = names[i];
    }
    if (host.back() != '/') host += '/';
    host += stored;
    if (!last && !is_directory(host)) return ERROR_PATH_NOT_FOUND;
  }
  if (trailing && host != "/") host += '/';
  host_out = std::move(host);
  return ERROR_SUCCESS;
}

std::string windows_path_for(std::string_view host_absolute) {
  return windows_from_posix(host_absolute);
}

std::string current_windows_directory() {
  const std::string current = host_current_directory();
  if (current.empty()) {
    SetLastError(error_from_errno(errno));
    return current;
  }
  return windows_path_for(current);
}

bool map_path_argument(LPCSTR path, std::string& host_out) {
  const DWORD mapped = path == nullptr ? ERROR_INVALID_PARAMETER : host_path_for(path, host_out);
  if (mapped == ERROR_SUCCESS) return true;
  SetLastError(mapped);
  return false;
}

std::string executable_host_path() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

DWORD error_from_errno(int error_number) {
  switch (error_number) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    // Writing into a pipe nobody reads is "the pipe is being closed" on Windows.
    case EPIPE: return ERROR_NO_DATA;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case E2BIG: return ERROR_BAD_ENVIRONMENT;
    default: return ERROR_INVALID_FUNCTION;
  }
}

int errno_from_error(DWORD error_code) {
  // The Windows C runtime's own translation, for the codes this layer sets.
  switch (error_code) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_CANNOT_MAKE: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return EPIPE;
    default: return EINVAL;
  }
}

}  // namespace zeb::platform::posix

namespace zeb::platform {

std::string windows_path_from_host(const std::string& host_path) {
  return posix::windows_path_for(host_path);
}

std::string windows_path_from_typed(const std::string& typed) {
  return windows_form_of_typed_path(typed, TypedPathSyntax::Posix);
}

}  // namespace zeb::platform
