#include "cache/compile_and_run.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

TEST(CompileAndRunNames, CacheEntryIsTheLowerCaseNameAndTheKeyOfTheLowerCasePath) {
  EXPECT_EQ(cache_key("AbC"), 0x352441C2u);
  // e9005a5a: the CRC-32 of "c:\\work\\hello.zebc".
  EXPECT_EQ(cache_entry_name("C:\\Work\\Hello.zebc"), "cache\\hello.zebc-e9005a5a");
  EXPECT_EQ(cache_key("C:\\WORK\\HELLO.ZEBC"), 0xE9005A5Au);
}

TEST(CompileAndRunNames, CompilerCommandLineIsExact) {
  EXPECT_EQ(
      compiler_command_line("C:\\w\\a.zebc", "C:\\z\\cache\\a.zebc-00000001\\a.zebc.exe"),
      "gcc -x c -O3 \"C:\\w\\a.zebc\" -o \"C:\\z\\cache\\a.zebc-00000001\\a.zebc.exe\""
      " -luser32  -lkernel32  -ladvapi32  -lshell32  -lavicap32  -lavifil32  -lcfgmgr32"
      "  -lcomctl32  -lcomdlg32  -lcrypt32  -lgdi32  -limagehlp  -limm32  -lmapi32  -lmsacm32"
      "  -lmswsock  -lnetapi32  -lntdll  -lntoskrnl  -lodbc32  -lodbccp32  -lole32  -loleacc"
      "  -loleaut32  -lolecli32  -loledlg  -lolepro32  -lolesvr32  -lopengl32  -lpenwin32"
      "  -lpkpd32  -lpowrprof  -lpsapi  -lquartz  -lrapi  -lrasapi32  -lrasdlg  -lrpcdce4"
      "  -lrpcns4  -lrpcrt4  -lsecur32  -lsetupapi  -lshfolder  -lshlwapi  -lsnmpapi"
      "  -lstrmiids  -lsvrapi  -ltapi32  -lth32  -lthunk32  -lurl  -lversion  -lvfw32"
      "  -lwininet  -lwinmm  -lwow32  -lws2_32  -lwsnmp32  -lwsock32");
}

TEST(CompileAndRunNames, RunCommandLineQuotesEachNonEmptyArgument) {
  const struct {
    std::array<std::string, 4> slots;
    const char* arguments;
  } cases[] = {
      {{"", "", "", ""}, ""},
      {{"a", "", "two words", ""}, " \"a\" \"two words\""},
      {{"", "x\\y", "", "d"}, " \"x\\y\" \"d\""},
      {{"say \"hi\"", "\"", "a\\\"b", "a b\\"},
       " \"say \\\"hi\\\"\" \"\\\"\" \"a\\\\\\\"b\" \"a b\\\\\""},
      {{"c d\\\\", "", "", ""}, " \"c d\\\\\\\\\""},
  };
  for (const auto& c : cases) {
    ExtraArgs extra;
    extra.slots = c.slots;
    EXPECT_EQ(run_command_line("C:\\a b\\p.exe", extra),
              std::string("\"C:\\a b\\p.exe\"") + c.arguments);
  }
}

TEST(CompileAndRunNames, StampChecksumIsReadTenBytesBeforeTheEndLowByteFirst) {
  ASSERT_EQ(kStampSize, 300u);
  std::string stamp(300, '\0');
  stamp.replace(290, 4, "\x21\x43\x65\x87");
  const struct {
    std::string bytes;
    std::uint32_t expected;
  } cases[] = {
      {"", 0},
      {"0123456789", 0},  // 10 bytes or fewer carry no stamp
      {std::string("X\x01\x02\x03\x04") + "567890", 0x04030201u},
      {"MZ program" + stamp, 0x87654321u},
  };
  test::ScopedTempDir dir;
  for (const auto& c : cases) {
    test::write_host_file(dir.host("p.exe"), c.bytes);
    std::uint32_t checksum = 12345;
    EXPECT_TRUE(read_stamp((dir / "p.exe").c_str(), &checksum)) << c.bytes.size();
    EXPECT_EQ(checksum, c.expected) << c.bytes.size();
  }
  std::uint32_t checksum = 0;
  EXPECT_FALSE(read_stamp((dir / "missing.exe").c_str(), &checksum));
}

TEST(CompileAndRunLimits, SourcePathLongerThanAPathIsRefusedBeforeAnythingIsCreated) {
  test::ScopedTempDir install;
  test::ScopedCurrentDir here(install.path());
  const std::string source = "C:\\" + std::string(kMaxPathLength - 2, 's');
  EXPECT_EQ(compile_and_run(source.c_str(), (install.path() + "\\").c_str()),
            CachePathFailed);
  EXPECT_FALSE(std::filesystem::exists(install.host("cache")));
}

}  // namespace
}  // namespace zeb::cache
