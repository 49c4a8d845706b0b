#include "cache/toolchain_libraries.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "support/scoped.h"

namespace zeb::cache {
namespace {

// The compile line's library text as it has always been.
const std::string kEveryLibrary =
    " -luser32  -lkernel32  -ladvapi32  -lshell32  -lavicap32  -lavifil32  -lcfgmgr32  -lcomctl32  -lcomdlg32"
    "  -lcrypt32  -lgdi32  -limagehlp  -limm32  -lmapi32  -lmsacm32  -lmswsock  -lnetapi32  -lntdll"
    "  -lodbc32  -lodbccp32  -lole32  -loleacc  -loleaut32  -lolecli32  -loledlg  -lolepro32  -lolesvr32"
    "  -lopengl32  -lpenwin32  -lpkpd32  -lpowrprof  -lpsapi  -lquartz  -lrapi  -lrasapi32  -lrasdlg  -lrpcdce4"
    "  -lrpcns4  -lrpcrt4  -lsecur32  -lsetupapi  -lshfolder  -lshlwapi  -lsnmpapi  -lstrmiids  -lsvrapi"
    "  -ltapi32  -lth32  -lthunk32  -lurl  -lversion  -lvfw32  -lwininet  -lwinmm  -lwow32  -lws2_32  -lwsnmp32"
    "  -lwsock32";

TEST(ToolchainLibraries, OnlyTheLibrariesFoundKeepTheirOrderAndSpacing) {
  EXPECT_EQ(library_text([](std::string_view) { return true; }), kEveryLibrary);
  // What MinGW-w64 lacks on i686.
  std::string without = kEveryLibrary;
  for (const std::string gone : {"  -lth32", "  -lthunk32"}) without.erase(without.find(gone), gone.size());
  EXPECT_EQ(library_text([](std::string_view name) { return name != "th32" && name != "thunk32"; }), without);
  // The first and the last go without leaving a blank behind.
  EXPECT_EQ(library_text([](std::string_view name) { return name == "wsock32" || name == "kernel32"; }),
            " -lkernel32  -lwsock32");
  EXPECT_EQ(library_text([](std::string_view) { return false; }), "");
}

// A kept answer edited by hand reaches the compiler only as library_text
// could have written it.
TEST(ToolchainLibraries, OnlyLibraryTextIsTakenFromAKeptAnswer) {
  const std::pair<std::string, bool> cases[] = {
      {kEveryLibrary, true}, {"", true}, {" -lkernel32  -lwsock32", true},
      {" -lkernel32  -include C:\\evil.h", false}, {" -lkernel32  -lkernel32", false},
      {" -lwsock32  -lkernel32", false}, {" -lz", false}, {" -lkernel32 ", false}, {"-lkernel32", false},
      {" -lkernel32 -lwsock32", false}, {" -lkernel32  -l", false}, {" -Wl,-lkernel32", false},
  };
  for (const auto& [text, taken] : cases) EXPECT_EQ(is_library_text(text), taken) << text;
}

// The toolchain is asked for real: the fake gcc alone on PATH answers, and
// the directories it names are searched as the linker searches them.
TEST(ToolchainLibraries, AskedOfTheToolchainOnPath) {
  test::ScopedTempDir bin, work, first, second;
  test::install_fake_gcc(bin);
  test::ScopedEnvVar path("PATH", bin.path());
  for (const char* file : {"libuser32.a", "KERNEL32.LIB", "libgdi32.txt"}) test::write_host_file(first.host(file), "");
  test::write_host_file(second.host("libGDI32.dll.a"), "");
  test::write_host_file(second.host("ws2_32.dll"), "");
  // A directory of a library's name is no library.
  std::filesystem::create_directory(second.host("libth32.a"));
  const std::string capture = work / "capture.dat";
  const std::string listed = "libraries: =" + first.path() + ";" + work.path() + "\\missing\\;" + second.path() + "/\n";
  const struct { std::optional<std::string> said; const char* status; std::string text; } cases[] = {
      {"install: C:/x/\n" + listed, "0", " -luser32  -lkernel32  -lgdi32  -lws2_32"},
      {listed, "1", kEveryLibrary},
      {"programs: =C:/x/\n", "0", kEveryLibrary},
      {"libraries: =" + work.path() + "\\missing\n", "0", kEveryLibrary},
  };
  for (const auto& [said, status, text] : cases) {
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", said);
    test::ScopedEnvVar exit_status("ZEB_FAKE_GCC_STATUS", status);
    EXPECT_EQ(toolchain_library_text(capture), text) << said.value_or("-");
    EXPECT_FALSE(std::filesystem::exists(work.host("capture.dat")));
  }
  test::ScopedEnvVar path_without_gcc("PATH", work.path());
  EXPECT_EQ(toolchain_library_text(capture), kEveryLibrary);
}

// A directory's write time set well in the past, as a settled library
// directory has it; false when this C++ runtime cannot set it (MinGW's opens
// no directory for that).
bool settle(const std::filesystem::path& directory, int seconds_ago) {
  std::error_code error;
  std::filesystem::last_write_time(
      directory, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds_ago), error);
  return !error;
}

// The answer is kept for the next compile, which asks nothing while the
// toolchain and its directories stay as they were; a failing toolchain shows
// when it is asked again.
TEST(ToolchainLibraries, KeptAnswerServesUntilTheToolchainOrADirectoryChanges) {
  test::ScopedTempDir bin, base, libs, work, captures;
  std::filesystem::create_directory(base.host("cache"));
  test::install_fake_gcc(bin);
  test::ScopedEnvVar path("PATH", bin.path());
  test::write_host_file(libs.host("libuser32.a"), "");
  if (!settle(libs.host_path(), 60)) GTEST_SKIP() << "this C++ runtime cannot set a directory's write time";
  ASSERT_TRUE(settle(work.host_path(), 60));
  const std::string capture = captures / "capture.dat";
  // Two levels of a directory that is not there (yet).
  const std::string listed = "libraries: =" + libs.path() + ";" + work.path() + "\\missing\\deeper\n";
  const auto text = [&](const char* status, std::uint32_t key) {
    test::ScopedEnvVar output("ZEB_FAKE_GCC_OUTPUT", listed);
    test::ScopedEnvVar exit_status("ZEB_FAKE_GCC_STATUS", status);
    return toolchain_library_text(capture, base.path(), key);
  };
  EXPECT_EQ(text("0", 7), " -luser32");
  ASSERT_TRUE(std::filesystem::exists(base.host("cache/libraries.dat")));
  EXPECT_EQ(text("1", 7), " -luser32");
  // Another toolchain, or none to key it by: asked again.
  EXPECT_EQ(text("1", 8), kEveryLibrary);
  EXPECT_EQ(text("1", 0), kEveryLibrary);
  EXPECT_EQ(text("1", 7), " -luser32");
  // The directories that were missing appear, one level after the other.
  for (const char* appearing : {"missing", "missing/deeper"}) {
    std::filesystem::create_directory(work.host(appearing));
    for (const char* settled : {"", "missing", appearing}) ASSERT_TRUE(settle(work.host(settled), 60));
    EXPECT_EQ(text("1", 7), kEveryLibrary) << appearing;
    EXPECT_EQ(text("0", 7), " -luser32");
    EXPECT_EQ(text("1", 7), " -luser32") << appearing;
  }
  // A library added.
  test::write_host_file(libs.host("libkernel32.a"), "");
  ASSERT_TRUE(settle(libs.host_path(), 30));
  EXPECT_EQ(text("1", 7), kEveryLibrary);
  EXPECT_EQ(text("0", 7), " -luser32  -lkernel32");
  // Written to just now: the answer is used but not kept, since a change
  // within the same tick would not show.
  std::filesystem::remove(libs.host("libuser32.a"));
  EXPECT_EQ(text("0", 7), " -lkernel32");
  EXPECT_EQ(text("1", 7), kEveryLibrary);
  // A damaged answer is asked again and replaced.
  ASSERT_TRUE(settle(libs.host_path(), 10));
  test::write_host_file(base.host("cache/libraries.dat"), "zeb_c libraries 1\nkey 00000007\nlibraries -luser32");
  EXPECT_EQ(text("0", 7), " -lkernel32");
  EXPECT_EQ(text("1", 7), " -lkernel32");
  EXPECT_FALSE(std::filesystem::exists(base.host("cache/libraries.dat.new")));
  // An option slipped into the kept text is not taken: the toolchain is asked.
  std::string kept = test::read_host_file(base.host("cache/libraries.dat"));
  kept.insert(kept.size() - 1, " -include C:\\evil.h");
  test::write_host_file(base.host("cache/libraries.dat"), kept);
  EXPECT_EQ(text("1", 7), kEveryLibrary);
}

}  // namespace
}  // namespace zeb::cache
