// Counted blocks and streams: what each call does to the counts and to the
// memory or file it hands out. Every test leaves both counts as it found
// them, or this test program would itself end with a report.
#include "accounting/newmalloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "support/scoped.h"

namespace zeb::accounting {
namespace {

TEST(TrackedAlloc, CountsEachBlockUntilItIsFreed) {
  const std::uint32_t sizes[] = {0u, 1u, 64u, 4096u, 100'000u};
  for (const std::uint32_t size : sizes) {
    const std::int32_t before = live_block_count();
    auto* block = static_cast<unsigned char*>(tracked_alloc(size));
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(live_block_count(), before + 1) << size;
    if (size > 0) std::memset(block, 0x5A, size);  // the whole block is usable
    tracked_free(block, __FILE__, __LINE__);
    EXPECT_EQ(live_block_count(), before) << size;
  }
}

TEST(TrackedAlloc, BlocksAreDistinctAndFreedInAnyOrder) {
  const std::int32_t before = live_block_count();
  void* first = tracked_alloc(16);
  void* second = tracked_alloc(16);
  void* third = tracked_alloc(16);
  ASSERT_TRUE(first != nullptr && second != nullptr && third != nullptr);
  EXPECT_NE(first, second);
  EXPECT_NE(second, third);
  EXPECT_EQ(live_block_count(), before + 3);
  tracked_free(second, __FILE__, __LINE__);
  tracked_free(first, __FILE__, __LINE__);
  EXPECT_EQ(live_block_count(), before + 1);
  tracked_free(third, __FILE__, __LINE__);
  EXPECT_EQ(live_block_count(), before);
}

TEST(TrackedCalloc, HandsOutZeroFilledCountedBlocks) {
  struct Case {
    std::uint32_t count;
    std::uint32_t size;
  };
  const Case cases[] = {{1, 1}, {16, 4}, {1000, 3}, {3, 1000}, {0, 16}};
  for (const Case& c : cases) {
    const std::int32_t before = live_block_count();
    auto* block = static_cast<unsigned char*>(tracked_calloc(c.count, c.size));
    ASSERT_NE(block, nullptr) << c.count << " x " << c.size;
    EXPECT_EQ(live_block_count(), before + 1);
    const std::uint32_t bytes = c.count * c.size;
    std::uint32_t nonzero = 0;
    for (std::uint32_t i = 0; i < bytes; ++i) nonzero += block[i] != 0 ? 1u : 0u;
    EXPECT_EQ(nonzero, 0u) << c.count << " x " << c.size;
    tracked_free(block, __FILE__, __LINE__);
    EXPECT_EQ(live_block_count(), before);
  }
}

TEST(TrackedCalloc, ProductBeyondThirtyTwoBitsIsRefusedUncounted) {
  struct Case {
    std::uint32_t count;
    std::uint32_t size;
  };
  const Case cases[] = {{0x10000u, 0x10000u}, {UINT32_MAX, 2u}, {2u, 0x80000000u}, {65537u, 65537u}};
  for (const Case& c : cases) {
    const std::int32_t before = live_block_count();
    EXPECT_EQ(tracked_calloc(c.count, c.size), nullptr) << c.count << " x " << c.size;
    EXPECT_EQ(live_block_count(), before);
  }
}

TEST(TrackedRealloc, NullBlockIsServedAsAFreshCountedBlock) {
  const std::uint32_t sizes[] = {0u, 8u, 300u};
  for (const std::uint32_t size : sizes) {
    const std::int32_t before = live_block_count();
    auto* block = static_cast<char*>(tracked_realloc(nullptr, size));
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(live_block_count(), before + 1) << size;
    if (size > 0) std::memset(block, 'r', size);
    tracked_free(block, __FILE__, __LINE__);
    EXPECT_EQ(live_block_count(), before);
  }
}

TEST(TrackedRealloc, ShrinkingKeepsAddressContentsAndCount) {
  auto* block = static_cast<char*>(tracked_alloc(64));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "0123456789", 10);
  const std::int32_t before = live_block_count();
  EXPECT_EQ(tracked_realloc(block, 10), block);
  EXPECT_EQ(std::memcmp(block, "0123456789", 10), 0);
  EXPECT_EQ(live_block_count(), before);
  tracked_free(block, __FILE__, __LINE__);
  EXPECT_EQ(live_block_count(), before - 1);
}

TEST(TrackedRealloc, GrowingNeverMovesTheBlock) {
  auto* block = static_cast<char*>(tracked_alloc(16));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "fixed block 1234", 16);
  const std::int32_t before = live_block_count();
  void* grown = tracked_realloc(block, 1 << 20);
  // Either it grew where it stands or it failed and left the block alone.
  if (grown != nullptr) {
    EXPECT_EQ(grown, block);
  }
  EXPECT_EQ(std::memcmp(block, "fixed block 1234", 16), 0);
  EXPECT_EQ(live_block_count(), before);
  tracked_free(block, __FILE__, __LINE__);
}

class TrackedStreams : public testing::Test {
 protected:
  void SetUp() override { test::write_host_file(dir_.host("data.txt"), "contents"); }
  std::string existing() const { return dir_ / "data.txt"; }
  test::ScopedTempDir dir_;
};

TEST_F(TrackedStreams, OpenedStreamIsCountedUntilClosed) {
  const char* modes[] = {"rb", "r", "ab", "rb+", "wb"};
  for (const char* mode : modes) {
    const std::int32_t before = open_file_count();
    std::FILE* stream = tracked_fopen(existing().c_str(), mode);
    ASSERT_NE(stream, nullptr) << mode;
    EXPECT_EQ(open_file_count(), before + 1) << mode;
    EXPECT_EQ(tracked_fclose(stream), 0) << mode;
    EXPECT_EQ(open_file_count(), before) << mode;
  }
}

TEST_F(TrackedStreams, StreamReadsTheNamedFile) {
  std::FILE* stream = tracked_fopen(existing().c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  char buffer[32] = {};
  const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
  EXPECT_EQ(std::string(buffer, got), "contents");
  EXPECT_EQ(tracked_fclose(stream), 0);
}

TEST_F(TrackedStreams, FailedOpenIsNotCounted) {
  const std::string missing[] = {dir_ / "absent.txt", dir_ / "no\\such\\dir.txt"};
  for (const std::string& path : missing) {
    const std::int32_t before = open_file_count();
    EXPECT_EQ(tracked_fopen(path.c_str(), "rb"), nullptr) << path;
    EXPECT_EQ(open_file_count(), before) << path;
  }
}

TEST_F(TrackedStreams, ClosingNullIsRefusedUncounted) {
  const std::int32_t before = open_file_count();
  EXPECT_EQ(tracked_fclose(nullptr), EOF);
  EXPECT_EQ(open_file_count(), before);
}

}  // namespace
}  // namespace zeb::accounting
