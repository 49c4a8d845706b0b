// A throw-away installation of zeb_c for end-to-end tests, run as a user runs
// it, on either host: the POSIX build directly, or the 64-bit Windows build
// under Wine (this test program stays a POSIX one and starts wine64). Both get
// a fresh directory holding zeb_c and its toolchain stand-in in mingw/bin/.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <future>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/scoped.h"

namespace zeb::e2e {

namespace fs = std::filesystem;

// The scenarios are the same for every host; the Windows builds take part
// when the tests were configured with them (ZEB_E2E_WINDOWS_BUILD for the
// 64-bit one, ZEB_E2E_WINDOWS32_BUILD for the shipped 32-bit one).
enum class Host { Posix, Windows, Windows32 };
std::vector<Host> hosts();
void PrintTo(Host host, std::ostream* out);
// Why this machine cannot run `host`'s programs, or empty when it can.
std::string cannot_run(Host host);

struct RunResult {
  int status = -1;   // exit status; -1 when the process did not exit normally
  int signal = 0;    // the signal that ended it, when one did
  std::string out;   // standard output, byte for byte
  std::string err;   // standard error
};

// What a run should print: `out` on standard output and `err` on standard
// error. A text alone is standard output's, with nothing on standard error.
struct Printed {
  Printed(std::string on_out, std::string on_err = {}) : out(std::move(on_out)), err(std::move(on_err)) {}
  std::string out, err;
};
// Checks both streams and the exit status of a run; returns the run.
RunResult expect_printed(RunResult result, const Printed& printed, int status = 0);

struct RunOptions {
  // Where zeb_c runs (host path); E2ETest takes it below its work directory.
  fs::path directory{};
  std::string input{};                     // fed to standard input
  std::vector<std::string> environment{};  // "NAME=value", added to the test's own
  // Standard error into standard output's file, as 2>&1 does.
  bool one_stream = false;
  // Every file zeb_c and its children write stops growing at this many
  // bytes, as on a full disk.
  std::optional<std::uint64_t> file_size_limit{};
  // Once `signal_when` exists (host path), `signal` is sent to zeb_c alone,
  // or to the process group it leads, as a terminal sends its keys.
  fs::path signal_when{};
  int signal = 0;
  bool signal_group = false;
  // Runs as this user (and group of the same number) instead of the test's
  // own, through setpriv(1); the test must be root to change user.
  std::optional<unsigned> user{};
  // Under Wine: this prefix instead of the shared one (each user has their own).
  fs::path wine_prefix{};
};

class Installation {
 public:
  explicit Installation(Host kind);

  bool windows_host() const { return host_ != Host::Posix; }
  const fs::path& host() const { return dir_.host_path(); }
  // A host path as zeb_c names it: drive C: is the root on POSIX, Z: under Wine.
  std::string windows(const fs::path& path) const;
  // Lines as zeb_c and its programs print them on standard output: ending in
  // CR LF on Windows (the C runtime's text mode).
  std::string text(const std::string& lines) const;
  // The current directory as a program compiled on this host prints it.
  std::string program_sees(const fs::path& directory) const;
  // What zeb_c writes to standard error before it compiles: the banner, the
  // toolchain's version line and the blank line after it.
  std::string compile_header() const;

  // Runs zeb_c with `arguments` as a user would, and waits for it.
  RunResult run(const std::vector<std::string>& arguments, const RunOptions& options) const;

  // The cached executable for a full Windows-form source path (host path).
  fs::path executable_for(const std::string& windows_source) const;
  std::vector<fs::path> cached_executables() const;
  std::string registry() const { return test::read_host_file(host() / "zeb_c.ini"); }
  fs::path gcc() const { return host() / "mingw" / "bin" / (windows_host() ? "gcc.exe" : "gcc"); }
  // Puts tests/children's fake gcc, told what to do through its environment,
  // in the place of the stand-in.
  void use_fake_gcc() const;
  // Runs any program (a script by its name, say, or gcc()) as zeb_c is run.
  RunResult run_program(const fs::path& program, const std::vector<std::string>& arguments,
                        const RunOptions& options) const;

 private:

  Host host_;
  test::ScopedTempDir dir_;
};

// A source whose program prints `text` and a line end.
std::string printing(const std::string& text);
// A source's executable below a cache directory, "x.zebc-<key>\x.zebc.exe",
// named from its full Windows-form path.
std::string cache_entry(const std::string& windows_source);
// The CRC-32 of a text, as the cache names entries.
std::uint32_t crc32_of(const std::string& text);
std::string lower(std::string text);

// Every scenario's fixture: an installation on the host under test, and a
// work directory for sources.
class E2ETest : public ::testing::TestWithParam<Host> {
 protected:
  E2ETest() : install_(GetParam()) {}
  void SetUp() override {
    const std::string reason = cannot_run(GetParam());
    if (!reason.empty()) GTEST_SKIP() << reason;
  }
  // Writes a source below the work directory; returns its Windows full path.
  std::string write_source(const std::string& relative, const std::string& text);
  RunResult run(const std::vector<std::string>& arguments, RunOptions options = {}) const {
    options.directory = work_.host_path() / options.directory;
    return install_.run(arguments, options);
  }
  // The same, without waiting: several runs can overlap.
  std::future<RunResult> start(const std::vector<std::string>& arguments) const {
    return std::async(std::launch::async, [=, this] { return run(arguments); });
  }
  // Runs zeb_c in the work directory and checks what it prints and its status.
  RunResult expect_run(const std::vector<std::string>& arguments, const Printed& printed, int status = 0,
                       const RunOptions& options = {}) const {
    SCOPED_TRACE(arguments.empty() ? "(nothing)" : arguments[0]);
    return expect_printed(run(arguments, options), printed, status);
  }
  std::string text(const std::string& lines) const { return install_.text(lines); }
  // A run that compiled: the program's `lines`, the compile header apart.
  Printed compiled(const std::string& lines) const { return {text(lines), install_.compile_header()}; }
  // A run that failed: nothing but zeb_c's `message`.
  Printed failed(const std::string& message) const { return {"", text(message)}; }

  Installation install_;
  test::ScopedTempDir work_;
};

}  // namespace zeb::e2e

#define ZEB_E2E_ON_EVERY_HOST(suite) \
  INSTANTIATE_TEST_SUITE_P(Host, suite, ::testing::ValuesIn(::zeb::e2e::hosts()), ::testing::PrintToStringParamName())

// For what Windows itself does not have; the reason is reported with the skip.
#define ZEB_E2E_POSIX_ONLY(reason)             \
  if (GetParam() == ::zeb::e2e::Host::Posix) { \
  } else                                       \
    GTEST_SKIP() << "POSIX only: " << reason
