// zeb_c's commands and the failures a user can meet, end to end.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/installation_support.h"
#include "support/scoped.h"

namespace zeb::e2e {
namespace {

namespace fs = std::filesystem;
using test::ScopedTempDir;
using test::write_host_file;

constexpr const char* kUsage =
    "\nUsage:\n\nzeb_c file.zebc \nWhere file.zebc is the c file that you want to execute/compile\n\n"
    "zeb_c /version \nTo get the version of the just in time compiler\n\n"
    "zeb_c /cachedfiles \nTo see all the files that are in the cache\n\n"
    "zeb_c /flush \nTo delete the files in the cache\n\n";

constexpr const char* kHello =
    "#include <stdio.h>\nint main(void) { printf(\"hi\\n\"); return 0; }\n";

class CommandsTest : public ::testing::Test {
 protected:
  CommandsTest() { write_host_file(work_.host("hello.zebc"), kHello); }
  RunResult run(const std::vector<std::string>& arguments) {
    return install_.run(arguments, work_.host_path());
  }
  std::string source() const { return work_.path() + "\\hello.zebc"; }

  Installation install_;
  ScopedTempDir work_;
};

TEST_F(CommandsTest, NoArgumentsPrintsTheUsage) {
  const RunResult result = run({});
  EXPECT_EQ(result.out, kUsage);
  EXPECT_EQ(result.status, 1);
}

TEST_F(CommandsTest, VersionCommand) {
  const RunResult result = run({"/version", "ignored"});
  EXPECT_EQ(result.out, "ZEB_C version 1.0.0 \n");
  EXPECT_EQ(result.status, 0);
  // Commands are case-sensitive: this one is taken for a file name.
  EXPECT_EQ(run({"/Version"}).out, "file /Version don't exist \n");
}

TEST_F(CommandsTest, CachedFilesAndFlushBeforeAndAfterARun) {
  RunResult listed = run({"/cachedfiles"});
  EXPECT_EQ(listed.out, "No cached files\n");
  EXPECT_EQ(listed.status, 0);
  RunResult flushed = run({"/flush"});
  EXPECT_EQ(flushed.out, "deleting cached files \n");
  EXPECT_EQ(flushed.status, 0);

  ASSERT_EQ(run({"hello.zebc"}).out, compile_header() + "hi\n");
  const fs::path executable = install_.executable_for(source());
  const std::string registered = lower(install_.windows() + "cache\\" +
                                       executable.parent_path().filename().string() +
                                       "\\hello.zebc.exe");
  EXPECT_EQ(run({"/cachedfiles"}).out, registered + " \n");

  flushed = run({"/flush"});
  EXPECT_EQ(flushed.out, "deleting cached files \n");
  EXPECT_EQ(flushed.status, 0);
  EXPECT_FALSE(fs::exists(executable));
  EXPECT_FALSE(fs::exists(executable.parent_path()));
  EXPECT_TRUE(fs::is_directory(install_.host() / "cache"));
  EXPECT_FALSE(fs::exists(install_.host() / "zeb_c.ini"));
  EXPECT_EQ(run({"/cachedfiles"}).out, "No cached files\n");
  // With the cache gone, the next run compiles again.
  EXPECT_EQ(run({"hello.zebc"}).out, compile_header() + "hi\n");
}

TEST_F(CommandsTest, FlushLeavesFilesOutsideTheCache) {
  ScopedTempDir other;
  write_host_file(other.host("precious.exe"), "keep");
  write_host_file(install_.host() / "zeb_c.ini",
                  "<zeb software>\n" + lower(other.path()) + "\\precious.exe\n");
  EXPECT_EQ(run({"/flush"}).out, "deleting cached files \n");
  EXPECT_TRUE(fs::exists(other.host("precious.exe")));
}

TEST_F(CommandsTest, MissingCompilerGivesSeventeen) {
  fs::remove(install_.gcc());
  const RunResult result = install_.run({"hello.zebc"}, work_.host_path(), "", "/nonexistent");
  EXPECT_EQ(result.out, "gcc not found or gcc error\n");
  EXPECT_EQ(result.status, 17);
}

TEST_F(CommandsTest, CaptureFileThatCannotBeDeletedGivesSixteen) {
  write_host_file(install_.capture_file(), "old output");
  fs::permissions(install_.capture_file(), fs::perms::owner_read | fs::perms::group_read |
                                               fs::perms::others_read);
  const RunResult result = run({"hello.zebc"});
  EXPECT_EQ(result.out, "file don't exist\n");
  EXPECT_EQ(result.status, 16);
  EXPECT_EQ(install_.cache_entries(), 0);
}

TEST_F(CommandsTest, MissingSourceGivesTwo) {
  const RunResult result = run({"nothing.zebc", "a"});
  EXPECT_EQ(result.out, "file nothing.zebc don't exist \n");
  EXPECT_EQ(result.status, 2);
  // The existence test comes first, whatever the name looks like.
  EXPECT_EQ(run({".\\nothing.zebc"}).status, 2);
  EXPECT_EQ(run({"\\nothing.zebc"}).status, 2);
}

TEST_F(CommandsTest, LeadingDotGivesFifteen) {
  const RunResult result = run({".\\hello.zebc"});
  EXPECT_EQ(result.out, "cannot use relative path that has a . as the first character\n");
  EXPECT_EQ(result.status, 15);
}

TEST_F(CommandsTest, LeadingBackslashGivesFourteen) {
  // The source named from the root of the current drive.
  const std::string from_root = source().substr(2);
  ASSERT_EQ(from_root[0], '\\');
  const RunResult result = run({from_root});
  EXPECT_EQ(result.out, "cannot use relative path that has a \\ as the first character\n");
  EXPECT_EQ(result.status, 14);
  EXPECT_EQ(install_.cache_entries(), 0);
}

}  // namespace
}  // namespace zeb::e2e

namespace zeb::e2e {
namespace {

TEST_F(CommandsTest, ArgumentLongerThanItsSlotIsRefusedBeforeAnythingRuns) {
  const RunResult result = run({"hello.zebc", "a", std::string(300, 'x')});
  EXPECT_EQ(result.out, "argument or path too long\n");
  EXPECT_EQ(result.status, 28);
  EXPECT_EQ(install_.cache_entries(), 0);
}

}  // namespace
}  // namespace zeb::e2e
