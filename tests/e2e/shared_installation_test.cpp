// An installation that only its owner may change, shared by other users:
// each keeps a cache of their own, and the installation gains nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "installation_support.h"

namespace zeb::e2e {
namespace {

// Two users with no rights on the installation; no account is needed.
constexpr unsigned kFirstUser = 65534;
constexpr unsigned kSecondUser = 65533;
// The name Wine gives the first user's profile directory.
constexpr const char* kWineUserName = "zebuser";

class SharedInstallationTest : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    if (IsSkipped()) return;
    if (geteuid() != 0) GTEST_SKIP() << "changing user needs root";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/setpriv to change user";
    if (GetParam() == Host::Windows32) {
      GTEST_SKIP() << "a 32-bit Wine prefix of another user's takes minutes through qemu; the 64-bit build runs it";
    }
    // Readable and searchable by everyone, writable by its owner only.
    for (const fs::path& top : {install_.host(), work_.host_path()}) {
      fs::permissions(top, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
      for (const auto& entry : fs::recursive_directory_iterator(top)) {
        fs::permissions(entry.path(), fs::perms::group_read | fs::perms::others_read |
                                          (entry.is_directory() ? fs::perms::group_exec | fs::perms::others_exec
                                                                : fs::perms::none),
                        fs::perm_options::add);
      }
    }
    ASSERT_EQ(chown(first_home_.host_path().c_str(), kFirstUser, kFirstUser), 0);
    first_ = {.environment = {"HOME=" + first_home_.host_path().string(), "XDG_CACHE_HOME=",
                              std::string("USER=") + kWineUserName},
              .user = kFirstUser};
  }

  // Under Wine the first user needs a prefix of their own.
  void prepare_wine() {
    if (!install_.windows_host()) return;
    first_.wine_prefix = first_home_.host("wineprefix");
    RunOptions boot = first_;
    boot.directory = first_home_.host_path();
    const RunResult booted = install_.run_program("wineboot", {"--init"}, boot);
    ASSERT_EQ(booted.status, 0) << booted.err;
  }

  void TearDown() override {
    if (!first_.wine_prefix.empty()) {
      const std::string stop = "/usr/bin/setpriv --reuid=" + std::to_string(kFirstUser) + " --regid=" +
                               std::to_string(kFirstUser) + " --clear-groups env WINEPREFIX=" +
                               first_.wine_prefix.string() + " /usr/lib/wine/wineserver64 -k";
      EXPECT_EQ(std::system(stop.c_str()), 0);
    }
  }

  std::set<fs::path> installation_files() const {
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(install_.host())) files.insert(entry.path());
    return files;
  }

  test::ScopedTempDir first_home_;
  RunOptions first_;
};

// The user's data directory: LOCALAPPDATA on Windows, $HOME/.cache here. A
// second user, who names a cache directory, keeps theirs apart: one user's
// /flush leaves the other's alone (one Wine prefix per user: that part on
// POSIX alone).
TEST_P(SharedInstallationTest, EachUserWhoCannotWriteTheInstallationKeepsTheirOwnCache) {
  prepare_wine();
  const std::string source = write_source("x.zebc", printing("shared"));
  const std::set<fs::path> before = installation_files();
  const std::string state = install_.windows_host()
                                ? std::string("c:\\users\\") + kWineUserName + "\\appdata\\local\\zeb_c"
                                : install_.windows(first_home_.host(".cache/zeb_c"));
  expect_run({"x.zebc"}, compiled("shared\n"), 0, first_);
  expect_run({"x.zebc"}, text("shared\n"), 0, first_);
  expect_run({"/cachedfiles"}, text(lower(state + "\\cache\\" + cache_entry(source)) + " \n"), 0, first_);
  const test::ScopedTempDir second_cache;
  const RunOptions second = {
      .environment = {"HOME=/nonexistent", "XDG_CACHE_HOME=" + second_cache.host_path().string()},
      .user = kSecondUser};
  if (!install_.windows_host()) {
    EXPECT_EQ(fs::status(first_home_.host(".cache/zeb_c")).permissions(), fs::perms::owner_all);
    ASSERT_EQ(chown(second_cache.host_path().c_str(), kSecondUser, kSecondUser), 0);
    expect_run({"x.zebc"}, compiled("shared\n"), 0, second);
    const std::string second_entry = install_.windows(second_cache.host("zeb_c/cache")) + "\\" + cache_entry(source);
    expect_run({"/cachedfiles"}, text(lower(second_entry) + " \n"), 0, second);
    struct stat owner {};
    ASSERT_EQ(stat(second_cache.host("zeb_c").c_str(), &owner), 0);
    EXPECT_EQ(owner.st_uid, kSecondUser);
  }
  expect_run({"/flush"}, text("deleting cached files \n"), 0, first_);
  expect_run({"/cachedfiles"}, text("No cached files\n"), 0, first_);
  if (!install_.windows_host()) expect_run({"x.zebc"}, text("shared\n"), 0, second);
  EXPECT_EQ(installation_files(), before);
}

// A directory of the user's own that someone else made first, or may
// change, could hold anybody's program stamped to pass for theirs: nothing is
// run from it, and the message names it.
TEST_P(SharedInstallationTest, AUserDirectoryOthersCanChangeRunsNothing) {
  ZEB_E2E_POSIX_ONLY("owners and modes are POSIX's here; a user's LOCALAPPDATA is theirs by its access list");
  write_source("x.zebc", printing("shared"));
  const auto refused = [&](const fs::path& directory) {
    return failed(install_.windows(directory) + "\\ is not this user's own: another user owns it or may change it \n"
                  "cache directory not private to this user\n");
  };
  // A shared place for caches, as /tmp is, where the second user came first.
  const test::ScopedTempDir shared;
  fs::permissions(shared.host_path(), fs::perms::all | fs::perms::sticky_bit);
  const fs::path planted = shared.host("zeb_c");
  fs::create_directory(planted);
  fs::permissions(planted, fs::perms::all);
  ASSERT_EQ(chown(planted.c_str(), kSecondUser, kSecondUser), 0);
  RunOptions in_shared = first_;
  in_shared.environment.push_back("XDG_CACHE_HOME=" + shared.host_path().string());
  expect_run({"x.zebc"}, refused(planted), 29, in_shared);
  expect_run({"/cachedfiles"}, refused(planted), 29, in_shared);
  EXPECT_TRUE(fs::is_empty(planted));
  // The user's own, opened to everyone.
  expect_run({"x.zebc"}, compiled("shared\n"), 0, first_);
  const fs::path own = first_home_.host(".cache/zeb_c");
  fs::permissions(own, fs::perms::all);
  expect_run({"x.zebc"}, refused(own), 29, first_);
  // Root, with the user's HOME and an installation it may not write either
  // (the lock file read-only): the user's directory is not root's.
  fs::permissions(own, fs::perms::owner_all);
  test::write_host_file(install_.host() / "zeb_c.lck", "");
  fs::permissions(install_.host() / "zeb_c.lck", fs::perms::owner_read);
  expect_run({"x.zebc"}, refused(own), 29, {.environment = first_.environment});
  // No usable home at all: the directory tried is named.
  expect_run({"x.zebc"},
             failed("cannot make a cache directory of this user's own: C:\\nonexistent\\.cache\\zeb_c\\ \n"
                    "cannot open required temporary file\n"),
             20, {.environment = {"HOME=/nonexistent", "XDG_CACHE_HOME="}, .user = kFirstUser});
}

ZEB_E2E_ON_EVERY_HOST(SharedInstallationTest);

}  // namespace
}  // namespace zeb::e2e
