// POSIX host: the C runtime's fopen and remove for Windows-form paths.
// The path is mapped and the Windows rules that POSIX lacks are applied first;
// failures report the errno values the Windows runtime would report.
#include "platform/posix/directory_listings.h"
#include "platform/posix/file_rules.h"
#include "platform/posix/path_mapping.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace zeb::platform {
namespace {

std::FILE* refuse_stream(DWORD error) {
  errno = posix::errno_from_error(error);
  return nullptr;
}

int refuse_removal(DWORD error) {
  errno = posix::errno_from_error(error);
  return -1;
}

// The kinds of access a stream mode asks for: "r" reads, "w" and "a" write,
// "+" adds the other. Zero for a mode the runtime would refuse.
DWORD stream_access(const char* mode) {
  DWORD bits = 0;
  switch (mode[0]) {
    case 'r': bits = posix::kAccessRead; break;
    case 'w':
    case 'a': bits = posix::kAccessWrite; break;
    default: return 0;
  }
  for (const char* c = mode + 1; *c != '\0' && *c != ','; ++c) {
    if (*c == '+') bits = posix::kAccessRead | posix::kAccessWrite;
  }
  return bits;
}

// fopen, but a file it creates gives others no access (the owner's and the
// group's, as the umask allows): the files zeb_c creates are its state, which
// no stranger may read, write or lock. The descriptor is not inherited by
// programs started later, which on Windows would need the handle marked
// inheritable.
std::FILE* open_host_stream(const std::string& host, const char* mode) {
  // A mode that creates nothing is the runtime's own fopen ('e': glibc reads
  // the flag letters after the first in any order).
  if (mode[0] == 'r') return std::fopen(host.c_str(), (std::string(mode) + 'e').c_str());
  const bool both = std::string_view(mode).find('+') != std::string_view::npos;
  int flags = O_CLOEXEC | (both ? O_RDWR : O_WRONLY);
  if (mode[0] == 'w') flags |= O_CREAT | O_TRUNC;
  if (mode[0] == 'a') flags |= O_CREAT | O_APPEND;
  const int fd = ::open(host.c_str(), flags, posix::kNewFileMode);
  if (fd < 0) return nullptr;
  std::FILE* stream = fdopen(fd, mode);
  if (stream == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return stream;
}

}  // namespace

std::FILE* create_new_stream(const char* path) {
  if (path == nullptr) return refuse_stream(ERROR_INVALID_PARAMETER);
  std::string host;
  posix::FinalEntry entry;
  const DWORD mapped = posix::host_path_for(path, host, entry);
  if (mapped != ERROR_SUCCESS) return refuse_stream(mapped);
  // O_EXCL with O_CREAT never follows a link, even a dangling one.
  const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, posix::kNewFileMode);
  const int error = errno;
  posix::forget_directory_listings();
  if (fd < 0) {
    errno = error;
    return nullptr;
  }
  std::FILE* stream = fdopen(fd, "wb");
  if (stream == nullptr) ::close(fd);
  return stream;
}

std::FILE* open_stream(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return refuse_stream(ERROR_INVALID_PARAMETER);
  const DWORD access = stream_access(mode);
  if (access == 0) return refuse_stream(ERROR_INVALID_PARAMETER);
  std::string host;
  posix::FinalEntry entry;
  const DWORD mapped = posix::host_path_for(path, host, entry);
  if (mapped != ERROR_SUCCESS) return refuse_stream(mapped);

  struct stat info {};
  if (posix::final_stat(host, entry, info) == 0) {
    // The Windows runtime cannot open a directory as a stream at all.
    if (S_ISDIR(info.st_mode)) return refuse_stream(ERROR_ACCESS_DENIED);
    if ((access & posix::kAccessWrite) != 0 && posix::is_read_only(info)) {
      return refuse_stream(ERROR_ACCESS_DENIED);
    }
    // The runtime's streams share reading and writing, never deletion.
    const DWORD shared = posix::check_sharing(posix::key_of(info), access,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (shared != ERROR_SUCCESS) return refuse_stream(shared);
  }
  std::FILE* stream = open_host_stream(host, mode);
  if ((access & posix::kAccessWrite) != 0) {
    const int error = errno;
    posix::forget_directory_listings();
    errno = error;
  }
  return stream;
}

int remove_file(const char* path) {
  if (path == nullptr) return refuse_removal(ERROR_INVALID_PARAMETER);
  std::string host;
  posix::FinalEntry entry;
  const DWORD mapped = posix::host_path_for(path, host, entry);
  if (mapped != ERROR_SUCCESS) return refuse_removal(mapped);
  const DWORD verdict = posix::check_deletable(host, entry);
  if (verdict != ERROR_SUCCESS) return refuse_removal(verdict);
  const int removed = unlink(host.c_str());
  const int error = errno;
  posix::forget_directory_listings();
  errno = error;
  return removed == 0 ? 0 : -1;
}

}  // namespace zeb::platform
