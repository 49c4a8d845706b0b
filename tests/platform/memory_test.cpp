// Fixed global-memory blocks and the thread's last-error code.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/win32.h"

namespace {

TEST(GlobalMemory, ZeroInitFixedBlockIsZeroedAndFreedWithNull) {
  auto* block = static_cast<unsigned char*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0) << i;
  std::memset(block, 0xAB, 64);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, ShrinkingWithoutMoveKeepsAddressAndContents) {
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 32));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "abcdefgh", 8);
  void* same = GlobalReAlloc(block, 8, 0);
  EXPECT_EQ(same, block);
  EXPECT_EQ(std::memcmp(block, "abcdefgh", 8), 0);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(LastError, EachThreadKeepsItsOwnCode) {
  // Thread creation and joining may themselves touch the caller's code, so
  // both threads set and read theirs while the other one is known to have
  // set a different one, with nothing but atomics in between.
  std::atomic<int> stage{0};
  DWORD seen_by_other = 12345;
  std::thread other([&] {
    while (stage.load() != 1) {
    }
    SetLastError(ERROR_ACCESS_DENIED);
    stage.store(2);
    while (stage.load() != 3) {
    }
    seen_by_other = GetLastError();
  });
  SetLastError(ERROR_FILE_NOT_FOUND);
  stage.store(1);
  while (stage.load() != 2) {
  }
  const DWORD seen_by_main = GetLastError();
  stage.store(3);
  other.join();
  EXPECT_EQ(seen_by_main, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(seen_by_other, ERROR_ACCESS_DENIED);
}

}  // namespace
