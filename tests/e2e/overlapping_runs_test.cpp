// Runs that overlap, runs cut short and a full disk: the cache stays correct
// and nothing a run makes is lost to /flush.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/installation_support.h"
#include "support/scoped.h"

namespace zeb::e2e {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::ScopedTempDir;
using test::write_host_file;

std::string printing(const std::string& text) {
  return "#include <stdio.h>\nint main(void) { printf(\"" + text + "\\n\"); return 0; }\n";
}

// Replaces a file in one step, as editors save.
void save(const fs::path& path, const std::string& bytes) {
  const fs::path staging = path.string() + ".saving";
  write_host_file(staging, bytes);
  fs::rename(staging, path);
}

// The registry's lines after its marker, which must come first.
std::vector<std::string> registered(const Installation& install) {
  std::istringstream in(install.registry());
  std::string line;
  std::vector<std::string> lines;
  if (!std::getline(in, line) || line != "<zeb software>") return {"(no marker)"};
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The registry names every executable in the cache exactly once.
void expect_registry_matches_cache(const Installation& install) {
  std::vector<std::string> lines = registered(install);
  std::vector<std::string> cached;
  for (const fs::path& file : install.cached_executables()) {
    const fs::path relative = fs::relative(file, install.host());
    cached.push_back(lower(install.windows() + relative.parent_path().string() + "\\" +
                           relative.filename().string()));
    std::replace(cached.back().begin(), cached.back().end(), '/', '\\');
  }
  std::sort(lines.begin(), lines.end());
  std::sort(cached.begin(), cached.end());
  EXPECT_EQ(lines, cached);
}

class OverlappingRunsTest : public ::testing::Test {
 protected:
  // Runs `work(worker)` on `workers` threads at once.
  template <typename Work>
  static void in_parallel(int workers, Work work) {
    std::vector<std::thread> threads;
    for (int worker = 0; worker < workers; ++worker) threads.emplace_back(work, worker);
    for (std::thread& thread : threads) thread.join();
  }

  Installation install_;
  ScopedTempDir work_;
};

TEST_F(OverlappingRunsTest, ManyRunsAtOnceAllSucceedAndTheRegistryMatchesTheCache) {
  write_host_file(work_.host("same.zebc"), printing("same"));
  constexpr int kWorkers = 4;
  in_parallel(kWorkers, [this](int) {
    for (int run = 0; run < 25; ++run) {
      const RunResult result = install_.run({"same.zebc"}, work_.host_path());
      EXPECT_EQ(result.status, 0) << result.out;
      // Compiled once, by whichever run came first.
      EXPECT_TRUE(result.out == "same\n" || result.out == compile_header() + "same\n") << result.out;
    }
  });
  EXPECT_EQ(registered(install_).size(), 1u);

  for (int i = 0; i < kWorkers * 10; ++i) {
    write_host_file(work_.host("s" + std::to_string(i) + ".zebc"), printing("s" + std::to_string(i)));
  }
  in_parallel(kWorkers, [this](int worker) {
    for (int run = 0; run < 10; ++run) {
      const std::string name = "s" + std::to_string(worker * 10 + run);
      const RunResult result = install_.run({name + ".zebc"}, work_.host_path());
      EXPECT_EQ(result.out, compile_header() + name + "\n");
      EXPECT_EQ(result.status, 0);
    }
  });
  EXPECT_EQ(install_.cached_executables().size(), 1u + kWorkers * 10);
  expect_registry_matches_cache(install_);

  EXPECT_EQ(install_.run({"/flush"}, work_.host_path()).status, 0);
  EXPECT_TRUE(install_.cached_executables().empty());
  EXPECT_FALSE(fs::exists(install_.host() / "zeb_c.ini"));
}

TEST_F(OverlappingRunsTest, SourceSavedWhileOthersRunIt) {
  const fs::path source = work_.host("edit.zebc");
  save(source, printing("first"));
  std::atomic<bool> saved{false};
  std::thread editor([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    save(source, printing("second"));
    saved = true;
  });
  in_parallel(3, [&](int) {
    // Until three runs have started after the save.
    for (int after_save = 0; after_save < 3;) {
      const bool after = saved;
      if (after) ++after_save;
      const RunResult result = install_.run({"edit.zebc"}, work_.host_path());
      std::string out = result.out;
      if (out.starts_with(compile_header())) out.erase(0, compile_header().size());
      EXPECT_TRUE(out == "first\n" || out == "second\n") << result.out;
      if (after) {
        EXPECT_EQ(out, "second\n");
      }
    }
  });
  editor.join();
  EXPECT_EQ(install_.run({"edit.zebc"}, work_.host_path()).out, "second\n");
  expect_registry_matches_cache(install_);
}

// Puts a shell script in place of the toolchain stand-in, which is kept
// beside it as gcc.real and still answers "gcc -v"; `compile_step` does the
// rest, with $here the toolchain directory.
void replace_toolchain(const Installation& install, const std::string& compile_step) {
  fs::rename(install.gcc(), install.gcc().parent_path() / "gcc.real");
  write_host_file(install.gcc(),
                  "#!/bin/sh\nhere=$(dirname \"$0\")\n"
                  "if [ \"$1\" = -v ]; then exec \"$here/gcc.real\" -v; fi\n" + compile_step);
  fs::permissions(install.gcc(), fs::perms::owner_all);
}

// A toolchain whose compile, once its output is written, waits for the test
// to say "go".
class PausingToolchainTest : public OverlappingRunsTest {
 protected:
  PausingToolchainTest() {
    replace_toolchain(install_,
                      "\"$here/gcc.real\" \"$@\"; status=$?\n: > \"$here/compiled\"\n"
                      "i=0; while [ ! -e \"$here/go\" ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
                      "exit $status\n");
  }
  void wait_for_compile() {
    const fs::path marker = install_.gcc().parent_path() / "compiled";
    for (int i = 0; i < 400 && !fs::exists(marker); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_TRUE(fs::exists(marker));
  }
  void go() { write_host_file(install_.gcc().parent_path() / "go", ""); }
};

TEST_F(OverlappingRunsTest, CompilerThatSucceedsWithoutOutputIsACompilationError) {
  const struct {
    const char* name;
    std::string step;
  } toolchains[] = {
      {"writes nothing", "exit 0\n"},
      {"deletes its output", "\"$here/gcc.real\" \"$@\" || exit 1\nrm -f \"$here\"/../../cache/*/~*\nexit 0\n"},
  };
  write_host_file(work_.host("p.zebc"), printing("p"));
  for (const auto& toolchain : toolchains) {
    Installation install;
    replace_toolchain(install, toolchain.step);
    for (int run = 0; run < 2; ++run) {
      const RunResult result = install.run({"p.zebc"}, work_.host_path());
      EXPECT_EQ(result.out, compile_header() + "compilation error\n") << toolchain.name;
      EXPECT_EQ(result.status, 9) << toolchain.name;
      EXPECT_TRUE(install.cached_executables().empty()) << toolchain.name;
    }
  }
}

TEST_F(PausingToolchainTest, SourceSavedDuringTheCompileIsCompiledAgainNextTime) {
  const fs::path source = work_.host("p.zebc");
  save(source, printing("old"));
  Started first = install_.start({"p.zebc"}, work_.host_path());
  wait_for_compile();
  save(source, printing("new"));
  go();
  EXPECT_EQ(first.wait().out, compile_header() + "old\n");
  // The old program carries the old source's checksum, not the new one's.
  EXPECT_EQ(install_.run({"p.zebc"}, work_.host_path()).out, compile_header() + "new\n");
  EXPECT_EQ(install_.run({"p.zebc"}, work_.host_path()).out, "new\n");
}

TEST_F(PausingToolchainTest, FlushDuringACompileKeepsThatEntry) {
  write_host_file(work_.host("p.zebc"), printing("p"));
  Started compiling = install_.start({"p.zebc"}, work_.host_path());
  wait_for_compile();
  const RunResult flushed = install_.run({"/flush"}, work_.host_path());
  EXPECT_EQ(flushed.out, "deleting cached files \n");
  go();
  const RunResult result = compiling.wait();
  EXPECT_EQ(result.out, compile_header() + "p\n");
  EXPECT_EQ(result.status, 0);
  // Still registered, so a later /flush finds it.
  expect_registry_matches_cache(install_);
  ASSERT_EQ(install_.cached_executables().size(), 1u);
  EXPECT_EQ(install_.run({"p.zebc"}, work_.host_path()).out, "p\n");
  install_.run({"/flush"}, work_.host_path());
  EXPECT_TRUE(install_.cached_executables().empty());
}

TEST_F(OverlappingRunsTest, FullDiskWhileStampingKeepsNothing) {
  write_host_file(work_.host("p.zebc"), printing("p"));
  ASSERT_EQ(install_.run({"p.zebc"}, work_.host_path()).status, 0);
  ASSERT_EQ(install_.cached_executables().size(), 1u);
  // The compiler's output fits, the stamp after it does not.
  const std::uintmax_t program = fs::file_size(install_.cached_executables()[0]) - 300;
  install_.run({"/flush"}, work_.host_path());
  const RunResult full = install_.start({"p.zebc"}, work_.host_path(), "", std::nullopt, program + 100).wait();
  EXPECT_EQ(full.out, compile_header() + "cannot update the checksum on the cached executable\n");
  EXPECT_EQ(full.status, 10);
  EXPECT_TRUE(install_.cached_executables().empty());
  EXPECT_EQ(install_.run({"p.zebc"}, work_.host_path()).out, compile_header() + "p\n");
}

TEST_F(OverlappingRunsTest, FlushKeepsWhatItCannotDeleteAndNeverFollowsALink) {
  write_host_file(work_.host("a.zebc"), printing("a"));
  write_host_file(work_.host("b.zebc"), printing("b"));
  ASSERT_EQ(install_.run({"a.zebc"}, work_.host_path()).status, 0);
  ASSERT_EQ(install_.run({"b.zebc"}, work_.host_path()).status, 0);
  const fs::path a = install_.executable_for(work_.path() + "\\a.zebc");
  const fs::path b = install_.executable_for(work_.path() + "\\b.zebc");
  // a's program is read-only; b's cache directory becomes a link to a
  // directory outside, holding a file of the same name.
  fs::permissions(a, fs::perms::owner_read);
  ScopedTempDir outside;
  write_host_file(outside.host(b.filename().string()), "not ours");
  fs::remove_all(b.parent_path());
  fs::create_directory_symlink(outside.host_path(), b.parent_path());

  install_.run({"/flush"}, work_.host_path());
  EXPECT_EQ(read_host_file(outside.host(b.filename().string())), "not ours");
  EXPECT_TRUE(fs::exists(a));
  EXPECT_EQ(registered(install_).size(), 2u);
  const RunResult listed = install_.run({"/cachedfiles"}, work_.host_path());
  EXPECT_NE(listed.out.find(lower(a.filename().string())), std::string::npos) << listed.out;

  fs::permissions(a, fs::perms::owner_all);
  fs::remove(b.parent_path());
  install_.run({"/flush"}, work_.host_path());
  EXPECT_TRUE(install_.cached_executables().empty());
  EXPECT_FALSE(fs::exists(install_.host() / "zeb_c.ini"));
}

}  // namespace
}  // namespace zeb::e2e
