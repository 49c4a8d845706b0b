#include "driver/state_directory.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/scoped.h"

namespace zeb::driver {
namespace {

// The installation when this user can write in it, else the user's own
// directory, and a directory that cannot be made, are met end to end. With no
// data directory known at all: the installation, for the commands, with what
// was tried for a run to name. (A directory that does not exist stands for
// one that cannot be written.)
TEST(StateDirectoryTest, WithoutADataDirectoryTheInstallationIsNamedAsTried) {
  test::ScopedTempDir install;
  const std::string unwritable = install.path() + "\\gone\\";
  const StateChoice made = choose_state_directory(unwritable, "");
  EXPECT_EQ(std::tuple(made.directory, made.refusal, made.tried),
            std::tuple(unwritable, StateChoice::Refusal::NotCreated, unwritable));
}

}  // namespace
}  // namespace zeb::driver
