#include "cache/cache_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;

// An installation directory in a fresh temporary directory.
class CacheRegistryTest : public ::testing::Test {
 protected:
  std::string base() const { return dir_.path() + "\\"; }
  std::string registry() const { return test::read_host_file(dir_.host(kRegistryFileName)); }
  void set_registry(const std::string& bytes) const {
    test::write_host_file(dir_.host(kRegistryFileName), bytes);
  }
  std::string list() const {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(cache_registry_in(base(), kRegistryList, nullptr), 0);
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
  }
  int register_path(std::string path) const {
    return cache_registry_in(base(), kRegistryRegister, &path);
  }

  test::ScopedTempDir dir_;
};

TEST_F(CacheRegistryTest, NewRegistryHoldsTheMarkerAndTheLowerCasePath) {
  EXPECT_EQ(list(), "No cached files\n");
  EXPECT_FALSE(fs::exists(dir_.host(kRegistryFileName)));
  std::string path = "C:\\Tools\\Cache\\A.EXE";
  EXPECT_EQ(cache_registry_in(base(), kRegistryRegister, &path), 0);
  EXPECT_EQ(path, "c:\\tools\\cache\\a.exe");
  EXPECT_EQ(registry(), "<zeb software>\nc:\\tools\\cache\\a.exe\n");
  register_path("C:\\B.exe");
  EXPECT_EQ(registry(), "<zeb software>\nc:\\tools\\cache\\a.exe\nc:\\b.exe\n");
  EXPECT_EQ(list(), "c:\\tools\\cache\\a.exe \nc:\\b.exe \n");
}

TEST_F(CacheRegistryTest, CrLfLinesReadTheSameAndAKnownPathInAnyCaseChangesNoByte) {
  // Never rewritten since it was edited by hand: mixed case and CR LF.
  const std::string before = "<zeb software>\r\nC:\\Work\\X.exe\r\n\r\nc:\\y.exe";
  for (const char* again : {"c:\\work\\x.exe", "C:\\WORK\\X.EXE", "c:\\Y.exe"}) {
    set_registry(before);
    EXPECT_EQ(register_path(again), 0) << again;
    EXPECT_EQ(registry(), before) << again;
  }
  EXPECT_EQ(list(), "C:\\Work\\X.exe \n \nc:\\y.exe \n");
  register_path("c:\\b.exe");
  EXPECT_EQ(registry(), "<zeb software>\nc:\\work\\x.exe\n\nc:\\y.exe\nc:\\b.exe\n");
  set_registry("");  // an empty registry gets no marker
  register_path("C:\\New.exe");
  EXPECT_EQ(registry(), "c:\\new.exe\n");
}

TEST_F(CacheRegistryTest, FlushDeletesOnlyWhatLiesInsideTheCacheDirectory) {
  for (const char* file : {"cache/Hello.zebc-1/Hello.zebc.exe", "elsewhere/keep.exe",
                           "victim/v.exe", "cachex/y.exe"}) {
    fs::create_directories(dir_.host(file).parent_path());
    test::write_host_file(dir_.host(file), "MZ");
  }
  set_registry("<zeb software>\n" + base() + "CACHE\\hello.zebc-1\\hello.zebc.exe\n" + base() +
               "elsewhere\\keep.exe\n" + base() + "cache\\..\\victim\\v.exe\n" + base() +
               "cachex\\y.exe\n");
  const char* arguments[] = {"zeb_c", "/flush"};
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(handle_command_in(base(), 2, arguments), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "deleting cached files \n");
  EXPECT_FALSE(fs::exists(dir_.host("cache/Hello.zebc-1")));
  EXPECT_TRUE(fs::is_directory(dir_.host("cache")));
  for (const char* kept : {"elsewhere/keep.exe", "victim/v.exe", "cachex/y.exe"}) {
    EXPECT_TRUE(fs::exists(dir_.host(kept))) << kept;
  }
  // What is still there stays registered, so that nothing is forgotten.
  EXPECT_EQ(registry(), "<zeb software>\n" + base() + "elsewhere\\keep.exe\n" + base() +
                            "cache\\..\\victim\\v.exe\n" + base() + "cachex\\y.exe\n");
}

}  // namespace
}  // namespace zeb::cache
