#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "driver/source_path.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

using test::ScopedCurrentDir;
using test::ScopedTempDir;

TEST(CurrentDirectoryTest, FollowsEveryChange) {
  ScopedTempDir first, second;
  ScopedCurrentDir keep(first.path());
  EXPECT_EQ(std::string(current_directory()), first.path());
  EXPECT_EQ(set_current_directory(second.path().c_str()), 0);
  EXPECT_EQ(std::string(current_directory()), second.path());
}

TEST(CurrentDirectoryTest, RefusedChangesGiveOneAndKeepTheDirectory) {
  ScopedTempDir dir;
  ScopedCurrentDir keep(dir.path());
  const std::string missing = dir / "missing";
  for (const char* path : {missing.c_str(), "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(path ? path : "(null)");
    EXPECT_EQ(set_current_directory(path), 1);
    EXPECT_EQ(std::string(current_directory()), dir.path());
  }
}

TEST(ManageWorkingDirectoryTest, RestoreWithoutSaveChangesNothing) {
  // The saved directory lives for the whole process, so this runs in a
  // fresh one where nothing has been saved yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedTempDir dir;
  ScopedCurrentDir keep(dir.path());
  EXPECT_EXIT(
      {
        const std::string before = current_directory();
        const int result = manage_working_directory(kRestoreWorkingDirectory, nullptr);
        std::exit(result == 0 && before == current_directory() && !before.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ManageWorkingDirectoryTest, SavesEntersAndRestores) {
  ScopedTempDir user, exe;
  ScopedCurrentDir keep(user.path());
  EXPECT_EQ(manage_working_directory(kSaveWorkingDirectory, nullptr), 0);
  EXPECT_EQ(manage_working_directory(kEnterDirectory, exe.path().c_str()), 0);
  EXPECT_EQ(std::string(current_directory()), exe.path());
  EXPECT_EQ(manage_working_directory(kRestoreWorkingDirectory, "ignored"), 0);
  EXPECT_EQ(std::string(current_directory()), user.path());
}

TEST(ManageWorkingDirectoryTest, RefusedChangesAndOtherModesAreSwallowed) {
  ScopedTempDir dir;
  ScopedCurrentDir keep(dir.path());
  const std::string missing = dir / "missing";
  EXPECT_EQ(manage_working_directory(kEnterDirectory, missing.c_str()), 0);
  EXPECT_EQ(std::string(current_directory()), dir.path());
  ScopedTempDir other;
  for (const int mode : {-1, 3, 100}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(manage_working_directory(mode, other.path().c_str()), 0);
    EXPECT_EQ(std::string(current_directory()), dir.path());
  }
}

TEST(ManageWorkingDirectoryTest, EachSaveReplacesTheLast) {
  ScopedTempDir first, second, elsewhere;
  ScopedCurrentDir keep(first.path());
  manage_working_directory(kSaveWorkingDirectory, nullptr);
  manage_working_directory(kEnterDirectory, second.path().c_str());
  manage_working_directory(kSaveWorkingDirectory, nullptr);
  manage_working_directory(kEnterDirectory, elsewhere.path().c_str());
  manage_working_directory(kRestoreWorkingDirectory, nullptr);
  EXPECT_EQ(std::string(current_directory()), second.path());
}

}  // namespace
}  // namespace zeb::driver
