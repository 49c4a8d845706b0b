// Fixed global-memory blocks and the thread's last-error code.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/win32.h"

namespace {

TEST(GlobalMemory, FixedBlocksZeroShrinkInPlaceAndFreeToNull) {
  auto* block = static_cast<unsigned char*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0) << i;
  std::memcpy(block, "abcdefgh", 8);
  EXPECT_EQ(GlobalReAlloc(block, 8, 0), block);
  EXPECT_EQ(std::memcmp(block, "abcdefgh", 8), 0);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(LastError, EachThreadKeepsItsOwnCode) {
  // Thread creation and joining may themselves touch the caller's code, so
  // each thread reads its own while the other is known to have set another,
  // with nothing but atomics in between.
  std::atomic<int> stage{0};
  DWORD seen_by_other = 12345;
  std::thread other([&] {
    while (stage.load() != 1) std::this_thread::yield();
    SetLastError(ERROR_ACCESS_DENIED);
    stage.store(2);
    while (stage.load() != 3) std::this_thread::yield();
    seen_by_other = GetLastError();
  });
  SetLastError(ERROR_FILE_NOT_FOUND);
  stage.store(1);
  while (stage.load() != 2) std::this_thread::yield();
  const DWORD seen_by_main = GetLastError();
  stage.store(3);
  other.join();
  EXPECT_EQ(seen_by_main, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(seen_by_other, ERROR_ACCESS_DENIED);
}

}  // namespace
