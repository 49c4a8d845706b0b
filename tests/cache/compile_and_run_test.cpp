#include "cache/compile_and_run.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cache/toolchain_check.h"
#include "driver/result_codes.h"
#include "driver/run_state.h"
#include "driver/source_path.h"
#include "platform/portable/command_line.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::ScopedCurrentDir;
using test::ScopedEnvVar;
using test::ScopedTempDir;
using test::write_host_file;

std::uint32_t zlib_crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      ::crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string hex8(std::uint32_t value) {
  std::array<char, 9> text{};
  std::snprintf(text.data(), text.size(), "%08x", static_cast<unsigned>(value));
  return text.data();
}

std::string stamp_bytes(std::uint32_t checksum) {
  std::string stamp(kStampSize, '\0');
  for (int i = 0; i < 4; ++i) {
    stamp[kStampSize - kStampChecksumFromEnd + i] = static_cast<char>((checksum >> (8 * i)) & 0xff);
  }
  return stamp;
}

// A Windows-form path as the host's own library names it: unchanged where
// that library knows drive letters, else without the drive and with '/' for
// '\' (on POSIX hosts C: is the root).
fs::path host_of(const std::string& windows) {
  if (fs::path(windows).has_root_name()) return windows;
  std::string host = windows.substr(2);
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  return host;
}

TEST(CompileAndRunNames, CacheEntryIsTheLowerCaseNameAndTheKeyOfTheLowerCasePath) {
  // The standard check value of CRC-32: "abc" gives 352441c2.
  EXPECT_EQ(cache_key("abc"), 0x352441C2u);
  EXPECT_EQ(cache_key("AbC"), 0x352441C2u);
  const struct {
    const char* source;
    const char* name;
  } cases[] = {
      {"C:\\Work\\Hello.zebc", "hello.zebc"},
      {"c:\\work\\hello.zebc", "hello.zebc"},
      {"\\\\Server\\Share\\Dir\\X.C", "x.c"},
      {"D:\\a b\\Two Words.ZEBC", "two words.zebc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cache_entry_name(c.source),
              std::string("cache\\") + c.name + "-" + hex8(zlib_crc(lower(c.source))))
        << c.source;
  }
  EXPECT_EQ(cache_entry_name("C:\\Work\\Hello.zebc"), cache_entry_name("C:\\WORK\\HELLO.ZEBC"));
  EXPECT_NE(cache_entry_name("C:\\Work\\Hello.zebc"), cache_entry_name("C:\\Other\\Hello.zebc"));
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
  const std::string exe = "c:\\z\\cache\\p.zebc-0000abcd\\p.zebc.exe";
  const struct {
    std::array<const char*, 4> slots;
    const char* expected;
  } plain[] = {
      {{"", "", "", ""}, "\"c:\\z\\cache\\p.zebc-0000abcd\\p.zebc.exe\""},
      {{"a", "", "c", ""}, "\"c:\\z\\cache\\p.zebc-0000abcd\\p.zebc.exe\" \"a\" \"c\""},
      {{"", "", "", "d"}, "\"c:\\z\\cache\\p.zebc-0000abcd\\p.zebc.exe\" \"d\""},
      {{"two words", "x\\y", "1", "2"},
       "\"c:\\z\\cache\\p.zebc-0000abcd\\p.zebc.exe\" \"two words\" \"x\\y\" \"1\" \"2\""},
  };
  for (const auto& c : plain) {
    driver::ExtraArgs extra;
    for (std::size_t i = 0; i < 4; ++i) extra.slots[i] = c.slots[i];
    EXPECT_EQ(run_command_line(exe, extra), c.expected);
  }
}

TEST(CompileAndRunNames, ArgumentsWithQuotesAndTrailingBackslashesArriveUnchanged) {
  const std::string exe = "C:\\a b\\p.exe";
  const std::vector<std::array<std::string, 4>> cases = {
      {"say \"hi\"", "\"", "trailing\\", "two words\\\\"},
      {"a\\\"b", "\\\\\"", "C:\\dir with blank\\", "\"\""},
      {std::string(299, '\\'), "tab\there", "x", "\"quoted\""},
  };
  for (const auto& slots : cases) {
    driver::ExtraArgs extra;
    extra.slots = slots;
    const std::vector<std::string> argv = platform::split_command_line(run_command_line(exe, extra));
    const std::vector<std::string> expected = {exe, slots[0], slots[1], slots[2], slots[3]};
    EXPECT_EQ(argv, expected) << slots[0];
  }
}

TEST(CompileAndRunNames, StampIsReadFromTenBytesBeforeTheEnd) {
  ScopedTempDir dir;
  const struct {
    std::string bytes;
    std::uint32_t expected;
  } cases[] = {
      {"", 0},
      {"0123456789", 0},  // 10 bytes or fewer carry no stamp
      {std::string("X\x01\x02\x03\x04") + "567890", 0x04030201u},  // 11 bytes
      {"program" + stamp_bytes(0xDEADBEEFu), 0xDEADBEEFu},
      {stamp_bytes(0x00000080u), 0x80u},
  };
  for (const auto& c : cases) {
    write_host_file(dir.host("p.exe"), c.bytes);
    std::uint32_t checksum = 12345;
    EXPECT_TRUE(read_stamp((dir / "p.exe").c_str(), &checksum)) << c.bytes.size();
    EXPECT_EQ(checksum, c.expected) << c.bytes.size();
  }
  std::uint32_t checksum = 12345;
  EXPECT_FALSE(read_stamp((dir / "missing.exe").c_str(), &checksum));
}

// An installation directory (the current directory, as during a run), a
// work directory for sources and a directory on PATH holding the fake
// compiler as "gcc". The fake compiler copies itself as the program.
class CompileAndRunTest : public ::testing::Test {
 protected:
  CompileAndRunTest()
      : current_(install_.path()),
        path_("PATH", bin_.path()),
        program_("FAKE_GCC_PROGRAM", fake_gcc()),
        status_("FAKE_GCC_STATUS", std::nullopt) {
    const std::string from = fake_gcc();
    const bool windows_name = from.size() > 4 && from.substr(from.size() - 4) == ".exe";
    fs::copy_file(host_of(from), bin_.host(windows_name ? "gcc.exe" : "gcc"));
    for (std::string& slot : driver::extra_args.slots) slot.clear();
    driver::program_exit_status = 0;
  }
  ~CompileAndRunTest() override {
    for (std::string& slot : driver::extra_args.slots) slot.clear();
  }

  static std::string fake_gcc() {
    const std::string plain = test::test_binary_dir() + "child_fake_compiler";
    if (GetFileAttributesA((plain + ".exe").c_str()) != INVALID_FILE_ATTRIBUTES) {
      return plain + ".exe";
    }
    return plain;
  }
  std::string base() const { return install_.path() + "\\"; }
  std::string write_source(const std::string& name, const std::string& text) const {
    write_host_file(work_.host(name), text);
    return work_ / name;
  }
  // compile_and_run with its standard output.
  int run(const std::string& source, std::string* out) const {
    ::testing::internal::CaptureStdout();
    const int result = compile_and_run(source.c_str(), base().c_str());
    std::fflush(stdout);
    *out = ::testing::internal::GetCapturedStdout();
    return result;
  }
  std::string executable_for(const std::string& source) const {
    const std::string name = source.substr(source.rfind('\\') + 1);
    return base() + cache_entry_name(source) + "\\" + name + ".exe";
  }
  std::string header() const {
    return std::string(kBanner) + toolchain_version_line() + " \n";
  }
  std::string program_arguments() const { return read_host_file(work_.host("args.txt")); }

  ScopedTempDir install_;
  ScopedTempDir work_;
  ScopedTempDir bin_;
  ScopedCurrentDir current_;
  ScopedEnvVar path_;
  ScopedEnvVar program_;
  ScopedEnvVar status_;
};

TEST_F(CompileAndRunTest, FirstRunCompilesStampsRegistersAndRunsInTheSourcesDirectory) {
  const std::string text = "int main(void) { return 0; }\n";
  const std::string source = write_source("Hello.zebc", text);
  driver::extra_args.slots = {"a", "", "c", ""};
  std::string out;
  ASSERT_EQ(run(source, &out), driver::Success);
  EXPECT_EQ(out, header() + "fake gcc compiling " + source + ";fake gcc warning;");
  EXPECT_EQ(driver::program_exit_status, 42);
  EXPECT_EQ(program_arguments(), "a\nc\n");

  const std::string executable = executable_for(source);
  EXPECT_EQ(executable.substr(executable.size() - 15), "\\Hello.zebc.exe");
  const std::string program = read_host_file(host_of(fake_gcc()));
  EXPECT_EQ(read_host_file(host_of(executable)), program + stamp_bytes(zlib_crc(text)));
  EXPECT_EQ(read_host_file(install_.host("zeb_c.ini")),
            "<zeb software>\n" + lower(executable) + "\n");
  EXPECT_EQ(read_host_file(install_.host("zeb_c.dat")),
            "fake gcc compiling " + source + ";fake gcc warning;");
}

TEST_F(CompileAndRunTest, UpToDateExecutableRunsWithoutAWord) {
  const std::string source = write_source("p.zebc", "int x;\n");
  std::string out;
  ASSERT_EQ(run(source, &out), driver::Success);
  // The compiler would now fail: it must not be asked.
  ScopedEnvVar failing("FAKE_GCC_STATUS", "1");
  driver::extra_args.slots = {"", "", "", "only"};
  ASSERT_EQ(run(source, &out), driver::Success);
  EXPECT_EQ(out, "");
  EXPECT_EQ(driver::program_exit_status, 41);
  EXPECT_EQ(program_arguments(), "only\n");
  // The same file named in another letter case is the same entry.
  std::string upper = source;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_EQ(run(upper, &out), driver::Success);
  EXPECT_EQ(out, "");
}

TEST_F(CompileAndRunTest, ChangedSourceCompilesAgain) {
  const std::string source = write_source("p.zebc", "int x;\n");
  std::string out;
  ASSERT_EQ(run(source, &out), driver::Success);
  write_source("p.zebc", "int y;\n");
  ASSERT_EQ(run(source, &out), driver::Success);
  EXPECT_EQ(out.substr(0, header().size()), header());
  const std::string bytes = read_host_file(host_of(executable_for(source)));
  EXPECT_EQ(bytes.substr(bytes.size() - kStampSize), stamp_bytes(zlib_crc("int y;\n")));
  // Registered once only.
  EXPECT_EQ(read_host_file(install_.host("zeb_c.ini")),
            "<zeb software>\n" + lower(executable_for(source)) + "\n");
}

TEST_F(CompileAndRunTest, FailedCompileGivesNineAfterTheMessagesAndCompilesAgainNextTime) {
  const std::string source = write_source("bad.zebc", "oops\n");
  std::string out;
  {
    ScopedEnvVar failing("FAKE_GCC_STATUS", "3");
    EXPECT_EQ(run(source, &out), driver::CompilationError);
  }
  EXPECT_EQ(out, header() + "fake gcc compiling " + source + ";fake gcc warning;");
  EXPECT_FALSE(fs::exists(host_of(executable_for(source))));
  // Registered before the compile, whatever its outcome.
  EXPECT_EQ(read_host_file(install_.host("zeb_c.ini")),
            "<zeb software>\n" + lower(executable_for(source)) + "\n");
  ASSERT_EQ(run(source, &out), driver::Success);
  EXPECT_EQ(out.substr(0, header().size()), header());
}

TEST_F(CompileAndRunTest, CompilerThatCannotStartGivesSeven) {
  fs::remove(bin_.host("gcc"));
  fs::remove(bin_.host("gcc.exe"));
  const std::string source = write_source("p.zebc", "int x;\n");
  std::string out;
  EXPECT_EQ(run(source, &out), driver::CompilerNotStarted);
  EXPECT_EQ(out, header());
  EXPECT_TRUE(fs::exists(install_.host("zeb_c.ini")));
  EXPECT_FALSE(fs::exists(install_.host("zeb_c.dat")));
}

TEST_F(CompileAndRunTest, ExecutableThatCannotBeOpenedGivesSix) {
  const std::string source = write_source("p.zebc", "int x;\n");
  std::string out;
  ASSERT_EQ(run(source, &out), driver::Success);
  HANDLE held = CreateFileA(executable_for(source).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(run(source, &out), driver::CachedChecksumUnreadable);
  EXPECT_EQ(out, "");
  CloseHandle(held);
}

TEST_F(CompileAndRunTest, StampedFileThatIsNoProgramGivesTwelve) {
  const std::string text = "int x;\n";
  const std::string source = write_source("p.zebc", text);
  fs::create_directories(host_of(base() + cache_entry_name(source)));
  write_host_file(host_of(executable_for(source)), "not a program" + stamp_bytes(zlib_crc(text)));
  std::string out;
  EXPECT_EQ(run(source, &out), driver::CompiledProgramNotStarted);
  EXPECT_EQ(out, "");
}

TEST_F(CompileAndRunTest, TinyExecutableCountsAsUnstampedAndIsCompiledOver) {
  const std::string source = write_source("p.zebc", "int x;\n");
  fs::create_directories(host_of(base() + cache_entry_name(source)));
  write_host_file(host_of(executable_for(source)), "0123456789");
  std::string out;
  ASSERT_EQ(run(source, &out), driver::Success);
  EXPECT_EQ(out.substr(0, header().size()), header());
}

TEST_F(CompileAndRunTest, PathsBeyondTheWorkingTextsAreRefusedWithFive) {
  // A source path of 300 characters.
  const std::string long_source = work_.path() + "\\" +
                                  std::string(kMaxPathLength + 1 - work_.path().size() - 1, 'n');
  ASSERT_EQ(long_source.size(), kMaxPathLength + 1);
  std::string out;
  EXPECT_EQ(run(long_source, &out), driver::CachePathFailed);
  // One that fits, but is longer than a path split accepts.
  const std::string unsplittable = work_.path() + "\\" +
                                   std::string(driver::kMaxSplitLength - work_.path().size(), 'u');
  ASSERT_EQ(unsplittable.size(), driver::kMaxSplitLength + 1);
  EXPECT_EQ(run(unsplittable, &out), driver::CachePathFailed);
  // A source path without a file name.
  EXPECT_EQ(run(work_.path() + "\\", &out), driver::CachePathFailed);
  EXPECT_EQ(out, "");
  // A short source whose cache entry does not fit below the installation.
  const std::string name(120, 's');
  const std::string source = write_source(name + ".zebc", "int x;\n");
  const std::string deep = std::string(150, 'd');
  fs::create_directories(install_.host(deep));
  ::testing::internal::CaptureStdout();
  const int result = compile_and_run(source.c_str(), (base() + deep + "\\").c_str());
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(result, driver::CachePathFailed);
  EXPECT_FALSE(fs::exists(install_.host(deep + "/cache")));
  EXPECT_FALSE(fs::exists(install_.host("cache")));
}

TEST_F(CompileAndRunTest, CacheDirectoryThatCannotBeCreatedGivesFive) {
  const std::string source = write_source("p.zebc", "int x;\n");
  // A file where the cache directory should be.
  write_host_file(install_.host("cache"), "in the way");
  std::string out;
  EXPECT_EQ(run(source, &out), driver::CachePathFailed);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace zeb::cache
