#include "driver/state_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "support/scoped.h"

namespace zeb::driver {
namespace {

// The installation is used whenever this user can write in it; otherwise the
// user's own directory, made with its parents. A directory that cannot be
// written is simulated by one that does not exist: the lock file can be
// neither opened nor created in either.
TEST(StateDirectoryTest, TheInstallationWhenWritableElseTheUsersOwn) {
  using Refusal = StateChoice::Refusal;
  const auto choice = [](const std::string& installation, const std::string& user_data) {
    const StateChoice made = choose_state_directory(installation, user_data);
    return std::tuple(made.directory, made.refusal, made.tried);
  };
  test::ScopedTempDir install, user;
  const std::string writable = install.path() + "\\";
  const std::string unwritable = install.path() + "\\gone\\";
  const std::string own = user.path() + "\\local\\app data\\zeb_c\\";
  EXPECT_EQ(choice(writable, user.path() + "\\local\\app data"), std::tuple(writable, Refusal::None, ""));
  EXPECT_TRUE(std::filesystem::exists(install.host("zeb_c.lck")));
  EXPECT_FALSE(std::filesystem::exists(user.host("local")));
  EXPECT_EQ(choice(unwritable, user.path() + "\\local\\app data"), std::tuple(own, Refusal::None, ""));
  EXPECT_TRUE(std::filesystem::is_directory(user.host("local/app data/zeb_c")));
  // Again, with it there: the same.
  EXPECT_EQ(choice(unwritable, user.path() + "\\local\\app data\\"), std::tuple(own, Refusal::None, ""));
  // No data directory known, or none that can be made: the installation, for
  // the commands, with what was tried for a run to name.
  EXPECT_EQ(choice(unwritable, ""), std::tuple(unwritable, Refusal::NotCreated, unwritable));
  test::write_host_file(user.host("file"), "");
  EXPECT_EQ(choice(unwritable, user.path() + "\\file"),
            std::tuple(unwritable, Refusal::NotCreated, user.path() + "\\file\\zeb_c\\"));
}

}  // namespace
}  // namespace zeb::driver
