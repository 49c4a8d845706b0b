// POSIX host: Win32 files: attributes, deletion, CreateFileA and file I/O.
// Read-only is the owner-write bit, enforced here even for root; share modes
// hold between opens made through this layer.
#include "platform/posix/files.h"

#include "platform/posix/directory_listings.h"
#include "platform/posix/path_mapping.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace zeb::platform::posix {
using zeb::platform::posix::fail;
using zeb::platform::posix::fail_handle;

FileObject::FileObject(int fd, DWORD access, std::unique_ptr<ShareHold> hold)
    : fd_(fd), access_(access), hold_(std::move(hold)) {}

FileObject::~FileObject() { close(fd_); }

BOOL FileObject::read(void* buffer, DWORD to_read, DWORD* read_count) {
  *read_count = 0;
  if (!can_read()) return fail(ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<char*>(buffer);
  while (*read_count < to_read) {
    const ssize_t got = ::read(fd_, bytes + *read_count, to_read - *read_count);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(error_from_errno(errno));
    if (got == 0) break;  // end of file: success with fewer bytes
    *read_count += static_cast<DWORD>(got);
  }
  return TRUE;
}

BOOL FileObject::write(const void* buffer, DWORD to_write, DWORD* written) {
  *written = 0;
  if (!can_write()) return fail(ERROR_ACCESS_DENIED);
  const auto* bytes = static_cast<const char*>(buffer);
  while (*written < to_write) {
    const ssize_t put = ::write(fd_, bytes + *written, to_write - *written);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return fail(error_from_errno(errno));
    *written += static_cast<DWORD>(put);
  }
  return TRUE;
}

namespace {

// Windows' GENERIC_ALL, which grants reading and writing alike.
constexpr DWORD kGenericAll = 0x10000000u;

DWORD access_bits(DWORD desired) {
  DWORD bits = 0;
  if ((desired & (GENERIC_READ | kGenericAll)) != 0) bits |= kAccessRead;
  if ((desired & (GENERIC_WRITE | kGenericAll)) != 0) bits |= kAccessWrite;
  if ((desired & (kDeleteRight | kGenericAll)) != 0) bits |= kAccessDelete;
  return bits;
}

int open_flags(DWORD bits) {
  int flags = O_CLOEXEC | O_NOCTTY;
  if ((bits & kAccessWrite) != 0) {
    flags |= (bits & kAccessRead) != 0 ? O_RDWR : O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  return flags;
}

// Opens or creates the file as `creation` says. `existed` tells which.
// Returns the descriptor, or -1 with the Win32 error in `error`.
int open_per_disposition(const std::string& host, DWORD bits, DWORD creation, DWORD attributes,
                         bool& existed, DWORD& error) {
  const int flags = open_flags(bits);
  const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? kNewReadOnlyFileMode : kNewFileMode;
  const bool may_create = creation == CREATE_NEW || creation == CREATE_ALWAYS || creation == OPEN_ALWAYS;
  // Another process may create or remove the name between the two attempts.
  for (int attempt = 0; attempt < 8; ++attempt) {
    if (creation != CREATE_NEW) {
      const int fd = open(host.c_str(), flags);
      if (fd >= 0) {
        existed = true;
        return fd;
      }
      if (errno != ENOENT || !may_create) {
        error = error_from_errno(errno);
        return -1;
      }
    }
    const int fd = open(host.c_str(), flags | O_CREAT | O_EXCL, mode);
    if (fd >= 0) {
      existed = false;
      return fd;
    }
    if (errno != EEXIST) {
      error = error_from_errno(errno);
      return -1;
    }
    if (creation == CREATE_NEW) {
      error = ERROR_FILE_EXISTS;
      return -1;
    }
  }
  error = ERROR_SHARING_VIOLATION;
  return -1;
}

}  // namespace
}  // namespace zeb::platform::posix

using namespace zeb::platform::posix;

namespace {

// The attributes of `path` and what lstat says of it; INVALID_FILE_ATTRIBUTES,
// with the error set, when it cannot be described.
// A FIFO, a socket or a device node has no Windows kind of its own: it is a
// device, which is no file to read (a read may wait or never end).
DWORD kind_of(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return S_ISREG(info.st_mode) ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_DEVICE;
}

DWORD describe_path(LPCSTR path, struct stat& info) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string host;
  FinalEntry entry;
  const DWORD mapped = host_path_for(path, host, entry);
  if (mapped != ERROR_SUCCESS) {
    SetLastError(mapped);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (final_lstat(host, entry, info) != 0) {
    SetLastError(error_from_errno(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISLNK(info.st_mode)) {
    // Windows describes a symbolic link itself, as a reparse point; of its
    // target only what kind it is shows (a dangling link is a file).
    struct stat target {};
    if (stat(host.c_str(), &target) != 0) return FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE;
    return FILE_ATTRIBUTE_REPARSE_POINT | kind_of(target);
  }
  DWORD attributes = kind_of(info);
  if (is_read_only(info)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

}  // namespace

DWORD GetFileAttributesA(LPCSTR path) {
  struct stat info {};
  return describe_path(path, info);
}

BOOL GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information) {
  if (level != GetFileExInfoStandard || information == nullptr) return fail(ERROR_INVALID_PARAMETER);
  struct stat info {};
  const DWORD attributes = describe_path(path, info);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  data.dwFileAttributes = attributes;
  data.ftCreationTime = filetime_of(info.st_ctim);
  data.ftLastAccessTime = filetime_of(info.st_atim);
  data.ftLastWriteTime = filetime_of(info.st_mtim);
  // A directory has no size on Windows.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    const auto size = static_cast<std::uint64_t>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  }
  *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information) = data;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
  std::string host;
  FinalEntry entry;
  if (!map_path_argument(path, host, entry)) return FALSE;
  struct stat info {};
  if (final_stat(host, entry, info) != 0) return fail(error_from_errno(errno));
  // Only the read-only bit has a POSIX counterpart; the others are accepted
  // and not kept, as a file system without them would do.
  mode_t mode = info.st_mode & 07777;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  if (mode != (info.st_mode & 07777) && chmod(host.c_str(), mode) != 0) {
    return fail(error_from_errno(errno));
  }
  return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
  std::string host;
  FinalEntry entry;
  if (!map_path_argument(path, host, entry)) return FALSE;
  const DWORD verdict = check_deletable(host, entry);
  if (verdict != ERROR_SUCCESS) return fail(verdict);
  const int removed = unlink(host.c_str());
  const int error = errno;
  forget_directory_listings();
  if (removed != 0) return fail(error_from_errno(error));
  return TRUE;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creation, DWORD flags, HANDLE) {
  if (path == nullptr) return fail_handle(ERROR_INVALID_PARAMETER);
  if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING) return fail_handle(ERROR_INVALID_PARAMETER);
  const DWORD bits = access_bits(access);
  if (creation == TRUNCATE_EXISTING && (bits & kAccessWrite) == 0) {
    return fail_handle(ERROR_INVALID_PARAMETER);
  }
  std::string host;
  const DWORD mapped = host_path_for(path, host);
  if (mapped != ERROR_SUCCESS) return fail_handle(mapped);

  bool existed = false;
  DWORD error = ERROR_SUCCESS;
  const int fd = open_per_disposition(host, bits, creation, flags, existed, error);
  if (fd < 0) return fail_handle(error);
  if (!existed) forget_directory_listings();
  auto refuse = [fd](DWORD code) {
    close(fd);
    return fail_handle(code);
  };

  struct stat info {};
  if (fstat(fd, &info) != 0) return refuse(error_from_errno(errno));
  // Directories open only with backup semantics, which nothing here asks for.
  if (S_ISDIR(info.st_mode)) return refuse(ERROR_ACCESS_DENIED);
  const bool truncates = existed && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING);
  if (existed && is_read_only(info) && ((bits & kAccessWrite) != 0 || truncates)) {
    return refuse(ERROR_ACCESS_DENIED);
  }
  std::unique_ptr<ShareHold> hold;
  const DWORD shared = acquire_sharing(key_of(info), bits, share_mode, hold);
  if (shared != ERROR_SUCCESS) return refuse(shared);
  if (truncates) {
    // CREATE_ALWAYS empties the file even when only reading is asked for.
    const int result = (bits & kAccessWrite) != 0 ? ftruncate(fd, 0) : truncate(host.c_str(), 0);
    if (result != 0) return refuse(error_from_errno(errno));
    if ((flags & FILE_ATTRIBUTE_READONLY) != 0) {
      fchmod(fd, info.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
    }
  }

  auto object = std::make_unique<FileObject>(fd, bits, std::move(hold));
  object->inheritable = attributes != nullptr && attributes->bInheritHandle != FALSE;
  HANDLE handle = register_handle(std::move(object));
  const bool reports_existing = existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS);
  SetLastError(reports_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method) {
  auto* object = lookup_as<FileObject>(file);
  if (object == nullptr) return INVALID_SET_FILE_POINTER;
  LONGLONG offset = distance;
  if (distance_high != nullptr) {
    offset = static_cast<LONGLONG>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                                   static_cast<std::uint32_t>(distance));
  }
  LONGLONG base = 0;
  if (method == FILE_CURRENT) {
    base = lseek(object->descriptor(), 0, SEEK_CUR);
  } else if (method == FILE_END) {
    struct stat info {};
    base = fstat(object->descriptor(), &info) == 0 ? info.st_size : -1;
  } else if (method != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (base < 0) {
    SetLastError(error_from_errno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (offset > 0 && base > std::numeric_limits<LONGLONG>::max() - offset) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  const LONGLONG target = base + offset;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the caller can only be told a 32-bit position.
  if (distance_high == nullptr && target > static_cast<LONGLONG>(0xFFFFFFFEu)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(object->descriptor(), static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(error_from_errno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distance_high != nullptr) *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
  // A position whose low part is all ones is told apart from failure by this.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<std::uint64_t>(target) & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE file) {
  auto* object = lookup_as<FileObject>(file);
  if (object == nullptr) return FALSE;
  if (!object->can_write()) return fail(ERROR_ACCESS_DENIED);
  const off_t position = lseek(object->descriptor(), 0, SEEK_CUR);
  if (position < 0 || ftruncate(object->descriptor(), position) != 0) {
    return fail(error_from_errno(errno));
  }
  return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, void*) {
  DWORD ignored = 0;
  if (read == nullptr) read = &ignored;
  *read = 0;
  PlatformObject* object = lookup_handle(file);
  if (object == nullptr) return FALSE;
  if (buffer == nullptr && to_read != 0) return fail(ERROR_INVALID_PARAMETER);
  return object->read(buffer, to_read, read);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written, void*) {
  DWORD ignored = 0;
  if (written == nullptr) written = &ignored;
  *written = 0;
  PlatformObject* object = lookup_handle(file);
  if (object == nullptr) return FALSE;
  if (buffer == nullptr && to_write != 0) return fail(ERROR_INVALID_PARAMETER);
  return object->write(buffer, to_write, written);
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
  auto* object = lookup_as<FileObject>(file);
  if (object == nullptr) return FALSE;
  if (information == nullptr) return fail(ERROR_INVALID_PARAMETER);
  struct stat info {};
  if (fstat(object->descriptor(), &info) != 0) return fail(error_from_errno(errno));
  BY_HANDLE_FILE_INFORMATION data{};
  data.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE | (is_read_only(info) ? FILE_ATTRIBUTE_READONLY : 0u);
  data.ftCreationTime = filetime_of(info.st_ctim);
  data.ftLastAccessTime = filetime_of(info.st_atim);
  data.ftLastWriteTime = filetime_of(info.st_mtim);
  const auto device = static_cast<std::uint64_t>(info.st_dev);
  data.dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
  const auto size = static_cast<std::uint64_t>(info.st_size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  data.nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
  const auto inode = static_cast<std::uint64_t>(info.st_ino);
  data.nFileIndexHigh = static_cast<DWORD>(inode >> 32);
  data.nFileIndexLow = static_cast<DWORD>(inode & 0xFFFFFFFFu);
  *information = data;
  return TRUE;
}
