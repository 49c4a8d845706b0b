// An installation that only its owner may change, shared by other users:
// each keeps a cache of their own, and the installation gains nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "installation_support.h"

namespace zeb::e2e {
namespace {

// Two users with no rights on the installation; no account is needed.
constexpr unsigned kFirstUser = 65534;
constexpr unsigned kSecondUser = 65533;

class SharedInstallationTest : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    if (IsSkipped()) return;
    if (GetParam() != Host::Posix) GTEST_SKIP() << "Wine runs as root here, and root writes everywhere";
    if (geteuid() != 0) GTEST_SKIP() << "changing user needs root";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/setpriv to change user";
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
  }

  // A directory of the user's own, as a home directory is.
  static void give(const test::ScopedTempDir& directory, unsigned user) {
    ASSERT_EQ(chown(directory.host_path().c_str(), user, user), 0);
  }

  std::set<fs::path> installation_files() const {
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(install_.host())) files.insert(entry.path());
    return files;
  }

  // The registry line of the entry for `source` in a state directory.
  std::string registry_line(const fs::path& state, const std::string& source) const {
    std::string key;
    for (int shift = 28; shift >= 0; shift -= 4) key += "0123456789abcdef"[(crc32_of(lower(source)) >> shift) & 15];
    const std::string name = source.substr(source.rfind('\\') + 1);
    return lower(install_.windows(state / "cache" / (name + "-" + key) / (name + ".exe")));
  }
};

TEST_P(SharedInstallationTest, EachUserKeepsACacheOfTheirOwn) {
  const std::string source = write_source("x.zebc", printing("shared"));
  const std::set<fs::path> before = installation_files();
  const test::ScopedTempDir first_home, second_cache;
  give(first_home, kFirstUser);
  give(second_cache, kSecondUser);
  // The first user has only a home; the second names a cache directory.
  const RunOptions first = {.environment = {"HOME=" + first_home.host_path().string(), "XDG_CACHE_HOME="},
                            .user = kFirstUser};
  const RunOptions second = {.environment = {"HOME=/nonexistent", "XDG_CACHE_HOME=" + second_cache.host_path().string()},
                             .user = kSecondUser};
  const fs::path first_state = first_home.host(".cache/zeb_c"), second_state = second_cache.host("zeb_c");

  expect_run({"x.zebc"}, compiled("shared\n"), 0, first);
  expect_run({"x.zebc"}, text("shared\n"), 0, first);
  expect_run({"/cachedfiles"}, text(registry_line(first_state, source) + " \n"), 0, first);
  expect_run({"x.zebc"}, compiled("shared\n"), 0, second);
  expect_run({"/cachedfiles"}, text(registry_line(second_state, source) + " \n"), 0, second);
  struct stat owner {};
  ASSERT_EQ(stat(first_state.c_str(), &owner), 0);
  EXPECT_EQ(owner.st_uid, kFirstUser);

  // One user's /flush leaves the other's cache alone.
  expect_run({"/flush"}, text("deleting cached files \n"), 0, first);
  expect_run({"/cachedfiles"}, text("No cached files\n"), 0, first);
  expect_run({"x.zebc"}, text("shared\n"), 0, second);
  EXPECT_EQ(installation_files(), before);
}

ZEB_E2E_ON_EVERY_HOST(SharedInstallationTest);

}  // namespace
}  // namespace zeb::e2e
