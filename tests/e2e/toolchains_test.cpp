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
    const RunOptions options = {
        .environment = {"ZEB_GCC_RECORDED_VERSION=" + install_.windows(kRecordedAnswers / (toolchain.recorded + ".txt"))}};
    if (toolchain.version.empty()) {
      expect_run({typed, "a", "b"}, text(toolchain.refusal), toolchain.status, options);
    } else {
      const std::string banner = "ZEB Software ZEB_C JIT compiler version 1.0.0 \ngcc version " + toolchain.version + " \n \n";
      expect_run({typed, "a", "b"}, text(banner + "2\n[a]\n[b]\n"), 3, options);
      expect_run({typed, "a", "b"}, text("2\n[a]\n[b]\n"), 3, options);
      ++accepted;
    }
    EXPECT_EQ(install_.cached_executables().size(), accepted);
  }
}

ZEB_E2E_ON_EVERY_HOST(ToolchainsTest);

}  // namespace
}  // namespace zeb::e2e
