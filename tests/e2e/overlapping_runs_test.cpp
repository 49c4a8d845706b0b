// Runs that overlap, runs cut short and a full disk: the cache stays correct
// and nothing a run makes is lost to /flush.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <chrono>
#include <sstream>
#include <thread>

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

using test::write_host_file;
using namespace std::chrono_literals;

constexpr const char* kShellToolchain = "the toolchain here is a shell script";

// Replaces a file in one step, as editors save.
void save(const fs::path& path, const std::string& bytes) {
  write_host_file(path.string() + ".saving", bytes);
  fs::rename(path.string() + ".saving", path);
}

// The registry: its marker, then every executable in the cache exactly once.
void expect_registry_matches_cache(const Installation& install) {
  std::vector<std::string> cached = {"<zeb software>"}, lines;
  for (const fs::path& file : install.cached_executables()) cached.push_back(lower(install.windows(file)));
  std::istringstream in(install.registry());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  std::sort(lines.begin() + 1, lines.end());
  std::sort(cached.begin() + 1, cached.end());
  EXPECT_EQ(lines, cached);
}

// Runs `work(worker)` on `workers` threads at once.
template <typename Work>
void in_parallel(int workers, Work work) {
  std::vector<std::thread> threads;
  for (int worker = 0; worker < workers; ++worker) threads.emplace_back(work, worker);
  for (std::thread& thread : threads) thread.join();
}

class OverlappingRunsTest : public E2ETest {
 protected:
  // Puts a shell script in place of the toolchain stand-in, which is kept
  // beside it as gcc.real and still answers "gcc -v" and the questions that
  // come before a compile; `compile_step` does the rest, with $here the
  // toolchain directory.
  static void replace_toolchain(const Installation& install, const std::string& compile_step) {
    fs::rename(install.gcc(), install.gcc().parent_path() / "gcc.real");
    write_host_file(install.gcc(), "#!/bin/sh\nhere=$(dirname \"$0\")\n"
                                   "case \"$1\" in -v|-print-*) exec \"$here/gcc.real\" \"$@\";; esac\n" + compile_step);
    fs::permissions(install.gcc(), fs::perms::owner_all);
  }
  fs::path toolchain(const std::string& name) const { return install_.gcc().parent_path() / name; }
};

TEST_P(OverlappingRunsTest, ManyRunsAtOnceAllSucceedAndTheRegistryMatchesTheCache) {
  // Every Wine start costs a few tenths of a second: fewer runs there.
  const bool small = install_.windows_host();
  const int workers = small ? 2 : 4, same_runs = small ? 5 : 25, scripts = small ? 3 : 10;
  write_source("same.zebc", printing("same"));
  std::atomic<int> compiles{0};
  in_parallel(workers, [&](int) {
    for (int run_number = 0; run_number < same_runs; ++run_number) {
      const RunResult result = run({"same.zebc"});
      EXPECT_EQ(std::pair(result.out, result.status), std::pair(text("same\n"), 0)) << result.err;
      EXPECT_TRUE(result.err.empty() || result.err == install_.compile_header()) << result.err;
      compiles += result.err.empty() ? 0 : 1;
    }
  });
  // Compiled once, by whichever run came first: the others waited for it.
  EXPECT_EQ(compiles, 1);
  EXPECT_EQ(install_.cached_executables().size(), 1u);
  expect_registry_matches_cache(install_);
  for (int i = 0; i < workers * scripts; ++i) {
    write_source("s" + std::to_string(i) + ".zebc", printing("s" + std::to_string(i)));
  }
  in_parallel(workers, [&](int worker) {
    for (int run_number = 0; run_number < scripts; ++run_number) {
      const std::string name = "s" + std::to_string(worker * scripts + run_number);
      expect_run({name + ".zebc"}, compiled(name + "\n"));
    }
  });
  EXPECT_EQ(install_.cached_executables().size(), 1u + workers * scripts);
  expect_registry_matches_cache(install_);
}

// A program still running (in another console) when its edited source is run
// again: Windows refuses to replace its file, so it is moved aside, and
// deleted once it has ended.
TEST_P(OverlappingRunsTest, EditedSourceRunsWhileItsOldProgramStillRuns) {
  const std::string waiting =
      "#include <stdio.h>\n#include <unistd.h>\n"
      "int main(void) {\n  FILE* f = fopen(\"started\", \"w\"); if (f) fclose(f);\n"
      "  printf(\"old\\n\"); fflush(stdout);\n"
      "  for (int i = 0; i < 600 && !(f = fopen(\"release\", \"r\")); ++i) usleep(50000);\n"
      "  if (f) fclose(f);\n  return 3;\n}\n";
  save(work_.host("s.zebc"), waiting);
  std::future<RunResult> old_run = start({"s.zebc"});
  for (int i = 0; i < 1200 && !fs::exists(work_.host("started")); ++i) std::this_thread::sleep_for(25ms);
  ASSERT_TRUE(fs::exists(work_.host("started")));
  save(work_.host("s.zebc"), printing("new"));
  expect_run({"s.zebc"}, compiled("new\n"));
  // Once more while the old one runs: a second program moved aside is fine.
  save(work_.host("s.zebc"), printing("newer"));
  expect_run({"s.zebc"}, compiled("newer\n"));
  write_host_file(work_.host("release"), "");
  expect_printed(old_run.get(), compiled("old\n"), 3);
  EXPECT_EQ(install_.cached_executables().size(), 1u);
  expect_registry_matches_cache(install_);
  expect_run({"s.zebc"}, text("newer\n"));
  // Nothing runs the old programs any more: /flush leaves nothing behind.
  expect_run({"/flush"}, text("deleting cached files \n"));
  EXPECT_TRUE(fs::is_empty(install_.host() / "cache"));
}

TEST_P(OverlappingRunsTest, SourceSavedOrCacheFlushedDuringTheCompile) {
  ZEB_E2E_POSIX_ONLY(kShellToolchain);
  // The compile, once its output is written, waits for the test's "go".
  replace_toolchain(install_, "\"$here/gcc.real\" \"$@\"; status=$?\n: > \"$here/compiled\"\n"
                              "i=0; while [ ! -e \"$here/go\" ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
                              "exit $status\n");
  save(work_.host("p.zebc"), printing("old"));
  std::future<RunResult> first = start({"p.zebc"});
  for (int i = 0; i < 400 && !fs::exists(toolchain("compiled")); ++i) std::this_thread::sleep_for(25ms);
  save(work_.host("p.zebc"), printing("new"));
  expect_run({"/flush"}, text("deleting cached files \n"));
  write_host_file(toolchain("go"), "");
  expect_printed(first.get(), compiled("old\n"));
  // Still registered, so a later /flush finds it.
  expect_registry_matches_cache(install_);
  EXPECT_EQ(install_.cached_executables().size(), 1u);
  // The old program carries the old source's checksum, not the new one's.
  expect_run({"p.zebc"}, compiled("new\n"));
  expect_run({"p.zebc"}, text("new\n"));
}

// A compile never outlives its run: zeb_c ended by a signal ends the whole
// compile with it; killed outright, its compiler gets SIGKILL.
TEST_P(OverlappingRunsTest, ACompileEndsWithItsRun) {
  ZEB_E2E_POSIX_ONLY(kShellToolchain);
  // The compile notes its process, then waits (in a child of its own, as a
  // driver's cc1 or ld) for as long as it is let live.
  replace_toolchain(install_, "echo $$ > \"$here/compile.pid\"\n"
                              "sleep 30 & echo $! > \"$here/child.pid\"\n: > \"$here/started\"\nwait\n");
  write_source("k.zebc", printing("k"));
  const auto gone = [](const fs::path& pid_file) {
    const std::string text = test::read_host_file(pid_file);
    const pid_t pid = static_cast<pid_t>(std::atoi(text.c_str()));
    // Ended, or a zombie waiting for whoever adopted it.
    for (int i = 0; i < 200 && pid > 0; ++i) {
      const std::string stat = test::read_host_file("/proc/" + std::to_string(pid) + "/stat");
      if (stat.empty() || stat.find(") Z ") != std::string::npos) return true;
      std::this_thread::sleep_for(25ms);
    }
    return false;
  };
  for (const int signal : {SIGTERM, SIGHUP, SIGKILL}) {
    fs::remove(toolchain("started"));
    const RunResult cut = run({"k.zebc"}, {.signal_when = toolchain("started"), .signal = signal});
    EXPECT_EQ(cut.signal, signal);
    EXPECT_TRUE(gone(toolchain("compile.pid"))) << "the compiler outlived zeb_c ended by " << signal;
    // Its own children go with it when zeb_c could still act.
    if (signal != SIGKILL) {
      EXPECT_TRUE(gone(toolchain("child.pid"))) << signal;
    }
  }
}

// A compile cut short that goes on writing (a linker that outlived its run)
// writes a staging file of its own, which no later run publishes.
TEST_P(OverlappingRunsTest, ACompileCutShortNeverPublishesItsOutputLater) {
  ZEB_E2E_POSIX_ONLY(kShellToolchain);
  // The first compile's work goes on in a process the kernel's end of zeb_c
  // does not reach: it compiles the old source, and writes its output where
  // it was told to once the test says "late". The second writes at once,
  // then lingers until "go", the window in which it stamps.
  replace_toolchain(install_,
                    "if [ -e \"$here/first\" ]; then\n"
                    "  for a in \"$@\"; do [ \"$prev\" = -o ] && out=$(printf %s \"$a\" | sed 's/^[Cc]://; s|\\\\|/|g'); prev=$a; done\n"
                    "  ( \"$here/gcc.real\" \"$@\" && mv \"$out\" \"$here/held\"\n"
                    "    while [ ! -e \"$here/late\" ]; do sleep 0.02; done; cp \"$here/held\" \"$out\"; : > \"$here/late.done\" ) &\n"
                    "  while [ ! -e \"$here/held\" ]; do sleep 0.02; done; : > \"$here/started\"; wait; exit 1\n"
                    "fi\n"
                    "\"$here/gcc.real\" \"$@\" || exit 1\n: > \"$here/written\"\n"
                    "while [ ! -e \"$here/go\" ]; do sleep 0.02; done\n");
  const auto wait_for = [this](const char* name) {
    for (int i = 0; i < 800 && !fs::exists(toolchain(name)); ++i) std::this_thread::sleep_for(25ms);
    return fs::exists(toolchain(name));
  };
  write_host_file(toolchain("first"), "");
  save(work_.host("s.zebc"), printing("old"));
  EXPECT_EQ(run({"s.zebc"}, {.signal_when = toolchain("started"), .signal = SIGKILL}).signal, SIGKILL);
  fs::remove(toolchain("first"));
  save(work_.host("s.zebc"), printing("new"));
  std::future<RunResult> second = start({"s.zebc"});
  ASSERT_TRUE(wait_for("written"));
  write_host_file(toolchain("late"), "");
  ASSERT_TRUE(wait_for("late.done"));
  write_host_file(toolchain("go"), "");
  expect_printed(second.get(), compiled("new\n"));
  expect_run({"s.zebc"}, text("new\n"));
  // What the late compile left goes with the entry.
  expect_run({"/flush"}, text("deleting cached files \n"));
  EXPECT_TRUE(fs::is_empty(install_.host() / "cache"));
}

TEST_P(OverlappingRunsTest, FlushKeepsWhatItCannotDeleteAndNeverFollowsALink) {
  ZEB_E2E_POSIX_ONLY("the cache directory is replaced by a symbolic link");
  const fs::path a = install_.executable_for(write_source("a.zebc", printing("a")));
  const fs::path b = install_.executable_for(write_source("b.zebc", printing("b")));
  expect_run({"a.zebc"}, compiled("a\n"));
  expect_run({"b.zebc"}, compiled("b\n"));
  // a's program is read-only; b's cache directory becomes a link to a
  // directory outside, holding a file of the same name.
  fs::permissions(a, fs::perms::owner_read);
  const test::ScopedTempDir outside;
  write_host_file(outside.host(b.filename().string()), "not ours");
  fs::remove_all(b.parent_path());
  fs::create_directory_symlink(outside.host_path(), b.parent_path());

  run({"/flush"});
  EXPECT_EQ(test::read_host_file(outside.host(b.filename().string())), "not ours");
  EXPECT_TRUE(fs::exists(a));
  EXPECT_EQ(install_.registry(), "<zeb software>\n" + lower(install_.windows(a)) + "\n" +
                                     lower(install_.windows(b)) + "\n");
  expect_run({"/cachedfiles"}, lower(install_.windows(a)) + " \n" + lower(install_.windows(b)) + " \n");

  fs::permissions(a, fs::perms::owner_all);
  fs::remove(b.parent_path());
  run({"/flush"});
  EXPECT_TRUE(install_.cached_executables().empty());
  EXPECT_FALSE(fs::exists(install_.host() / "zeb_c.ini"));

  // The cache directory itself a link, under its own name or another
  // spelling of it: a line naming a file there deletes nothing.
  fs::create_directory(outside.host("docs"));
  write_host_file(outside.host("docs/important.txt"), "keep");
  const std::string line = lower(install_.windows(install_.host() / "cache" / "docs" / "important.txt"));
  for (const char* name : {"cache", "CACHE"}) {
    fs::remove_all(install_.host() / "cache");
    fs::remove_all(install_.host() / "CACHE");
    fs::create_directory_symlink(outside.host_path(), install_.host() / name);
    write_host_file(install_.host() / "zeb_c.ini", "<zeb software>\n" + line + "\n");
    run({"/flush"});
    EXPECT_EQ(test::read_host_file(outside.host("docs/important.txt")), "keep") << name;
  }
}

// A compile that cannot finish in its entry keeps nothing there: on a full
// disk while it stamps, or when the entry's directory became a link (a
// compile deletes and writes there, never through a link).
TEST_P(OverlappingRunsTest, ACompileThatCannotWriteItsEntryKeepsNothing) {
  ZEB_E2E_POSIX_ONLY("the full disk is a file-size limit (RLIMIT_FSIZE), the link a symbolic one");
  const fs::path program = install_.executable_for(write_source("p.zebc", printing("p")));
  expect_run({"p.zebc"}, compiled("p\n"));
  // The compiler's output fits, the stamp after it does not.
  const std::uintmax_t size = fs::file_size(program) - 300;
  run({"/flush"});
  expect_run({"p.zebc"}, {"", install_.compile_header() + text("cannot update the checksum on the cached executable\n")},
             10, {.file_size_limit = size + 100});
  EXPECT_TRUE(install_.cached_executables().empty());
  expect_run({"p.zebc"}, compiled("p\n"));
  const test::ScopedTempDir outside;
  const std::vector<std::string> planted = {"old1234.tmp", "zeb_c.dat", "~p.zebc.exe"};
  for (const std::string& name : planted) write_host_file(outside.host(name), "not ours");
  fs::remove_all(program.parent_path());
  fs::create_directory_symlink(outside.host_path(), program.parent_path());
  write_source("p.zebc", printing("p2"));
  expect_run({"p.zebc"}, failed("cannot create cache path\n"), 5);
  for (const std::string& name : planted) EXPECT_EQ(test::read_host_file(outside.host(name)), "not ours") << name;
  EXPECT_FALSE(fs::exists(outside.host(program.filename().string())));
}

ZEB_E2E_ON_EVERY_HOST(OverlappingRunsTest);

}  // namespace
}  // namespace zeb::e2e
