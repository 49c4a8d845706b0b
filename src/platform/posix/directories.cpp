// POSIX host: Win32 directories: the current directory, creation, removal and
// look-up of entries. Paths come and go in C:\ form; entries are reported with
// the names stored on disk.
#include "platform/portable/path_text.h"
#include "platform/posix/directory_listings.h"
#include "platform/posix/file_rules.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_mapping.h"
#include "platform/posix/text_out.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zeb::platform::posix {
using zeb::platform::posix::fail;
using zeb::platform::posix::fail_handle;

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr std::uint64_t kEpochDifferenceSeconds = 11644473600ull;

FILETIME filetime_of(const timespec& time) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.tv_sec) + kEpochDifferenceSeconds) * 10000000ull +
      static_cast<std::uint64_t>(time.tv_nsec) / 100u;
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

namespace {

// The handle FindFirstFileA returns: the directory searched and the names
// still to be reported by FindNextFileA, in the order NTFS lists them.
class FindObject final : public PlatformObject {
 public:
  std::string host_directory;
  std::vector<std::string> rest;
  std::size_t next = 0;
};

// Fills `data` for the entry `name` at `host_path`, of which `entry` tells
// what is known; false when it is gone.
bool describe_entry(const std::string& host_path, const FinalEntry& entry, const std::string& name,
                    WIN32_FIND_DATAA& data) {
  struct stat info {};
  if (final_stat(host_path, entry, info) != 0 && final_lstat(host_path, entry, info) != 0) {
    return false;
  }
  if (name.size() >= sizeof data.cFileName) return false;
  data = WIN32_FIND_DATAA{};
  data.dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (is_read_only(info)) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  data.ftCreationTime = filetime_of(info.st_ctim);
  data.ftLastAccessTime = filetime_of(info.st_atim);
  data.ftLastWriteTime = filetime_of(info.st_mtim);
  if (!S_ISDIR(info.st_mode)) {
    const auto size = static_cast<std::uint64_t>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  }
  std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
  return true;
}

// '*' and '?' over ASCII-folded text. A final ".*" also matches a name with
// no dot at all, so that "*.*" means every name, as it always has on Windows.
bool wildcard_match(std::string_view pattern, std::string_view name) {
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos &&
      wildcard_match(pattern.substr(0, pattern.size() - 2), name)) {
    return true;
  }
  std::size_t p = 0, n = 0;
  std::optional<std::size_t> star_p, star_n;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || fold_ascii(pattern[p]) == fold_ascii(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star_p = p++;
      star_n = n;
    } else if (star_p) {
      p = *star_p + 1;
      n = ++*star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The entries of `host_dir` that `pattern` matches, in the order NTFS lists
// them ("." and ".." first, then by folded name). Sets `error` to the Win32
// code when there is none.
std::vector<std::string> matches(const std::string& host_dir, std::string_view pattern, DWORD& error) {
  std::vector<std::string> found;
  // Several searches of one directory (or of one reached by two paths) read
  // it once.
  const Names names = directory_names(host_dir);
  if (names == nullptr) {
    error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : error_from_errno(errno);
    return found;
  }
  // The root of a Windows drive has no "." or ".." entries.
  if (host_dir != "/") {
    for (const char* dots : {".", ".."}) {
      if (wildcard_match(pattern, dots)) found.emplace_back(dots);
    }
  }
  for (const std::string& name : *names) {
    if (wildcard_match(pattern, name)) found.push_back(name);
  }
  if (found.empty()) {
    error = ERROR_FILE_NOT_FOUND;
    return found;
  }
  auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
  auto folded = [](std::string text) {
    for (char& c : text) c = fold_ascii(c);
    return text;
  };
  std::sort(found.begin(), found.end(), [&](const std::string& a, const std::string& b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    const std::string fa = folded(a), fb = folded(b);
    return fa != fb ? fa < fb : a < b;
  });
  return found;
}

std::string joined_host(std::string directory, const std::string& name) {
  if (directory.back() != '/') directory += '/';
  return directory + name;
}

}  // namespace
}  // namespace zeb::platform::posix

using namespace zeb::platform;
using namespace zeb::platform::posix;

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  const std::string current = current_windows_directory();
  if (current.empty()) return 0;
  return copy_text_out(current, buffer, size);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  std::string host;
  FinalEntry entry;
  if (!map_path_argument(path, host, entry)) return FALSE;
  struct stat info {};
  if (final_stat(host, entry, info) != 0) return fail(error_from_errno(errno));
  if (!S_ISDIR(info.st_mode)) return fail(ERROR_DIRECTORY);
  // Windows keeps the current directory with a final backslash in MAX_PATH
  // characters, terminator included.
  std::string full = windows_path_for(host);
  if (full.back() != '\\') full += '\\';
  if (full.size() + 1 > MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);
  forget_current_directory();
  if (chdir(host.c_str()) != 0) return fail(error_from_errno(errno));
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  std::string host;
  if (!map_path_argument(path, host)) return FALSE;
  const int made = mkdir(host.c_str(), 0777);
  const int error = errno;
  forget_directory_listings();
  if (made != 0) return fail(error == ENOENT ? ERROR_PATH_NOT_FOUND : error_from_errno(error));
  return TRUE;
}

namespace zeb::platform {

bool create_private_directory(const char* path) {
  std::string host;
  if (!posix::map_path_argument(path, host)) return false;
  const int made = mkdir(host.c_str(), 0700);
  posix::forget_directory_listings();
  return made == 0;
}

bool is_private_directory(const char* path) {
  std::string host;
  if (!posix::map_path_argument(path, host)) return false;
  // Where it leads, if it is a link: what is kept there is what counts.
  struct stat info {};
  return stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace zeb::platform

BOOL RemoveDirectoryA(LPCSTR path) {
  std::string host;
  FinalEntry entry;
  if (!map_path_argument(path, host, entry)) return FALSE;
  struct stat info {};
  if (final_lstat(host, entry, info) != 0) return fail(error_from_errno(errno));
  if (!S_ISDIR(info.st_mode)) return fail(ERROR_DIRECTORY);
  if (is_read_only(info)) return fail(ERROR_ACCESS_DENIED);
  // A process's current directory is held open on Windows, without sharing
  // deletion, so it cannot be removed.
  struct stat current {};
  if (stat(".", &current) == 0 && key_of(current) == key_of(info)) {
    return fail(ERROR_SHARING_VIOLATION);
  }
  const int removed = rmdir(host.c_str());
  const int error = errno;
  forget_directory_listings();
  if (removed != 0) return fail(error == EEXIST ? ERROR_DIR_NOT_EMPTY : error_from_errno(error));
  return TRUE;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (pattern == nullptr || data == nullptr) return fail_handle(ERROR_INVALID_PARAMETER);
  const std::string_view text(pattern);
  std::size_t name_start = text.find_last_of("\\/");
  name_start = name_start == std::string_view::npos ? 0 : name_start + 1;
  if (name_start == 0 && text.size() >= 2 && text[1] == ':') name_start = 2;
  const std::string_view name = text.substr(name_start);
  if (name.empty()) return fail_handle(ERROR_FILE_NOT_FOUND);

  std::string host;
  FinalEntry entry;
  auto search = std::make_unique<FindObject>();
  if (!has_wildcard(name)) {
    const DWORD mapped = host_path_for(text, host, entry);
    if (mapped != ERROR_SUCCESS) return fail_handle(mapped);
    // The root of a drive is not an entry of any directory.
    if (host == "/") return fail_handle(ERROR_FILE_NOT_FOUND);
    const std::size_t slash = host.find_last_of('/');
    search->host_directory = host.substr(0, slash == 0 ? 1 : slash);
    search->rest = {host.substr(slash + 1)};
  } else {
    std::string plain(name);
    plain.erase(std::remove_if(plain.begin(), plain.end(), [](char c) { return c == '*' || c == '?'; }),
                plain.end());
    if (has_invalid_name_char(plain)) return fail_handle(ERROR_INVALID_NAME);
    std::string directory(text.substr(0, name_start));
    if (directory.empty() || directory.back() == ':') directory += '.';
    const DWORD mapped = host_path_for(directory, host);
    if (mapped != ERROR_SUCCESS) return fail_handle(mapped);
    DWORD error = ERROR_SUCCESS;
    search->rest = matches(host, name, error);
    if (search->rest.empty()) return fail_handle(error);
    search->host_directory = host;
    host = joined_host(host, search->rest.front());
  }
  if (!describe_entry(host, entry, search->rest.front(), *data)) return fail_handle(ERROR_FILE_NOT_FOUND);
  search->next = 1;
  HANDLE handle = register_handle(std::move(search));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
  FindObject* const search = lookup_as<FindObject>(find);
  if (search == nullptr || data == nullptr) return fail(ERROR_INVALID_HANDLE);
  // A name removed since the search began is passed over, as NTFS would no
  // longer list it.
  while (search->next < search->rest.size()) {
    const std::string& name = search->rest[search->next++];
    if (describe_entry(joined_host(search->host_directory, name), FinalEntry{}, name, *data)) return TRUE;
  }
  return fail(ERROR_NO_MORE_FILES);
}

BOOL FindClose(HANDLE find) {
  if (lookup_as<FindObject>(find) == nullptr) return FALSE;
  unregister_handle(find);
  return TRUE;
}
