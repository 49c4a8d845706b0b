// POSIX host: Win32 file names: full path names, drive types, temporary names.
// Only drive C: exists, and it is a fixed disk: the POSIX root.
#include "platform/portable/path_text.h"
#include "platform/posix/directory_listings.h"
#include "platform/posix/path_mapping.h"
#include "platform/posix/text_out.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <unordered_set>

namespace zeb::platform::posix {
namespace {

// Windows refuses a temporary-file directory longer than this, so that the
// name with its prefix, number and ".tmp" fits in MAX_PATH.
constexpr std::size_t kMaxTempDirectoryLength = MAX_PATH - 14;
constexpr std::size_t kTempPrefixLength = 3;

// The four-digit upper-case hex form of a temporary file's number.
std::string temp_name(const std::string& base, const std::string& prefix, unsigned number) {
  char digits[8] = {};
  std::snprintf(digits, sizeof digits, "%04X", number & 0xFFFFu);
  return base + prefix + digits + ".tmp";
}

// The names in a directory, folded, so that a free name can be chosen with
// one reading of the directory however many names are taken.
bool folded_names(const std::string& host_dir, std::unordered_set<std::string>& names, DWORD& error) {
  DIR* dir = opendir(host_dir.c_str());
  if (dir == nullptr) {
    error = errno == ENOENT || errno == ENOTDIR ? ERROR_DIRECTORY : error_from_errno(errno);
    return false;
  }
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    for (char& c : name) c = fold_ascii(c);
    names.insert(std::move(name));
  }
  closedir(dir);
  return true;
}

// Where a search for a free number starts: the clock in milliseconds, as
// Windows starts from its tick count.
unsigned starting_number() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  const unsigned number = static_cast<unsigned>(ms) & 0xFFFFu;
  return number == 0 ? 1 : number;
}

}  // namespace
}  // namespace zeb::platform::posix

using namespace zeb::platform;
using namespace zeb::platform::posix;

DWORD GetFullPathNameA(LPCSTR file_name, DWORD size, LPSTR buffer, LPSTR* file_part) {
  if (file_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (*file_name == '\0') {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  const std::string current = current_windows_directory();
  if (current.empty()) return 0;
  const std::string full = full_windows_path(file_name, current);
  const DWORD result = copy_text_out(full, buffer, size);
  if (result == full.size() && file_part != nullptr) {
    const std::size_t offset = final_name_offset(full);
    *file_part = offset == std::string::npos ? nullptr : buffer + offset;
  }
  return result;
}

UINT GetDriveTypeA(LPCSTR root) {
  // The current directory is always on drive C:.
  if (root == nullptr) return DRIVE_FIXED;
  const ParsedPath parsed = parse_windows_path(root);
  const bool names_root = parsed.components.empty() && root[0] != '\0';
  const bool on_c = parsed.anchor == PathAnchor::Rooted ||
                    ((parsed.anchor == PathAnchor::DriveAbsolute || parsed.anchor == PathAnchor::DriveRelative) &&
                     fold_ascii(parsed.drive) == 'c');
  return names_root && on_c ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
}

UINT GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR temp_file_name) {
  if (directory == nullptr || temp_file_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string base = directory;
  if (base.size() > kMaxTempDirectoryLength) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  if (base.empty() || !is_path_separator(base.back())) base += '\\';
  std::string short_prefix = prefix != nullptr ? prefix : "";
  if (short_prefix.size() > kTempPrefixLength) short_prefix.resize(kTempPrefixLength);

  unsigned number = unique & 0xFFFFu;
  if (unique == 0) {
    std::string host_dir;
    const DWORD mapped = host_path_for(base, host_dir);
    if (mapped != ERROR_SUCCESS) {
      // A directory that is not there is "an invalid directory name" here.
      SetLastError(mapped == ERROR_PATH_NOT_FOUND ? ERROR_DIRECTORY : mapped);
      return 0;
    }
    if (host_dir.back() != '/') host_dir += '/';
    std::unordered_set<std::string> taken;
    DWORD error = ERROR_SUCCESS;
    if (!folded_names(host_dir, taken, error)) {
      SetLastError(error);
      return 0;
    }
    const unsigned first = starting_number();
    number = first;
    for (;;) {
      const std::string file = temp_name(std::string(), short_prefix, number);
      std::string folded = file;
      for (char& c : folded) c = fold_ascii(c);
      if (taken.count(folded) == 0) {
        const std::string host = host_dir + file;
        const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
          close(fd);
          forget_directory_listings();
          break;
        }
        // Another process may have taken the name since the directory was read.
        if (errno != EEXIST) {
          SetLastError(error_from_errno(errno));
          return 0;
        }
      }
      number = (number + 1) & 0xFFFFu;
      if (number == 0) number = 1;
      if (number == first) {
        SetLastError(ERROR_FILE_EXISTS);
        return 0;
      }
    }
  }
  const std::string name = temp_name(base, short_prefix, number);
  std::memcpy(temp_file_name, name.c_str(), name.size() + 1);
  return unique == 0 ? number : unique;
}
