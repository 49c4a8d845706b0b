#include "driver/cache_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::ScopedTempDir;
using test::write_host_file;

// An installation directory in a fresh temporary directory.
class CacheRegistryTest : public ::testing::Test {
 protected:
  std::string base() const { return dir_.path() + "\\"; }
  fs::path registry_file() const { return dir_.host(kRegistryFileName); }
  std::string registry() const { return read_host_file(registry_file()); }
  void set_registry(const std::string& bytes) const { write_host_file(registry_file(), bytes); }

  // Output of a registry call on standard output, and its result.
  std::string list(int* result = nullptr) const {
    ::testing::internal::CaptureStdout();
    const int r = cache_registry_in(base(), kRegistryList, nullptr);
    std::fflush(stdout);
    if (result != nullptr) *result = r;
    return ::testing::internal::GetCapturedStdout();
  }
  std::string command(std::vector<const char*> arguments, int* handled = nullptr) const {
    arguments.insert(arguments.begin(), "zeb_c");
    ::testing::internal::CaptureStdout();
    const int h = handle_command_in(base(), static_cast<int>(arguments.size()), arguments.data());
    std::fflush(stdout);
    if (handled != nullptr) *handled = h;
    return ::testing::internal::GetCapturedStdout();
  }
  int register_path(std::string path) const {
    return cache_registry_in(base(), kRegistryRegister, &path);
  }

  // A file below the installation directory (host path built from parts).
  fs::path make_file(const std::string& relative) const {
    const fs::path file = dir_.host(relative);
    fs::create_directories(file.parent_path());
    write_host_file(file, "MZ");
    return file;
  }

  ScopedTempDir dir_;
};

TEST_F(CacheRegistryTest, ListWithoutRegistrySaysSo) {
  int result = -1;
  EXPECT_EQ(list(&result), "No cached files\n");
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(fs::exists(registry_file()));
}

TEST_F(CacheRegistryTest, ListOfMarkerOnlyPrintsNothing) {
  set_registry("<zeb software>\n");
  EXPECT_EQ(list(), "");
}

TEST_F(CacheRegistryTest, FirstRegistrationWritesMarkerAndLowerCasePath) {
  std::string path = "C:\\Tools\\Cache\\A.EXE";
  EXPECT_EQ(cache_registry_in(base(), kRegistryRegister, &path), 0);
  EXPECT_EQ(path, "c:\\tools\\cache\\a.exe");
  EXPECT_EQ(registry(), "<zeb software>\nc:\\tools\\cache\\a.exe\n");
  EXPECT_EQ(list(), "c:\\tools\\cache\\a.exe \n");
}

TEST_F(CacheRegistryTest, SecondRegistrationAppends) {
  register_path("C:\\A.exe");
  register_path("C:\\B.exe");
  EXPECT_EQ(registry(), "<zeb software>\nc:\\a.exe\nc:\\b.exe\n");
  EXPECT_EQ(list(), "c:\\a.exe \nc:\\b.exe \n");
}

TEST_F(CacheRegistryTest, RegisteringAKnownPathInAnyCaseLeavesTheFileAsItWas) {
  // Never rewritten since it was edited by hand: mixed case and CR LF.
  const std::string before = "<ZEB Software>\r\nC:\\Work\\Cache\\X.exe\r\nc:\\y.exe";
  for (const char* again : {"c:\\work\\cache\\x.exe", "C:\\WORK\\CACHE\\X.EXE", "c:\\Y.exe"}) {
    set_registry(before);
    EXPECT_EQ(register_path(again), 0) << again;
    EXPECT_EQ(registry(), before) << again;
  }
}

TEST_F(CacheRegistryTest, EmptyRegistryGetsNoMarker) {
  set_registry("");
  register_path("C:\\New.exe");
  EXPECT_EQ(registry(), "c:\\new.exe\n");
}

TEST_F(CacheRegistryTest, MarkerAsFirstWrittenIsListedLikeAnEntry) {
  set_registry("<ZEB Software>");
  EXPECT_EQ(list(), "<ZEB Software> \n");
}

TEST_F(CacheRegistryTest, RewriteLowerCasesStripsCarriageReturnsAndKeepsEmptyLines) {
  set_registry("<ZEB Software>\r\n\r\nC:\\Old\\A.EXE\n");
  register_path("c:\\b.exe");
  EXPECT_EQ(registry(), "<zeb software>\n\nc:\\old\\a.exe\nc:\\b.exe\n");
  EXPECT_EQ(list(), " \nc:\\old\\a.exe \nc:\\b.exe \n");
}

TEST_F(CacheRegistryTest, LineLongerThanTheReadBufferReadsAsSeveralLines) {
  const std::size_t piece = kRegistryLineBuffer - 1;
  const std::string head(piece, 'a');
  const std::string tail = "bbb";
  set_registry("<zeb software>\n" + head + tail + "\n");
  EXPECT_EQ(list(), head + " \n" + tail + " \n");
  // The same split shows in a rewrite: the pieces become lines of their own.
  register_path("c:\\z.exe");
  EXPECT_EQ(registry(), "<zeb software>\n" + head + "\n" + tail + "\nc:\\z.exe\n");
}

TEST_F(CacheRegistryTest, RegistryGrowsBeyondTheOldRewriteLimit) {
  // 400 paths of about 290 characters: well over 100,000 bytes.
  std::string expected = "<zeb software>\n";
  for (int i = 0; i < 400; ++i) {
    expected += "c:\\" + std::string(280, 'p') + "\\" + std::to_string(1000 + i) + ".exe\n";
  }
  set_registry(expected);
  const std::string last = "c:\\" + std::string(280, 'q') + "\\last.exe";
  ASSERT_EQ(register_path(last), 0);
  expected += last + "\n";
  EXPECT_GT(expected.size(), 100000u);
  EXPECT_EQ(registry(), expected);
  // Registering one of the early ones again changes nothing.
  ASSERT_EQ(register_path("c:\\" + std::string(280, 'p') + "\\1000.exe"), 0);
  EXPECT_EQ(registry(), expected);
}

TEST_F(CacheRegistryTest, NullPathAndUnknownModeTouchNothing) {
  EXPECT_EQ(cache_registry_in(base(), kRegistryRegister, nullptr), 0);
  EXPECT_FALSE(fs::exists(registry_file()));
  set_registry("<ZEB Software>\nC:\\A.exe\n");
  std::string path = "C:\\B.EXE";
  EXPECT_EQ(cache_registry_in(base(), 7, &path), 0);
  EXPECT_EQ(path, "c:\\b.exe");  // lower-cased whatever the mode
  EXPECT_EQ(registry(), "<ZEB Software>\nC:\\A.exe\n");
}

TEST_F(CacheRegistryTest, BaseDirectoryWithoutFinalBackslashNamesTheSameRegistry) {
  std::string path = "c:\\a.exe";
  cache_registry_in(dir_.path(), kRegistryRegister, &path);
  EXPECT_EQ(registry(), "<zeb software>\nc:\\a.exe\n");
}

TEST_F(CacheRegistryTest, FlushDeletesCachedExecutablesTheirDirectoriesAndTheRegistry) {
  const fs::path hello = make_file("cache/Hello.zebc-0a1b2c3d/Hello.zebc.exe");
  const fs::path other = make_file("cache/other.zebc-00000001/other.zebc.exe");
  // Registered in lower case, as the pipeline leaves them; the files on disk
  // keep their own letter case.
  register_path(base() + "cache\\Hello.zebc-0a1b2c3d\\Hello.zebc.exe");
  register_path(base() + "CACHE\\other.zebc-00000001\\other.zebc.exe");
  int handled = 0;
  EXPECT_EQ(command({"/flush"}, &handled), "deleting cached files \n");
  EXPECT_EQ(handled, 1);
  EXPECT_FALSE(fs::exists(hello));
  EXPECT_FALSE(fs::exists(hello.parent_path()));
  EXPECT_FALSE(fs::exists(other.parent_path()));
  EXPECT_TRUE(fs::is_directory(dir_.host("cache")));
  EXPECT_FALSE(fs::exists(registry_file()));
  EXPECT_EQ(list(), "No cached files\n");
}

TEST_F(CacheRegistryTest, FlushLeavesWhatLiesOutsideTheCacheDirectory) {
  const fs::path elsewhere = make_file("elsewhere/keep.exe");
  const fs::path climbing = make_file("victim/v.exe");
  const fs::path direct = make_file("cache/direct.exe");
  ScopedTempDir outside;
  write_host_file(outside.host("x.exe"), "MZ");
  set_registry("<zeb software>\n" + base() + "elsewhere\\keep.exe\n" + base() +
               "cache\\..\\victim\\v.exe\n" + base() + "cache/../victim/v.exe\n" + base() +
               "cache\\direct.exe\n" + outside.path() + "\\x.exe\n" + base() + "cache\\\n" +
               base() + "cachex\\y.exe\n");
  command({"/flush"});
  EXPECT_TRUE(fs::exists(elsewhere));
  EXPECT_TRUE(fs::exists(climbing));
  EXPECT_TRUE(fs::exists(outside.host("x.exe")));
  // Inside the cache: deleted; the cache directory itself stays.
  EXPECT_FALSE(fs::exists(direct));
  EXPECT_TRUE(fs::is_directory(dir_.host("cache")));
  EXPECT_FALSE(fs::exists(registry_file()));
}

TEST_F(CacheRegistryTest, FlushRemovesTheEmptyDirectoryOfAVanishedExecutable) {
  fs::create_directories(dir_.host("cache/gone.zebc-12345678"));
  fs::create_directories(dir_.host("cache/busy.zebc-12345678"));
  const fs::path kept = make_file("cache/busy.zebc-12345678/notes.txt");
  register_path(base() + "cache\\gone.zebc-12345678\\gone.zebc.exe");
  register_path(base() + "cache\\busy.zebc-12345678\\busy.zebc.exe");
  command({"/flush"});
  EXPECT_FALSE(fs::exists(dir_.host("cache/gone.zebc-12345678")));
  // A directory that is not empty cannot be removed; the flush goes on.
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(registry_file()));
}

TEST_F(CacheRegistryTest, FlushWithoutRegistryOnlyAnnouncesItself) {
  int handled = 0;
  EXPECT_EQ(command({"/flush"}, &handled), "deleting cached files \n");
  EXPECT_EQ(handled, 1);
  EXPECT_FALSE(fs::exists(registry_file()));
}

TEST_F(CacheRegistryTest, RegistryThatCannotBeOpenedGivesThousandInEveryMode) {
  const std::string before = "<zeb software>\nc:\\a.exe\n";
  set_registry(before);
  // Held open by someone who shares it with nobody.
  const std::string registry_path = base() + kRegistryFileName;
  HANDLE held = CreateFileA(registry_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int result = 0;
  EXPECT_EQ(list(&result), "");
  EXPECT_EQ(result, kRegistryUnavailable);
  EXPECT_EQ(register_path("c:\\b.exe"), kRegistryUnavailable);
  EXPECT_EQ(cache_registry_in(base(), kRegistryFlush, nullptr), kRegistryUnavailable);
  // The commands still count as done.
  int handled = 0;
  EXPECT_EQ(command({"/cachedfiles"}, &handled), "");
  EXPECT_EQ(handled, 1);
  CloseHandle(held);
  EXPECT_EQ(registry(), before);
}

TEST_F(CacheRegistryTest, CommandsAreRecognisedExactly) {
  const struct {
    std::vector<const char*> arguments;
    int handled;
    const char* output;
  } cases[] = {
      {{"/version"}, 1, "ZEB_C version 1.0.0 \n"},
      {{"/version", "extra", "more"}, 1, "ZEB_C version 1.0.0 \n"},
      {{"/cachedfiles"}, 1, "No cached files\n"},
      {{"/Version"}, 0, ""},
      {{"/FLUSH"}, 0, ""},
      {{"/cachedfiles "}, 0, ""},
      {{"version"}, 0, ""},
      {{"hello.zebc", "/version"}, 0, ""},
      {{""}, 0, ""},
      {{}, 0, ""},
  };
  for (const auto& c : cases) {
    int handled = -1;
    EXPECT_EQ(command(c.arguments, &handled), c.output)
        << (c.arguments.empty() ? "(none)" : c.arguments[0]);
    EXPECT_EQ(handled, c.handled) << (c.arguments.empty() ? "(none)" : c.arguments[0]);
  }
  EXPECT_FALSE(fs::exists(registry_file()));
}

TEST_F(CacheRegistryTest, CachedFilesListsTheRegistry) {
  register_path("C:\\Z\\Cache\\A.zebc-00000000\\A.zebc.exe");
  EXPECT_EQ(command({"/cachedfiles"}), "c:\\z\\cache\\a.zebc-00000000\\a.zebc.exe \n");
}

TEST(CacheRegistryCommands, VersionNeedsNoInstallation) {
  const char* arguments[] = {"zeb_c", "/version"};
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(handle_command(2, arguments), 1);
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ZEB_C version 1.0.0 \n");
  const char* source[] = {"zeb_c", "hello.zebc"};
  EXPECT_EQ(handle_command(2, source), 0);
  EXPECT_EQ(handle_command(1, source), 0);
}

}  // namespace
}  // namespace zeb::driver
