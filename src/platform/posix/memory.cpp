// POSIX host: the global-memory allocator for fixed blocks.
// Blocks never move: GlobalReAlloc without GMEM_MOVEABLE fails rather than
// relocate, and GlobalFree refuses (returns the block) what it did not hand out.
#include "platform/win32.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Blocks {
  std::mutex lock;
  std::map<void*, SIZE_T> capacity;  // bytes usable in each live block
};

Blocks& blocks() {
  static Blocks* instance = new Blocks;  // must outlive at-exit reports
  return *instance;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if ((flags & GMEM_MOVEABLE) != 0) {
    // Movable blocks need handles and locking, which nothing here uses.
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A zero-byte fixed block is still a distinct, freeable address.
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & GMEM_ZEROINIT) != 0) std::memset(block, 0, bytes == 0 ? 1 : bytes);
  Blocks& b = blocks();
  std::lock_guard<std::mutex> guard(b.lock);
  b.capacity[block] = bytes == 0 ? 1 : bytes;
  return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
  Blocks& b = blocks();
  std::lock_guard<std::mutex> guard(b.lock);
  auto it = b.capacity.find(block);
  if (it == b.capacity.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (bytes > it->second) {
    // Growing in place is never possible here, and a fixed block may not move.
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  (void)flags;
  return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block == nullptr) return nullptr;
  Blocks& b = blocks();
  {
    std::lock_guard<std::mutex> guard(b.lock);
    auto it = b.capacity.find(block);
    if (it == b.capacity.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return block;
    }
    b.capacity.erase(it);
  }
  std::free(block);
  return nullptr;
}
