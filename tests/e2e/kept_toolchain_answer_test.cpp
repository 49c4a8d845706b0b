// The toolchain check's answer kept between runs, end to end: a cached run
// does not ask gcc, and every other answer stays reachable by putting another
// gcc in place.

#include <chrono>

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

constexpr const char* kNotMingw = "gcc mingw not found \ngcc compiler not installed or not mingw\n";

class KeptToolchainAnswerTest : public E2ETest {
 protected:
  // gcc answers as a Linux gcc would, when it is asked.
  RunOptions linux_gcc() const {
    return {.environment = {"ZEB_GCC_RECORDED_VERSION=" +
                            install_.windows(fs::path(ZEB_E2E_GCC_V_DATA) / "linux-gcc-12.2.0.txt")}};
  }
  fs::path kept() const { return install_.host() / "cache" / "toolchain.dat"; }

  const std::string source_ = write_source("hello.zebc", printing("hi"));
};

TEST_P(KeptToolchainAnswerTest, ACachedRunAsksNoGccAndAnotherGccPutInPlaceIsAskedOnTheNextRun) {
  expect_run({"hello.zebc"}, compiled("hi\n"));
  // Whatever gcc would say now, it is not asked while its file is unchanged.
  expect_run({"hello.zebc"}, text("hi\n"), 0, linux_gcc());
  // The same gcc with another write time: asked, and refused; nothing kept.
  fs::last_write_time(install_.gcc(), fs::last_write_time(install_.gcc()) - std::chrono::hours(1));
  expect_run({"hello.zebc"}, failed(kNotMingw), 23, linux_gcc());
  expect_run({"hello.zebc"}, failed(kNotMingw), 23, linux_gcc());
  // Another gcc (another size), too old.
  fs::remove(install_.gcc());
  install_.use_fake_gcc();
  expect_run({"hello.zebc"},
             failed("zeb_c requires gcc mingw version 3.4.2 or above \ngcc not found or wrong version\n"), 21,
             {.environment = {"ZEB_FAKE_GCC_OUTPUT=gcc version 3.3.1 (mingw-special)\n"}});
  // None at all.
  fs::remove(install_.gcc());
  expect_run({"hello.zebc"}, failed("gcc not found or gcc error\n"), 17, {.environment = {"PATH=/nonexistent"}});
}

TEST_P(KeptToolchainAnswerTest, ADamagedAnswerIsAskedAgainAndFlushDeletesIt) {
  expect_run({"hello.zebc"}, compiled("hi\n"));
  const std::string libraries = test::read_host_file(install_.host() / "cache" / "libraries.dat");
  test::write_host_file(kept(), test::read_host_file(kept()) + "x");
  expect_run({"hello.zebc"}, failed(kNotMingw), 23, linux_gcc());
  // Asked again and kept anew; a compile served by the kept answer keeps the
  // library answer, which is keyed by the toolchain's report.
  expect_run({"hello.zebc"}, text("hi\n"));
  write_source("hello.zebc", printing("hello"));
  expect_run({"hello.zebc"}, compiled("hello\n"), 0, linux_gcc());
  EXPECT_EQ(test::read_host_file(install_.host() / "cache" / "libraries.dat"), libraries);

  expect_run({"/flush"}, text("deleting cached files \n"));
  EXPECT_FALSE(fs::exists(kept()));
  EXPECT_FALSE(fs::exists(install_.host() / "cache" / "libraries.dat"));
  expect_run({"/cachedfiles"}, text("No cached files\n"));
}

ZEB_E2E_ON_EVERY_HOST(KeptToolchainAnswerTest);

}  // namespace
}  // namespace zeb::e2e
