#include "cache/compile_and_run.h"

#include <gtest/gtest.h>

#include <utility>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::cache {

// The entry's name and key, and the program's command line, are checked end
// to end; what the compiler is told is not visible there.
TEST(CompileAndRunNames, CompilerCommandLine) {
  EXPECT_EQ(compiler_command_line("C:\\w\\a.zebc", "C:\\z\\a.exe"),
            std::string("gcc -x c -O3 \"C:\\w\\a.zebc\" -o \"C:\\z\\a.exe\"") + kCompilerLibraries);
}

TEST(CompileAndRunNames, StampChecksumIsReadTenBytesBeforeTheEndLowByteFirst) {
  std::string stamp(kStampSize, '\0');
  stamp.replace(kStampSize - kStampChecksumFromEnd, 4, "\x21\x43\x65\x87");
  // 10 bytes or fewer carry no stamp.
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"", 0}, {"0123456789", 0}, {std::string("X\x01\x02\x03\x04") + "567890", 0x04030201u},
      {"MZ program" + stamp, 0x87654321u}};
  test::ScopedTempDir dir;
  for (const auto& [bytes, expected] : cases) {
    test::write_host_file(dir.host("p.exe"), bytes);
    std::uint32_t checksum = 12345;
    const bool opened = read_stamp((dir / "p.exe").c_str(), &checksum);
    EXPECT_EQ(std::pair(opened, checksum), std::pair(true, expected)) << bytes.size();
  }
  std::uint32_t checksum = 0;
  EXPECT_FALSE(read_stamp((dir / "missing.exe").c_str(), &checksum));
}

TEST(CompileAndRunLimits, SourcePathLongerThanAPathIsRefusedBeforeAnythingIsCreated) {
  test::ScopedTempDir install;
  test::ScopedCurrentDir here(install.path());
  const std::string source = "C:\\" + std::string(kMaxPathLength - 2, 's');
  EXPECT_EQ(compile_and_run(source.c_str(), (install.path() + "\\").c_str(), ""), CachePathFailed);
  EXPECT_FALSE(std::filesystem::exists(install.host("cache")));
}

}  // namespace zeb::cache
