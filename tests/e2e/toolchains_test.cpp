// zeb_c with the toolchains its users have: each one's "gcc -v" answer as
// recorded from the real thing (tests/data/gcc-v), the compiling done by the
// stand-in.

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

const fs::path kRecordedAnswers = ZEB_E2E_GCC_V_DATA;

// Prints its argument count and each argument in brackets, then fails with 3.
constexpr const char* kShowArguments =
    "#include <stdio.h>\nint main(int argc, char** argv) { printf(\"%d\\n\", argc - 1);\n"
    "  for (int i = 1; i < argc; ++i) printf(\"[%s]\\n\", argv[i]);\n  return 3; }\n";

constexpr const char* kNotMingw = "gcc mingw not found \ngcc compiler not installed or not mingw\n";

using ToolchainsTest = E2ETest;

TEST_P(ToolchainsTest, MingwBuildsRunTheSourceAndOthersAreRefusedBeforeAnythingIsCached) {
  const struct {
    std::string recorded;
    std::string version;  // the word zeb_c shows; empty when it refuses
    int status = 3;
    std::string refusal = {};
  } toolchains[] = {
      {"mingw-3.4.2", "3.4.2"},
      {"mingw-3.4.5-vista", "3.4.5"},
      {"mingw-org-6.3.0", "6.3.0"},
      {"msys2-13.2.0", "13.2.0"},
      {"mingw-w64-13.2.0", "13.2.0"},
      {"winlibs-14.2.0", "14.2.0"},
      {"debian-cross-12-posix", "12-posix"},
      {"cygwin-11.4.0", "", 23, kNotMingw},
      {"linux-gcc-12.2.0", "", 23, kNotMingw},
      {"mingw-3.3.1", "", 21, "zeb_c requires gcc mingw version 3.4.2 or above \ngcc not found or wrong version\n"},
  };
  std::size_t accepted = 0;
  for (const auto& toolchain : toolchains) {
    SCOPED_TRACE(toolchain.recorded);
    // A source of its own for each, so that each first run has to compile.
    const std::string typed = toolchain.recorded + ".zebc";
    write_source(typed, kShowArguments);
    const std::string answer = install_.windows(kRecordedAnswers / (toolchain.recorded + ".txt"));
    const RunOptions options = {.environment = {"ZEB_GCC_RECORDED_VERSION=" + answer}};
    if (toolchain.version.empty()) {
      expect_run({typed, "a", "b"}, text(toolchain.refusal), toolchain.status, options);
    } else {
      const std::string banner =
          "ZEB Software ZEB_C JIT compiler version 1.0.0 \ngcc version " + toolchain.version + " \n \n";
      expect_run({typed, "a", "b"}, text(banner + "2\n[a]\n[b]\n"), 3, options);
      expect_run({typed, "a", "b"}, text("2\n[a]\n[b]\n"), 3, options);
      ++accepted;
    }
    EXPECT_EQ(install_.cached_executables().size(), accepted);
  }
}

// The installed driver itself, asked what zeb_c asks it: where its libraries
// are, written as a Windows gcc writes paths, and a library it lacks fails
// the link as it would on Windows.
TEST_P(ToolchainsTest, DriverNamesItsLibrariesAsAWindowsGccDoes) {
  const auto gcc = [this](const std::vector<std::string>& arguments) {
    return install_.run_gcc(arguments, {.directory = work_.host_path()});
  };
  const std::string drive = install_.windows_host() ? "Z:/" : "C:/";
  // A library each toolchain has: the Windows system's, or the host's C library.
  const std::string library = install_.windows_host() ? "libkernel32.a" : "libc.so";
  const RunResult dirs = gcc({"-print-search-dirs"});
  EXPECT_EQ(std::pair(dirs.status, dirs.err), std::pair(0, std::string()));
  const std::string label = "\nlibraries: =", line_end = text("\n");
  const std::size_t start = dirs.out.find(label);
  ASSERT_NE(start, std::string::npos) << dirs.out;
  EXPECT_TRUE(dirs.out.starts_with("install: " + drive) && dirs.out.ends_with(line_end)) << dirs.out;
  const std::size_t list_start = start + label.size();
  const std::string list = dirs.out.substr(list_start, dirs.out.size() - list_start - line_end.size());
  bool found = false;
  for (std::size_t at = 0; at <= list.size();) {
    const std::size_t end = std::min(list.find(';', at), list.size());
    const std::string directory = list.substr(at, end - at);
    EXPECT_TRUE(directory.starts_with(drive) && directory.ends_with("/") &&
                directory.find_first_of(":\\", 2) == std::string::npos) << directory;
    found = found || fs::exists(fs::path(directory.substr(2)) / library);
    at = end + 1;
  }
  EXPECT_TRUE(found) << list;

  const RunResult file = gcc({"-print-file-name=" + library});
  ASSERT_TRUE(file.out.starts_with(drive) && file.out.ends_with(line_end)) << file.out;
  EXPECT_TRUE(fs::exists(file.out.substr(2, file.out.size() - 2 - line_end.size()))) << file.out;
  const RunResult missing = gcc({"-print-file-name=libth32.a"});
  EXPECT_EQ(std::pair(missing.status, missing.out), std::pair(0, text("libth32.a\n")));

  if (install_.windows_host()) {
    const std::string source = write_source("plain.c", printing("plain"));
    const RunResult link = gcc({source, "-o", install_.windows(work_.host("plain.exe")), "-lth32"});
    EXPECT_NE(link.status, 0);
    EXPECT_NE(link.err.find("cannot find -lth32"), std::string::npos) << link.err;
    EXPECT_FALSE(fs::exists(work_.host("plain.exe")));
  }
}

ZEB_E2E_ON_EVERY_HOST(ToolchainsTest);

}  // namespace
}  // namespace zeb::e2e
