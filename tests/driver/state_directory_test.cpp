#include "driver/state_directory.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scoped.h"

namespace zeb::driver {
namespace {

// The installation is used whenever this user can write in it; otherwise the
// user's own directory, made with its parents. A directory that cannot be
// written is simulated by one that does not exist: the lock file can be
// neither opened nor created in either.
TEST(StateDirectoryTest, TheInstallationWhenWritableElseTheUsersOwn) {
  test::ScopedTempDir install, user;
  const std::string writable = install.path() + "\\";
  const std::string unwritable = install.path() + "\\gone\\";
  const std::string own = user.path() + "\\local\\app data\\zeb_c\\";
  EXPECT_EQ(choose_state_directory(writable, user.path() + "\\local\\app data"), writable);
  EXPECT_TRUE(std::filesystem::exists(install.host("zeb_c.lck")));
  EXPECT_FALSE(std::filesystem::exists(user.host("local")));
  EXPECT_EQ(choose_state_directory(unwritable, user.path() + "\\local\\app data"), own);
  EXPECT_TRUE(std::filesystem::is_directory(user.host("local/app data/zeb_c")));
  // Again, with it there: the same.
  EXPECT_EQ(choose_state_directory(unwritable, user.path() + "\\local\\app data\\"), own);
  // No data directory known, or none that can be made: the installation, to
  // fail there as before.
  EXPECT_EQ(choose_state_directory(unwritable, ""), unwritable);
  test::write_host_file(user.host("file"), "");
  EXPECT_EQ(choose_state_directory(unwritable, user.path() + "\\file"), unwritable);
}

}  // namespace
}  // namespace zeb::driver
