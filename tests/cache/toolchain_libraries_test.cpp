#include "cache/toolchain_libraries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/scoped.h"

namespace zeb::cache {
namespace {

// The compile line's library text as it has always been.
const std::string kEveryLibrary =
    " -luser32  -lkernel32  -ladvapi32  -lshell32  -lavicap32  -lavifil32  -lcfgmgr32  -lcomctl32  -lcomdlg32"
    "  -lcrypt32  -lgdi32  -limagehlp  -limm32  -lmapi32  -lmsacm32  -lmswsock  -lnetapi32  -lntdll  -lntoskrnl"
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

TEST(ToolchainLibraries, DirectoriesOfTheLibrariesLine) {
  using Dirs = std::vector<std::string>;
  const struct { std::string report; std::optional<Dirs> dirs; } cases[] = {
      {"install: C:/m/lib/gcc/x86_64-w64-mingw32/13.2.0/\r\nprograms: =C:/m/bin/\r\n"
       "libraries: =C:/m/bin/../lib/gcc/x86_64-w64-mingw32/13.2.0/;C:\\m\\lib\\;;c:/m/x86_64-w64-mingw32/lib/\r\n",
       Dirs{"C:/m/bin/../lib/gcc/x86_64-w64-mingw32/13.2.0/", "C:\\m\\lib\\", "c:/m/x86_64-w64-mingw32/lib/"}},
      {"libraries: =Z:/usr/lib/", Dirs{"Z:/usr/lib/"}},
      {"libraries: =\n", Dirs{}},
      {"install: C:/m/\nprograms: =C:/m/bin/\n", std::nullopt},
      {" libraries: =C:/m/\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [report, dirs] : cases) EXPECT_EQ(library_directories(report), dirs) << report;
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
      {std::nullopt, "0", kEveryLibrary},
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

}  // namespace
}  // namespace zeb::cache
