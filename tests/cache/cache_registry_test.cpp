#include "cache/cache_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/scoped.h"

namespace zeb::cache {

// An installation directory in a fresh temporary directory.
class CacheRegistryTest : public ::testing::Test {
 protected:
  std::string registry() const { return test::read_host_file(dir_.host(kRegistryFileName)); }
  void set_registry(const std::string& bytes) const { test::write_host_file(dir_.host(kRegistryFileName), bytes); }
  int register_path(std::string path) const { return cache_registry_in(base_, kRegistryRegister, &path); }

  test::ScopedTempDir dir_;
  const std::string base_ = dir_.path() + "\\";
};

TEST_F(CacheRegistryTest, KnownPathsInAnyCaseChangeNoByteAndNewOnesAreAddedLowerCase) {
  // Never rewritten since it was edited by hand: mixed case and CR LF.
  const std::string before = "<zeb software>\r\nC:\\Work\\X.exe\r\n\r\nc:\\y.exe";
  for (const char* again : {"c:\\work\\x.exe", "C:\\WORK\\X.EXE", "c:\\Y.exe"}) {
    set_registry(before);
    EXPECT_EQ(register_path(again), 0) << again;
    EXPECT_EQ(registry(), before) << again;
  }
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(cache_registry_in(base_, kRegistryList, nullptr), 0);
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "C:\\Work\\X.exe \n \nc:\\y.exe \n");
  std::string path = "C:\\B.exe";
  EXPECT_EQ(cache_registry_in(base_, kRegistryRegister, &path), 0);
  EXPECT_EQ(path + "|" + registry(), "c:\\b.exe|<zeb software>\nc:\\work\\x.exe\n\nc:\\y.exe\nc:\\b.exe\n");
  set_registry("");  // an empty registry gets no marker
  register_path("C:\\New.exe");
  EXPECT_EQ(registry(), "c:\\new.exe\n");
}

// Hand-edited lines of any length or bytes are kept as they were: each
// registration adds its own line and nothing else.
TEST_F(CacheRegistryTest, LongAndOddLinesStayWholeThroughRewrites) {
  for (const std::size_t length : {299u, 300u, 301u, 310u, 700u}) {
    const std::string long_line = "c:\\" + std::string(length - 3, 'x');
    set_registry("<zeb software>\n" + long_line + "\n");
    std::string expected = "<zeb software>\n" + long_line + "\n";
    for (const char* path : {"c:\\a.exe", "c:\\b.exe", "c:\\c.exe"}) {
      ASSERT_EQ(register_path(path), 0);
      expected += path + std::string("\n");
    }
    EXPECT_EQ(registry(), expected) << length;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(cache_registry_in(base_, kRegistryList, nullptr), 0);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), long_line + " \nc:\\a.exe \nc:\\b.exe \nc:\\c.exe \n");
  }
  // A zero byte inside a line, and a last line without its line end.
  set_registry(std::string("<zeb software>\nc:\\n\0ul.exe\r\nc:\\last.exe", 39));
  ASSERT_EQ(register_path("c:\\new.exe"), 0);
  EXPECT_EQ(registry(), std::string("<zeb software>\nc:\\n\0ul.exe\nc:\\last.exe\nc:\\new.exe\n", 50));
  // Such a line names no file: a flush drops it and touches nothing, not
  // even what the text before the zero byte names.
  std::filesystem::create_directories(dir_.host("cache/x"));
  test::write_host_file(dir_.host("cache/x/kept.exe"), "");
  set_registry("<zeb software>\n" + base_ + std::string("cache\\x\\kept.exe\0", 17) + "\n");
  EXPECT_EQ(cache_registry_in(base_, kRegistryFlush, nullptr), 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.host("cache/x/kept.exe")));
  EXPECT_FALSE(std::filesystem::exists(dir_.host(kRegistryFileName)));
}

// A line that reaches through a link in the cache, with either separator,
// is never followed.
TEST_F(CacheRegistryTest, FlushFollowsNoLinkWhateverTheSeparator) {
  test::ScopedTempDir outside;
  test::write_host_file(outside.host("victim.exe"), "");
  std::filesystem::create_directory(dir_.host("cache"));
  std::error_code error;
  std::filesystem::create_directory_symlink(outside.host_path(), dir_.host("cache/link"), error);
  if (error) GTEST_SKIP() << "no symbolic link can be made here: " << error.message();
  for (const char* line : {"cache\\link\\victim.exe", "cache\\link/victim.exe", "cache/link/victim.exe"}) {
    set_registry("<zeb software>\n" + base_ + line + "\n");
    EXPECT_EQ(cache_registry_in(base_, kRegistryFlush, nullptr), 0);
    EXPECT_TRUE(std::filesystem::exists(outside.host("victim.exe"))) << line;
  }
}

}  // namespace zeb::cache
