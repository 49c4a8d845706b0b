// Directory creation as a user without the power to override permissions:
// root may write into any directory, so the test's child becomes "nobody".
// POSIX hosts only (fork, setuid).
#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "fsutil/directory_creation.h"
#include "support/scoped.h"

namespace zeb::fsutil {

TEST(DirectoryCreationUnprivileged, DirectoryThatTakesNoNewFileIsReadOnly) {
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "this host has no user 'nobody'";
  test::ScopedTempDir dir;
  // The temporary directory must be open to other users; "locked" takes no new entries.
  std::filesystem::create_directory(dir.host("locked"));
  std::filesystem::permissions(dir.host("locked"), std::filesystem::perms(0555));
  const std::string locked = dir / "locked";
  // The child (forked: this binary sets no other death-test style) gives up root first.
  EXPECT_EXIT(std::_Exit(geteuid() == 0 && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
                             ? 2 : create_directory_path(locked.c_str())),
              testing::ExitedWithCode(15), "");
}

}  // namespace zeb::fsutil
