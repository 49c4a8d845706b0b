// POSIX host: the object behind a file HANDLE from CreateFileA.
// It owns one host descriptor; closing the handle closes it, which also
// releases the handle's byte-range locks and its place in the sharing table.
#pragma once

#include "platform/posix/file_locks.h"
#include "platform/posix/file_rules.h"
#include "platform/posix/handles.h"

#include <memory>

namespace zeb::platform::posix {

class FileObject final : public PlatformObject {
 public:
  // Takes ownership of `fd`, opened for `access` (kAccess* bits).
  FileObject(int fd, DWORD access, std::unique_ptr<ShareHold> hold);
  ~FileObject() override;

  BOOL read(void* buffer, DWORD to_read, DWORD* read_count) override;
  BOOL write(const void* buffer, DWORD to_write, DWORD* written) override;
  int descriptor() const override { return fd_; }

  bool can_read() const { return (access_ & kAccessRead) != 0; }
  bool can_write() const { return (access_ & kAccessWrite) != 0; }

  // The byte ranges this handle has locked (LockFileEx).
  HeldLocks& locks() { return locks_; }

 private:
  int fd_;
  DWORD access_;
  std::unique_ptr<ShareHold> hold_;
  HeldLocks locks_;
};

}  // namespace zeb::platform::posix
