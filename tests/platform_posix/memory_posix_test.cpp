// What the POSIX allocator promises beyond what Windows documents: a fixed
// block never moves, and a release it cannot honour is refused, not a crash.
#include <gtest/gtest.h>

#include "platform/win32.h"

#include <unistd.h>

namespace {

TEST(GlobalMemoryPosix, GrowingAFixedBlockFailsAndLeavesItUsable) {
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 16));
  ASSERT_NE(block, nullptr);
  block[15] = 'z';
  SetLastError(0);
  EXPECT_EQ(GlobalReAlloc(block, 4096, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(block[15], 'z');
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemoryPosix, ReleasingAForeignOrFreedBlockReturnsItWithInvalidHandle) {
  int on_stack = 0;
  SetLastError(0);
  EXPECT_EQ(GlobalFree(&on_stack), &on_stack);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  void* block = GlobalAlloc(GMEM_FIXED, 8);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);  // a second release is refused
}

TEST(GlobalMemoryPosix, MovableBlocksAreNotOffered) {
  SetLastError(0);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 8), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(MessageBoxPosix, WithoutATerminalTheBoxCannotBeShown) {
  // Tests run with standard input redirected by CTest, never a terminal.
  if (isatty(0)) GTEST_SKIP() << "standard input is a terminal";
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OKCANCEL), 0);
}

}  // namespace
