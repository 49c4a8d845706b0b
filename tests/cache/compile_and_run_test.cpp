#include "cache/compile_and_run.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::cache {

TEST(CompileAndRunNames, EntryNameKeyAndCommandLines) {
  // e9005a5a: the CRC-32 of "c:\\work\\hello.zebc".
  EXPECT_EQ(std::tuple(cache_key("AbC"), cache_key("C:\\WORK\\HELLO.ZEBC"), cache_entry_name("C:\\Work\\Hello.zebc")),
            std::tuple(0x352441C2u, 0xE9005A5Au, "cache\\hello.zebc-e9005a5a"));
  EXPECT_EQ(compiler_command_line("C:\\w\\a.zebc", "C:\\z\\a.exe"),
            std::string("gcc -x c -O3 \"C:\\w\\a.zebc\" -o \"C:\\z\\a.exe\"") + kCompilerLibraries);
  // The program's command line is checked end to end: its arguments arrive as typed.
  EXPECT_EQ(run_command_line("C:\\a b\\p.exe", ExtraArgs{{"", "x", "", "a b"}}), "\"C:\\a b\\p.exe\" \"x\" \"a b\"");
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
  EXPECT_EQ(compile_and_run(source.c_str(), (install.path() + "\\").c_str()), CachePathFailed);
  EXPECT_FALSE(std::filesystem::exists(install.host("cache")));
}

}  // namespace zeb::cache
