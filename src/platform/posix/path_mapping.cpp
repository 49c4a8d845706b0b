// POSIX host: Windows-form paths on the POSIX tree, and error-code mapping.
// C: is the POSIX root; each name on the way is matched as NTFS would, ASCII
// case-insensitively, and replaced by the name stored on disk.
#include "platform/posix/path_mapping.h"

#include "platform/portable/path_text.h"
#include "platform/posix/directory_listings.h"

#include <cerrno>
#include <memory>
#include <mutex>
#include <cstdlib>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zeb::platform::posix {
namespace {

FinalEntry looked_up(const std::string& host_path) {
  FinalEntry entry;
  entry.known = true;
  entry.exists = lstat(host_path.c_str(), &entry.info) == 0;
  entry.error = entry.exists ? 0 : errno;
  return entry;
}

std::string child_path(const std::string& directory, const std::string& name) {
  return (directory == "/" ? directory : directory + "/") + name;
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

// The current directory as the host last told it. Only SetCurrentDirectoryA
// moves it in this process (a child's chdir comes after its fork), and it
// forgets it: a run names files from where it stands many times over.
struct RememberedDirectory {
  std::mutex lock;
  std::string host;
};

RememberedDirectory& remembered_directory() {
  static RememberedDirectory remembered;
  return remembered;
}

}  // namespace

std::string host_current_directory() {
  RememberedDirectory& remembered = remembered_directory();
  const std::lock_guard<std::mutex> hold(remembered.lock);
  if (!remembered.host.empty()) return remembered.host;
  std::vector<char> buffer(256);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) {
      remembered.host = buffer.data();
      return remembered.host;
    }
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

void forget_current_directory() {
  RememberedDirectory& remembered = remembered_directory();
  const std::lock_guard<std::mutex> hold(remembered.lock);
  remembered.host.clear();
}

DWORD host_path_for(std::string_view windows_path, std::string& host_out) {
  FinalEntry ignored;
  return host_path_for(windows_path, host_out, ignored);
}

DWORD host_path_for(std::string_view windows_path, std::string& host_out, FinalEntry& final_entry,
                    std::string_view current_host_directory) {
  final_entry = FinalEntry{};
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
    const std::string current = current_host_directory.empty()
                                    ? host_current_directory()
                                    : std::string(current_host_directory);
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
  std::string exact;
  FinalEntry exact_entry;
  // stat(2) of `host` when it has been made, so that a kept listing of it can answer.
  struct stat directory_info {};
  bool directory_known = false;
  if (!names.empty()) {
    exact = joined_host_path(names, names.size());
    exact_entry = looked_up(exact);
    if (exact_entry.exists) {
      host = exact;
      first = names.size();
    } else if (names.size() > 1) {
      std::string parent = joined_host_path(names, names.size() - 1);
      if (stat(parent.c_str(), &directory_info) == 0 && S_ISDIR(directory_info.st_mode)) {
        host = std::move(parent);
        first = names.size() - 1;
        directory_known = true;
      }
    }
  }
  FinalEntry last_entry;
  if (first == names.size()) last_entry = exact_entry;
  for (std::size_t i = first; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    // The exact name first; the whole path as typed has been asked already.
    std::string path = child_path(host, names[i]);
    FinalEntry entry = path == exact ? exact_entry : looked_up(path);
    if (!entry.exists) {
      std::string stored;
      if (entry.error == ENOENT &&
          find_name_ignoring_case(host, directory_known ? &directory_info : nullptr, names[i],
                                  stored)) {
        path = child_path(host, stored);
        entry = FinalEntry{};
      } else if (!last) {
        return ERROR_PATH_NOT_FOUND;
      }
    }
    host = std::move(path);
    if (last) {
      last_entry = entry;
      break;
    }
    // A directory seen as itself needs no second look; a link or a name found
    // in other letters is followed to see what it is.
    if (entry.exists && S_ISDIR(entry.info.st_mode)) {
      directory_info = entry.info;
    } else if (stat(host.c_str(), &directory_info) != 0 || !S_ISDIR(directory_info.st_mode)) {
      return ERROR_PATH_NOT_FOUND;
    }
    directory_known = true;
  }
  if (trailing && host != "/") {
    host += '/';
    // A final '/' makes the host follow a final link and refuse a file, so
    // what lstat saw holds only for a directory or a name that is missing,
    // and only while the longer path still fits the host's limit.
    const bool same_answer = !last_entry.exists || S_ISDIR(last_entry.info.st_mode);
    if (same_answer && host.size() < PATH_MAX) final_entry = last_entry;
  } else {
    final_entry = last_entry;
  }
  host_out = std::move(host);
  return ERROR_SUCCESS;
}

int final_lstat(const std::string& host_path, const FinalEntry& entry, struct stat& info) {
  if (!entry.known) return lstat(host_path.c_str(), &info);
  if (!entry.exists) {
    errno = entry.error;
    return -1;
  }
  info = entry.info;
  return 0;
}

int final_stat(const std::string& host_path, const FinalEntry& entry, struct stat& info) {
  // Where lstat failed, stat fails alike: both resolve every name but the
  // last in the same way, and the last is followed only when it exists.
  if (!entry.known || (entry.exists && S_ISLNK(entry.info.st_mode))) {
    return stat(host_path.c_str(), &info);
  }
  return final_lstat(host_path, entry, info);
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
  FinalEntry ignored;
  return map_path_argument(path, host_out, ignored);
}

bool map_path_argument(LPCSTR path, std::string& host_out, FinalEntry& final_entry) {
  final_entry = FinalEntry{};
  const DWORD mapped =
      path == nullptr ? ERROR_INVALID_PARAMETER : host_path_for(path, host_out, final_entry);
  if (mapped == ERROR_SUCCESS) return true;
  SetLastError(mapped);
  return false;
}

std::string executable_host_path() {
  // Read once: Windows, too, reports the name the module was loaded from for
  // the life of the process, whatever happens to the file afterwards.
  static const std::string path = [] {
    std::vector<char> buffer(256);
    for (;;) {
      const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (length < 0) return std::string();
      if (static_cast<std::size_t>(length) < buffer.size()) {
        return std::string(buffer.data(), static_cast<std::size_t>(length));
      }
      buffer.resize(buffer.size() * 2);
    }
  }();
  return path;
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
  std::string windows = windows_form_of_typed_path(typed, TypedPathSyntax::Posix);
  // "./x" and "../dir/x" are how POSIX users name files from where they
  // stand. Windows users have no such habit, and a relative name that begins
  // with a dot is refused; here such a name becomes the full path it means,
  // "." and ".." resolved. A name that itself begins with a dot is left alone.
  if (!typed.starts_with("./") && !typed.starts_with("../")) return windows;
  return full_path(windows).value_or(windows);
}

bool typed_path_is_exact(const std::string& typed) {
  const std::size_t slash = typed.rfind('/');
  const std::string_view name = std::string_view(typed).substr(slash == std::string::npos ? 0 : slash + 1);
  return strip_trailing_dots_and_spaces(name) == name;
}

std::string resolve_links(const std::string& path) {
  std::string host;
  if (posix::host_path_for(path, host) != ERROR_SUCCESS) return path;
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(host.c_str(), nullptr), &std::free);
  return real ? posix::windows_path_for(real.get()) : path;
}

}  // namespace zeb::platform
