// The registry's lines, the list and the flush are held against their rules
// by fuzz/registry.cpp and end to end; here the line no property tells apart.
#include "cache/cache_registry.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scoped.h"

namespace zeb::cache {

// A line with a zero byte names no file: a flush drops it and touches
// nothing, not even what the text before the zero byte names.
TEST(CacheRegistry, FlushDropsALineWithAZeroByteAndTouchesNothing) {
  test::ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("cache/x"));
  test::write_host_file(dir.host("cache/x/kept.exe"), "");
  test::write_host_file(dir.host(kRegistryFileName),
                        "<zeb software>\n" + dir / std::string("cache\\x\\kept.exe\0", 17) + "\n");
  EXPECT_EQ(cache_registry_in(dir.path() + "\\", kRegistryFlush, nullptr), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.host("cache/x/kept.exe")));
  EXPECT_FALSE(std::filesystem::exists(dir.host(kRegistryFileName)));
}

}  // namespace zeb::cache
