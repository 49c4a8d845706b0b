// POSIX host: Win32 MoveFileExA, a rename through the path mapping. Nothing is
// replaced without MOVEFILE_REPLACE_EXISTING, and never a directory, a
// read-only file, an open file or a running program's file; an open source
// must share deletion.
#include "platform/portable/path_text.h"
#include "platform/posix/directory_listings.h"
#include "platform/posix/file_rules.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_mapping.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zeb::platform::posix {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// rename(2); unless `replace`, a name that appeared since the caller looked is
// not replaced either. 0 or the errno value.
int rename_host(const std::string& from, const std::string& to, bool replace) {
  if (!replace) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    // A file system without the flag has only the caller's look to go by.
    if (errno != EINVAL) return errno;
  }
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Flushes the directory that records the name `host_path`. 0 or the errno value.
int flush_directory_of(std::string host_path) {
  while (host_path.size() > 1 && host_path.back() == '/') host_path.pop_back();
  const std::string::size_type slash = host_path.find_last_of('/');
  const std::string directory = slash == 0 ? "/" : host_path.substr(0, slash);
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return error;
}

// `host_path` with its final name spelled as `windows_path` types it, when the
// two differ only in letter case.
std::string spelled_as_typed(const std::string& host_path, LPCSTR windows_path) {
  const ParsedPath parsed = parse_windows_path(windows_path);
  if (parsed.components.empty() || parsed.trailing_separator) return host_path;
  const std::string typed = strip_trailing_dots_and_spaces(parsed.components.back());
  const std::string::size_type slash = host_path.find_last_of('/');
  if (!equal_nocase(typed, std::string_view(host_path).substr(slash + 1))) return host_path;
  return host_path.substr(0, slash + 1) + typed;
}

// Why Windows would refuse to let `source` replace the existing `target` at
// `target_path` (both as lstat describes them), or ERROR_SUCCESS.
DWORD replace_refusal(const struct stat& source, const std::string& target_path, const struct stat& target) {
  if (S_ISDIR(source.st_mode) || S_ISDIR(target.st_mode)) return ERROR_ACCESS_DENIED;
  if (!S_ISLNK(target.st_mode) && is_read_only(target)) return ERROR_ACCESS_DENIED;
  // An open target is never replaced, whatever it shares: a rename is not a
  // deletion, which FILE_SHARE_DELETE would allow.
  if (is_open(key_of(target))) return ERROR_ACCESS_DENIED;
  if (S_ISREG(target.st_mode) && is_running_image(target_path)) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// Moves `from` (which exists, as `source`) to `to`, the mapped `new_name`
// (of which `to_entry` tells what is known). 0 or the errno value, or a
// Win32 refusal in `refusal`.
int move_entry(const std::string& from, const struct stat& source, const std::string& to,
               const FinalEntry& to_entry, LPCSTR new_name, bool replace, DWORD& refusal) {
  int error = 0;
  struct stat target {};
  if (to == from) {
    // Onto its own name: only the letter case may change, below.
  } else if (final_lstat(to, to_entry, target) != 0) {
    if (errno != ENOENT) return errno;
    error = rename_host(from, to, replace);
  } else if (!replace) {
    refusal = ERROR_ALREADY_EXISTS;
    return 0;
  } else {
    refusal = replace_refusal(source, to, target);
    if (refusal != ERROR_SUCCESS) return 0;
    // Two names of one file: rename(2) would keep both; Windows keeps the new one.
    const bool same_file = key_of(target) == key_of(source);
    error = same_file ? (unlink(from.c_str()) == 0 ? 0 : errno) : rename_host(from, to, true);
  }
  if (error != 0) return error;
  // The name is spelled as typed, also where it matched an existing name in
  // other letters, as on Windows.
  const std::string typed = spelled_as_typed(to, new_name);
  return typed == to ? 0 : rename_host(to, typed, false);
}

}  // namespace
}  // namespace zeb::platform::posix

using namespace zeb::platform::posix;

BOOL MoveFileExA(LPCSTR existing, LPCSTR new_name, DWORD flags) {
  std::string from;
  FinalEntry from_entry;
  if (!map_path_argument(existing, from, from_entry)) return FALSE;
  struct stat source {};
  if (final_lstat(from, from_entry, source) != 0) return fail(error_from_errno(errno));
  // Moving opens the source for delete access.
  DWORD refusal = check_sharing(key_of(source), kAccessDelete, kShareAll);
  if (refusal != ERROR_SUCCESS) return fail(refusal);
  std::string to;
  FinalEntry to_entry;
  if (!map_path_argument(new_name, to, to_entry)) return FALSE;
  int error = move_entry(from, source, to, to_entry, new_name,
                         (flags & MOVEFILE_REPLACE_EXISTING) != 0, refusal);
  forget_directory_listings();
  if (refusal != ERROR_SUCCESS) return fail(refusal);
  if (error == 0 && (flags & MOVEFILE_WRITE_THROUGH) != 0) error = flush_directory_of(to);
  return error == 0 ? TRUE : fail(error_from_errno(error));
}
