// zeb_c running C sources through its cache, end to end.

#include <sys/stat.h>

#include <csignal>

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

// Prints its argument count and each argument in brackets, one per line.
constexpr const char* kShowArguments =
    "#include <stdio.h>\nint main(int argc, char** argv) { printf(\"%d\\n\", argc - 1);\n"
    "  for (int i = 1; i < argc; ++i) printf(\"[%s]\\n\", argv[i]);\n  return 0; }\n";

// Prints a mark of its own, then its working directory.
std::string where_source(const std::string& mark) {
  return "#include <stdio.h>\n#include <unistd.h>\n"
         "int main(void) { char b[4096]; if (!getcwd(b, sizeof b)) return 1;"
         " printf(\"" + mark + " %s\\n\", b); return 0; }\n";
}

using RunSourceTest = E2ETest;

// The program's standard input and exit status are its own; "c:echo.zebc"
// is echo.zebc in drive C's current directory, with the same cache entry.
TEST_P(RunSourceTest, FirstRunCompilesAndLaterRunsComeFromTheCache) {
  const std::string echo = "#include <stdio.h>\nint main(void) { int c;"
                           " while ((c = getchar()) != EOF) putchar(c == 'a' ? 'A' : c); return 42; }\n";
  const std::string source = write_source("echo.zebc", echo);
  expect_run({"echo.zebc"}, compiled("bAnAnA\nsplit\n"), 42, {.input = "banana\nsplit\n"});
  // The cache entry: named from the lower-cased full path, stamped with the
  // source's checksum 10 bytes before the end of 300 added bytes.
  const fs::path executable = install_.executable_for(source);
  const std::string bytes = test::read_host_file(executable);
  ASSERT_GT(bytes.size(), 300u) << executable;
  std::string stamp(300, '\0');
  for (int i = 0; i < 4; ++i) stamp[290 + i] = static_cast<char>(crc32_of(echo) >> (8 * i));
  EXPECT_EQ(bytes.substr(bytes.size() - 300), stamp);
  expect_run({"echo.zebc"}, text("Abc"), 42, {.input = "abc"});
  expect_run({source.substr(0, 2) + "echo.zebc"}, std::string(), 42);
  EXPECT_EQ(install_.cached_executables().size(), 1u);
}

TEST_P(RunSourceTest, SourcePathsTypedTheHostsWayRunTheRightProgramInItsDirectory) {
  // Same names, same sizes: only the path tells them apart.
  const std::string sub = write_source("sub/x.zebc", where_source("sub"));
  write_source("sub dir/x.zebc", where_source("dir"));
  const std::string top = write_source("x.zebc", where_source("top"));
  // From a current directory deeper than the 260 characters it is read into,
  // nothing runs and nothing is made. (Wine starts no program there: it uses
  // C:\windows instead.)
  if (!install_.windows_host()) {
    fs::path deep = work_.host_path();
    while (deep.string().size() <= 300) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    test::write_host_file(deep / "y.zebc", where_source("y"));
    for (const std::string& typed : {top, std::string("y.zebc")}) {
      expect_run({typed}, failed("argument or path too long\n"), 28, {.directory = deep});
    }
    EXPECT_FALSE(fs::exists(install_.host() / "cache"));
    EXPECT_FALSE(fs::exists(install_.host() / "zeb_c.dat"));
  }
  const std::string in_sub = text("sub " + install_.program_sees(work_.host("sub")) + "\n");
  std::vector<std::tuple<std::string, std::string, Printed>> cases = {  // typed, where, printed
      {"sub/x.zebc", "", {in_sub, install_.compile_header()}},
      {"sub dir/x.zebc", "", compiled("dir " + install_.program_sees(work_.host("sub dir")) + "\n")},
      {"x.zebc", "", compiled("top " + install_.program_sees(work_.host_path()) + "\n")},
      // The same file by another spelling, or from another directory, reuses its entry.
      {"sub\\x.zebc", "", in_sub},
      {"SUB/X.ZEBC", "", in_sub},
      {install_.windows_host() ? sub : work_.host("sub/x.zebc").string(), "", in_sub},
      {"X.zebc", "sub", in_sub},
      {install_.windows(work_.host("SUB/X.ZEBC")), "sub dir", in_sub},
  };
  // Spellings from the current directory, POSIX's and PowerShell's: the same entries.
  cases.push_back({"./sub/x.zebc", "", in_sub});
  cases.push_back({".././sub dir/../sub/x.zebc", "sub", in_sub});
  if (install_.windows_host()) {
    cases.push_back({".\\sub\\x.zebc", "", in_sub});
    cases.push_back({"..\\sub\\x.zebc", "sub dir", in_sub});
    cases.push_back({".\\X.ZEBC", "sub", in_sub});
  } else {
    // The Windows build joins the typed text to the current directory as it
    // is, so there a doubled separator names a second cache entry.
    cases.push_back({"sub//x.zebc", "", in_sub});
  }
  for (const auto& [typed, where, printed] : cases) expect_run({typed}, printed, 0, {.directory = where});
  EXPECT_EQ(install_.cached_executables().size(), 3u);
  // A name that itself begins with a dot is still refused, on every host.
  write_source(".x.zebc", where_source("dot"));
  expect_run({".x.zebc"}, failed("cannot use relative path that has a . as the first character\n"), 15);
}

TEST_P(RunSourceTest, ArgumentsArriveExactlyAsTyped) {
  write_source("args.zebc", kShowArguments);
  expect_run({"args.zebc"}, compiled("0\n"));
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"two words", "  padded  "}, "2\n[two words]\n[  padded  ]\n"},
      {{"say \"hi\"", "\""}, "2\n[say \"hi\"]\n[\"]\n"},
      {{"trailing\\", "two\\\\", "C:\\dir with blank\\"}, "3\n[trailing\\]\n[two\\\\]\n[C:\\dir with blank\\]\n"},
      {{"a\\\"b", "\\\\\"", "tab\there"}, "3\n[a\\\"b]\n[\\\\\"]\n[tab\there]\n"},
      // No argument has a length limit of its own, only the whole command line.
      {{std::string(299, 'x'), std::string(5000, 'y')}, "2\n[" + std::string(299, 'x') + "]\n[" + std::string(5000, 'y') + "]\n"},
      // Empty extra arguments are skipped; every other one reaches the program.
      {{"", "b"}, "1\n[b]\n"},
      {{"1", "2 3", "4", "5 six", "", "7", "8"}, "6\n[1]\n[2 3]\n[4]\n[5 six]\n[7]\n[8]\n"},
  };
  for (auto [command, out] : cases) {
    command.insert(command.begin(), "args.zebc");
    expect_run(command, text(out));
  }
  // Past what Windows starts a program with, nothing runs. (Windows itself
  // would not start zeb_c with such a command line, so it is tried on POSIX.)
  if (!install_.windows_host()) {
    std::vector<std::string> command(110, std::string(299, 'x'));
    command.insert(command.begin(), "args.zebc");
    expect_run(command, failed("argument or path too long\n"), 28);
  }
}

// As a shell runs a program: the terminal's interrupt is the program's to
// answer, and zeb_c ended by SIGTERM ends its program too; either way the
// program's own status comes back and nothing is left running. A program
// ended by a signal ends zeb_c by the same signal, so that a shell that waits
// for it sees what it would have seen without it: Ctrl-C stops a loop. The
// program starts with no signal held back, whatever zeb_c holds.
TEST_P(RunSourceTest, SignalsReachTheProgramAndItsEndComesBack) {
  ZEB_E2E_POSIX_ONLY("signals are POSIX's; on Windows the console sends Ctrl-C to the program itself");
  write_source("catch.zebc",
               "#include <signal.h>\n#include <stdio.h>\n#include <unistd.h>\n"
               "static volatile sig_atomic_t got;\nstatic void on(int s) { got = s; }\n"
               "int main(void) { signal(SIGINT, on); signal(SIGTERM, on);\n"
               "  FILE* f = fopen(\"started\", \"w\"); if (f) fclose(f);\n"
               "  for (int i = 0; i < 800 && !got; ++i) usleep(25000);\n"
               "  printf(\"got %d\\n\", (int)got); return got ? 7 : 1; }\n");
  expect_run({"catch.zebc"}, compiled("got 2\n"), 7,
             {.signal_when = work_.host("started"), .signal = SIGINT, .signal_group = true});
  fs::remove(work_.host("started"));
  expect_run({"catch.zebc"}, text("got 15\n"), 7, {.signal_when = work_.host("started"), .signal = SIGTERM});
  fs::remove(work_.host("started"));
  write_source("spin.zebc",
               "#include <signal.h>\n#include <stdio.h>\n#include <unistd.h>\n"
               "int main(void) { sigset_t held; sigprocmask(SIG_BLOCK, NULL, &held);\n"
               "  int any = 0; for (int s = 1; s < 32; ++s) any |= sigismember(&held, s);\n"
               "  printf(\"held %d\\n\", any); fflush(stdout);\n"
               "  FILE* f = fopen(\"started\", \"w\"); if (f) fclose(f);\n"
               "  for (int i = 0; i < 200; ++i) usleep(25000);\n  return 0; }\n");
  const RunResult alone = run({"spin.zebc"}, {.signal_when = work_.host("started"), .signal = SIGINT, .signal_group = true});
  EXPECT_EQ(std::tuple(alone.out, alone.err, alone.signal), std::tuple(text("held 0\n"), install_.compile_header(), SIGINT));
  fs::remove(work_.host("started"));
  const std::string loop = "for i in 1 2 3; do '" + (install_.host() / "zeb_c").string() +
                           "' spin.zebc; done; echo after-loop";
  const RunResult looped = install_.run_program("/bin/bash", {"-c", loop},
                                                {.directory = work_.host_path(), .signal_when = work_.host("started"),
                                                 .signal = SIGINT, .signal_group = true});
  EXPECT_EQ(std::pair(looped.out, looped.signal), std::pair(std::string("held 0\n"), SIGINT));
}

// A script reached through a link is the file it leads to: its quoted
// headers are found beside that file, its program runs in that file's
// directory, and every spelling shares one cache entry. A POSIX program finds
// itself, and names itself in its usage, by argv[0]: the host path of its
// executable, on a compiling run and a cached one alike. The include scan
// reads only files: a FIFO or a device named where the compiler skips it
// would otherwise hang the run.
TEST_P(RunSourceTest, ASourceThroughALinkIsTheFileItLeadsTo) {
  ZEB_E2E_POSIX_ONLY("links and FIFOs are POSIX's here; on Windows argv[0] is the command line's first word");
  write_source("proj/msg.h", "#define MSG \"linked\"\n");
  ASSERT_EQ(mkfifo(work_.host("proj/pipe.h").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", work_.host("proj/zero.h"));
  const std::string source =
      write_source("proj/tool.zebc", "#include <stdio.h>\n#include <unistd.h>\n#include \"msg.h\"\n#if 0\n"
                                     "#include \"pipe.h\"\n#include \"zero.h\"\n#endif\nint main(int argc, char** argv)"
                                     " { char b[4096]; (void)argc; if (!getcwd(b, sizeof b)) return 1;"
                                     " printf(\"%s %s %s\\n\", MSG, b, argv[0]); return 0; }\n");
  fs::create_directories(work_.host("bin"));
  fs::create_symlink(work_.host("proj/tool.zebc"), work_.host("bin/tool"));
  fs::create_directory_symlink(work_.host("proj"), work_.host("alias"));
  const std::string self = install_.executable_for(source).string();
  const std::string out = "linked " + work_.host("proj").string() + " " + self + "\n";
  expect_run({"bin/tool"}, compiled(out));
  expect_run({"alias/tool.zebc"}, text(out));
  expect_run({"tool.zebc"}, text(out), 0, {.directory = "proj"});
  EXPECT_EQ(install_.cached_executables().size(), 1u);
}

// A script run by its own name: the kernel reads its first line and starts
// zeb_c, found along PATH through a link, with the script's path. Its program
// gets the user's PATH as it was, behind the toolchain's directory: entries no
// Windows name can carry (a ';', a '*', a final dot) included, so that a tool
// found there without zeb_c is found with it.
TEST_P(RunSourceTest, ScriptRunsByItsOwnNameWithItsLineNumbersAndTheUsersPath) {
  ZEB_E2E_POSIX_ONLY("the kernel's #! and the host's PATH are POSIX's");
  const test::ScopedTempDir bin;
  fs::create_symlink(install_.host() / "zeb_c", bin.host("zeb_c"));
  for (const char* directory : {"tools.", "a;b", "x*y"}) fs::create_directories(work_.host(directory));
  write_source("tools./mytool", "#!/bin/sh\necho mytool ran\n");
  write_source("lib/msg.h", "#define MSG \"from a script\"\n");
  write_source("lib/x", "#!/usr/bin/env zeb_c\n#include <stdio.h>\n#include <stdlib.h>\n#include \"msg.h\"\n"
                        "int main(int argc, char** argv) { printf(\"%s %d %s\\n%s\\n\", MSG, argc, argv[argc - 1],"
                        " getenv(\"PATH\")); fflush(stdout); return system(\"mytool\") == 0 ? 5 : 1; }\n");
  write_source("lib/bad", "#!/usr/bin/env zeb_c\nint main(void) {\n  return nothing;\n}\n");
  for (const char* name : {"lib/x", "lib/bad", "tools./mytool"}) {
    fs::permissions(work_.host(name), fs::perms::owner_all);
  }
  const std::string user_path = bin.host_path().string() + ":" + work_.host("tools.").string() + ":" +
                                work_.host("a;b").string() + ":" + work_.host("x*y").string() + ":/usr/bin:/bin";
  const RunOptions options = {.directory = work_.host("lib"), .environment = {"PATH=" + user_path}};
  const std::string toolchain = install_.host().string() + "/mingw/bin/";
  const RunResult first = install_.run_program("./x", {"a", "b"}, options);
  expect_printed(first, compiled("from a script 3 b\n" + toolchain + ":" + user_path + "\nmytool ran\n"), 5);
  const RunResult bad = install_.run_program("./bad", {}, options);
  EXPECT_EQ(bad.status, 9);
  EXPECT_NE(bad.err.find(work_.host("lib/bad").string() + ":3:"), std::string::npos) << bad.err;
}

// After the header, the compiler's own words as zeb_c.dat keeps them: those
// of a compile that fails (9, and the next run compiles again), naming the
// file as zeb_c gave it (the POSIX stand-in hands the host's compiler a host
// path); and a large output of a compile that succeeds, both streams into one
// file, where nothing of zeb_c's own may arrive after what its children wrote.
TEST_P(RunSourceTest, CompilerMessagesAreShownInOrderAndAFailedCompileGivesNine) {
  const std::string source = write_source("broken.zebc", "int main(void) { return 0 }\n");
  for (int attempt = 0; attempt < 2; ++attempt) {
    const RunResult result = run({"broken.zebc"});
    const std::string messages = test::read_host_file(install_.host() / "zeb_c.dat");
    expect_printed(result, {"", install_.compile_header() + text(messages + "compilation error\n")}, 9);
    EXPECT_NE(messages.find(install_.windows_host() ? source : "broken.zebc"), std::string::npos);
    EXPECT_NE(messages.find("error:"), std::string::npos);
  }
  std::string warnings, lines;
  for (int i = 0; i < 300; ++i) warnings += "#warning warning number " + std::to_string(i) + "\n";
  for (int i = 0; i < 2000; ++i) lines += "line " + std::to_string(i) + "\n";
  write_source("warn.zebc",
               warnings + "#include <stdio.h>\nint main(void) {"
               " for (int i = 0; i < 2000; ++i) printf(\"line %d\\n\", i); return 0; }\n");
  const RunResult result = run({"warn.zebc"}, {.one_stream = true});
  // The installation's capture holds the messages shown, every chunk of them.
  const std::string messages = test::read_host_file(install_.host() / "zeb_c.dat");
  EXPECT_GT(messages.size(), 3 * 4096u);
  expect_printed(result, install_.compile_header() + text(messages) + text(lines));
}

ZEB_E2E_ON_EVERY_HOST(RunSourceTest);

}  // namespace
}  // namespace zeb::e2e
