// Locks byte 5 of the existing file argv[1] exclusively, creates the file
// argv[2], waits 300 ms, creates the file argv[3] and ends without unlocking
// or closing anything: only its end can release the lock.
#include <chrono>
#include <thread>

#include "platform/win32.h"

namespace {

bool create(const char* path) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  HANDLE file =
      CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  OVERLAPPED at{};
  at.Offset = 5;
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
    return 1;
  if (!create(argv[2])) return 3;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return create(argv[3]) ? 0 : 4;
}
