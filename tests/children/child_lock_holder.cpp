// Locks byte 5 of the existing file argv[1] exclusively, creates the file
// argv[2], waits 300 ms, creates the file argv[3] and ends without unlocking
// or closing anything: only its end can release the lock.
#include <chrono>
#include <thread>

#include "platform/win32.h"

namespace {

HANDLE open(const char* path, DWORD share, DWORD creation) {
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, share, nullptr, creation,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool create(const char* path) {
  HANDLE file = open(path, 0, CREATE_NEW);
  return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  OVERLAPPED at{};
  at.Offset = 5;
  if (!LockFileEx(open(argv[1], FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
                  LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) ||
      !create(argv[2]))
    return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return create(argv[3]) ? 0 : 4;
}
