// zeb_c's commands and the failures a user can meet, end to end.

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

constexpr const char* kUsage =
    "\nUsage:\n\nzeb_c file.zebc [arguments...] \nWhere file.zebc is the c file that you want to execute/compile;"
    " the arguments are passed to its program\n"
    "In the file, #pragma comment(lib, \"name\") links a library, #pragma zeb_c options(\"-DX=1\", \"-Iinc\")"
    " adds compiler options and #pragma zeb_c workdir(\"caller\") runs the program in the current directory\n\n"
    "zeb_c /version \nTo get the version of the just in time compiler\n\n"
    "zeb_c /cachedfiles \nTo see all the files that are in the cache\n\n"
    "zeb_c /flush \nTo delete the files in the cache\n\n"
    "zeb_c --help \nTo see this text\n\n";

class CommandsTest : public E2ETest {
 protected:
  const std::string source_ = write_source("hello.zebc", printing("hi"));
};

TEST_P(CommandsTest, UsageVersionAndRefusalsThatLeaveNoCache) {
  const std::tuple<std::vector<std::string>, std::string, std::string, int> cases[] = {  // arguments, out, err, status
      {{}, kUsage, "", 1},
      // Help and the version asked for the usual ways.
      {{"--help"}, kUsage, "", 0}, {{"-h"}, kUsage, "", 0}, {{"/?"}, kUsage, "", 0},
      {{"/version", "ignored"}, "ZEB_C version 1.0.0 \n", "", 0}, {{"--version"}, "ZEB_C version 1.0.0 \n", "", 0},
      // Commands are case-sensitive: this one is taken for a file name.
      {{"/Version"}, "", "file /Version don't exist \n", 2},
      // The existence test comes first, whatever the name looks like.
      {{"nothing.zebc", "a"}, "", "file nothing.zebc don't exist \n", 2},
      {{".\\nothing.zebc"}, "", "file .\\nothing.zebc don't exist \n", 2},
      {{"\\nothing.zebc"}, "", "file \\nothing.zebc don't exist \n", 2},
      // The source named from the root of the current drive.
      {{source_.substr(2)}, "", "cannot use relative path that has a \\ as the first character\n", 14},
  };
  for (const auto& [arguments, out, err, status] : cases) expect_run(arguments, {text(out), text(err)}, status);
  // On POSIX a backslash is part of a name, so ".\\" begins a name with a dot;
  // and a final dot or blank is part of a name too, so these name no file
  // that can be run, not hello.zebc (even when such a file exists).
  if (!install_.windows_host()) {
    expect_run({".\\hello.zebc"}, failed("cannot use relative path that has a . as the first character\n"), 15);
    write_source("hello.zebc.", printing("other"));
    for (const std::string typed : {"hello.zebc.", "hello.zebc ", "hello.zebc...", "./hello.zebc. "}) {
      expect_run({typed}, failed("file " + typed + " don't exist \n"), 2);
    }
  }
  // A capture file left that cannot be deleted stops the run before a compile.
  test::write_host_file(install_.host() / "zeb_c.dat", "old output");
  fs::permissions(install_.host() / "zeb_c.dat", fs::perms::owner_read);
  expect_run({"hello.zebc"}, failed("file don't exist\n"), 16);
  EXPECT_FALSE(fs::exists(install_.host() / "cache"));
}

// What zeb_c keeps is its own: written only into files it creates itself,
// never read through a link, and closed to other users.
TEST_P(CommandsTest, StateFilesAreNotReachedThroughLinksNorOpenToOthers) {
  ZEB_E2E_POSIX_ONLY("symbolic links and permission bits are made the POSIX way here");
  const test::ScopedTempDir outside;
  for (const char* name : {"victim", "victim2", "private"}) test::write_host_file(outside.host(name), name);
  fs::create_directory(install_.host() / "cache");
  fs::create_symlink(outside.host("victim"), install_.host() / "zeb_c.ini.new");
  fs::create_symlink(outside.host("victim2"), install_.host() / "cache" / "libraries.dat.new");
  fs::create_symlink(outside.host("private"), install_.host() / "zeb_c.ini");
  expect_run({"hello.zebc"}, compiled("hi\n"));
  for (const char* name : {"victim", "victim2", "private"}) EXPECT_EQ(test::read_host_file(outside.host(name)), name);
  EXPECT_EQ(install_.registry(), "<zeb software>\n" + lower(install_.windows(install_.executable_for(source_))) + "\n");
  // Nobody else may read, write or lock them (the lock's byte ranges above all).
  for (const fs::path& file : {install_.host() / "zeb_c.ini", install_.host() / "zeb_c.lck",
                               install_.host() / "cache" / "libraries.dat"}) {
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::others_all, fs::perms::none) << file;
  }
  // A registry that is a link is listed and flushed as no registry at all.
  fs::remove(install_.host() / "zeb_c.ini");
  fs::create_symlink(outside.host("private"), install_.host() / "zeb_c.ini");
  expect_run({"/cachedfiles"}, text("No cached files\n"));
  expect_run({"/flush"}, text("deleting cached files \n"));
  EXPECT_EQ(test::read_host_file(outside.host("private")), "private");
}

TEST_P(CommandsTest, MissingOrWrongToolchainLeavesNothingInTheCache) {
  // What the fake gcc prints (none: there is no gcc) and its status; zeb_c's messages and status.
  const std::tuple<std::string, std::string, std::string, int> toolchains[] = {
      {"", "0", "gcc not found or gcc error\n", 17},
      {"(mingw-special) but no version\n", "0", "gcc compiler not installed or not mingw\n", 22},
      {"gcc version 4.7.1 (mingw-special)\n", "1", "compilation error\n", 18},
  };
  for (const auto& [says, gcc_status, message, status] : toolchains) {
    fs::remove(install_.gcc());
    if (!says.empty()) install_.use_fake_gcc();
    expect_run({"hello.zebc"}, failed(message), status,
               {.environment = {"PATH=/nonexistent", "ZEB_FAKE_GCC_OUTPUT=" + says, "ZEB_FAKE_GCC_STATUS=" + gcc_status}});
  }
  // A compile that reports success without an output; what it printed are its
  // messages (their line ends are not checked: Windows shows CR LF as CR CR LF).
  const std::string says = "gcc version 4.7.1 (mingw-special)";
  const RunResult silent = run({"hello.zebc"}, {.environment = {"ZEB_FAKE_GCC_OUTPUT=" + says + "\n"}});
  EXPECT_EQ(std::pair(silent.out, silent.status), std::pair(std::string(), 9));
  EXPECT_TRUE(silent.err.starts_with(text("ZEB Software ZEB_C JIT compiler version 1.0.0 \ngcc version 4.7.1 \n \n") + says) &&
              silent.err.ends_with(text("compilation error\n"))) << silent.err;
  EXPECT_TRUE(install_.cached_executables().empty());
}

ZEB_E2E_ON_EVERY_HOST(CommandsTest);

}  // namespace
}  // namespace zeb::e2e
