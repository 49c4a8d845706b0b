#include "cache/compile_and_run.h"

#include <gtest/gtest.h>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::cache {

// The entry's name and key, and the program's command line, are checked end
// to end; what the compiler is told is not visible there.
TEST(CompileAndRunNames, CompilerCommandLine) {
  EXPECT_EQ(compiler_command_line("C:\\w\\a.zebc", "C:\\z\\a.exe"),
            std::string("gcc -x c -O3 \"C:\\w\\a.zebc\" -o \"C:\\z\\a.exe\"") + kCompilerLibraries);
}

TEST(CompileAndRunLimits, SourcePathLongerThanAPathIsRefusedBeforeAnythingIsCreated) {
  test::ScopedTempDir install;
  test::ScopedCurrentDir here(install.path());
  const std::string source = "C:\\" + std::string(kMaxPathLength - 2, 's');
  EXPECT_EQ(compile_and_run(source.c_str(), (install.path() + "\\").c_str(), ""), CachePathFailed);
  EXPECT_FALSE(std::filesystem::exists(install.host("cache")));
}

}  // namespace zeb::cache
