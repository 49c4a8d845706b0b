// zeb_c with the toolchains its users have: each one's "gcc -v" answer as
// recorded from the real thing (tests/data/gcc-v), the compiling done by the
// stand-in; and the toolchain check's answer kept between runs: a cached run
// does not ask gcc, and every other answer stays reachable by putting another
// gcc in place.

#include <chrono>

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

const fs::path kRecordedAnswers = ZEB_E2E_GCC_V_DATA;

// Prints its argument count and each argument in brackets, then fails with 3.
constexpr const char* kShowArguments =
    "#include <stdio.h>\nint main(int argc, char** argv) { printf(\"%d\\n\", argc - 1);\n"
    "  for (int i = 1; i < argc; ++i) printf(\"[%s]\\n\", argv[i]);\n  return 3; }\n";

constexpr const char* kNotMingw = "gcc mingw not found \ngcc compiler not installed or not mingw\n";

class ToolchainsTest : public E2ETest {
 protected:
  // gcc answers as the recorded toolchain `name` did, when it is asked.
  RunOptions recorded(const std::string& name) const {
    return {.environment = {"ZEB_GCC_RECORDED_VERSION=" + install_.windows(kRecordedAnswers / (name + ".txt"))}};
  }
};

TEST_P(ToolchainsTest, MingwBuildsRunTheSourceAndOthersAreRefusedBeforeAnythingIsCached) {
  const struct {
    std::string recorded;
    std::string version;  // the word zeb_c shows; empty when it refuses
    int status = 3;
    std::string refusal = {};
  } toolchains[] = {
      {"mingw-3.4.2", "3.4.2"},
      {"mingw-org-6.3.0", "6.3.0"},
      {"debian-cross-12-posix", "12-posix"},
      {"cygwin-11.4.0", "", 23, kNotMingw},
      {"mingw-3.3.1", "", 21, "zeb_c requires gcc mingw version 3.4.2 or above \ngcc not found or wrong version\n"},
  };
  std::size_t accepted = 0;
  for (const auto& toolchain : toolchains) {
    SCOPED_TRACE(toolchain.recorded);
    // A source of its own for each, so that each first run has to compile.
    const std::string typed = toolchain.recorded + ".zebc";
    write_source(typed, kShowArguments);
    const RunOptions options = recorded(toolchain.recorded);
    // Put in place as another toolchain would be: a gcc whose file has not
    // changed is answered for by the answer kept from its last check.
    const auto turn = std::chrono::minutes(1 + (&toolchain - toolchains));
    fs::last_write_time(install_.gcc(), fs::last_write_time(install_.gcc()) - turn);
    if (toolchain.version.empty()) {
      expect_run({typed, "a", "b"}, failed(toolchain.refusal), toolchain.status, options);
    } else {
      const std::string banner =
          "ZEB Software ZEB_C JIT compiler version 1.0.0 \ngcc version " + toolchain.version + " \n \n";
      expect_run({typed, "a", "b"}, {text("2\n[a]\n[b]\n"), text(banner)}, 3, options);
      ++accepted;
    }
    EXPECT_EQ(install_.cached_executables().size(), accepted);
  }
}

TEST_P(ToolchainsTest, ACachedRunAsksNoGccAndAnotherGccPutInPlaceIsAskedOnTheNextRun) {
  const fs::path kept = install_.host() / "cache" / "toolchain.dat";
  const fs::path libraries = install_.host() / "cache" / "libraries.dat";
  write_source("hello.zebc", printing("hi"));
  expect_run({"hello.zebc"}, compiled("hi\n"));
  // Whatever gcc would say now, it is not asked while its file is unchanged.
  expect_run({"hello.zebc"}, text("hi\n"), 0, recorded("linux-gcc-12.2.0"));
  // A damaged answer is asked again.
  const std::string library_answer = test::read_host_file(libraries);
  test::write_host_file(kept, test::read_host_file(kept) + "x");
  expect_run({"hello.zebc"}, failed(kNotMingw), 23, recorded("linux-gcc-12.2.0"));
  // Asked again and kept anew; a compile served by the kept answer keeps the
  // library answer, which is keyed by the toolchain's report.
  expect_run({"hello.zebc"}, text("hi\n"));
  write_source("hello.zebc", printing("hello"));
  expect_run({"hello.zebc"}, compiled("hello\n"), 0, recorded("linux-gcc-12.2.0"));
  EXPECT_EQ(test::read_host_file(libraries), library_answer);
  expect_run({"/flush"}, text("deleting cached files \n"));
  EXPECT_FALSE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(libraries));

  expect_run({"hello.zebc"}, compiled("hello\n"));
  // The same gcc with another write time: asked, and refused; nothing kept.
  fs::last_write_time(install_.gcc(), fs::last_write_time(install_.gcc()) - std::chrono::hours(1));
  expect_run({"hello.zebc"}, failed(kNotMingw), 23, recorded("linux-gcc-12.2.0"));
  expect_run({"hello.zebc"}, failed(kNotMingw), 23, recorded("linux-gcc-12.2.0"));
}

// Under Wine the toolchain is truthful: a library it lacks fails the link as
// on Windows, so every Windows scenario proves that zeb_c names only the
// libraries its toolchain has.
TEST_P(ToolchainsTest, ALibraryTheToolchainLacksFailsTheLink) {
  if (!install_.windows_host()) GTEST_SKIP() << "Windows only: the POSIX stand-in leaves out Windows libraries";
  const std::string source = write_source("plain.c", printing("plain"));
  const std::string output = install_.windows(work_.host("plain.exe"));
  const RunOptions here = {.directory = work_.host_path()};
  const RunResult link = install_.run_program(install_.gcc(), {source, "-o", output, "-lth32"}, here);
  EXPECT_NE(link.status, 0);
  EXPECT_NE(link.err.find("cannot find -lth32"), std::string::npos) << link.err;
  EXPECT_FALSE(fs::exists(work_.host("plain.exe")));
  const RunResult query = install_.run_program(install_.gcc(), {"-print-file-name=libth32.a"}, here);
  EXPECT_EQ(std::pair(query.status, query.out), std::pair(0, text("libth32.a\n")));
}

ZEB_E2E_ON_EVERY_HOST(ToolchainsTest);

}  // namespace
}  // namespace zeb::e2e
