#include "gcc_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeb::tools {
namespace {

using Args = std::vector<std::string>;

// "C:\a\b" maps to "/a/b"; drive D: does not map.
bool fake_map(std::string_view windows_path, std::string& host_out) {
  if (windows_path[0] == 'D') return false;
  host_out.clear();
  for (char c : windows_path.substr(2)) host_out += (c == '\\') ? '/' : c;
  return true;
}

TEST(GccStandin, TranslatesTheMingwCommandLine) {
  const struct { Args in, out; } cases[] = {
      // The command line zeb_c builds: paths mapped, Windows libraries dropped, libm added.
      {{"-x", "c", "-O3", "C:\\Work\\Hello.zebc", "-o", "c:\\zeb\\h.exe", "-luser32", "-lkernel32", "-lgdi32",
        "-lntdll", "-lws2_32", "-lwsock32", "-lshlwapi", "-lmsacm32", "-lM"},
       {"-x", "c", "-O3", "/Work/Hello.zebc", "-o", "/zeb/h.exe", "-lm"}},
      {{"\"C:\\a b\\x.c\"", "-oC:\\out\\p.exe", "\\\\srv\\x.c"}, {"/a b/x.c", "-o/out/p.exe", "srv/x.c", "-lm"}},
      // What is not a full Windows path goes on as it is.
      {{"-DN=C:\\x", "rel\\x.c", "C:a.c", "C:", "/tmp/y.c"}, {"-DN=C:\\x", "rel\\x.c", "C:a.c", "C:", "/tmp/y.c", "-lm"}},
      {{"C:\\p.c", "-lpthread", "-lgdi32", "-lm", "-ldl"}, {"/p.c", "-lpthread", "-lm", "-ldl", "-lm"}},
      {{"-c", "C:\\p.c", "-luser32"}, {"-c", "/p.c"}},
      {{"-S", "-lmm"}, {"-S"}},
      {{"-E", "-l"}, {"-E", "-l"}},  // a lone -l is the compiler's to judge
  };
  for (const auto& c : cases) {
    const Translation translation = translate_arguments(c.in, fake_map);
    EXPECT_EQ(translation.arguments, c.out) << c.in[0];
    EXPECT_EQ(translation.unmapped, "") << c.in[0];
  }
}

TEST(GccStandin, RefusesAWindowsPathThatDoesNotMap) {
  // Passed on, such a path would be a file name with backslashes in the
  // compiler's current directory: the output would land outside the cache.
  const struct { Args in; std::string unmapped; } cases[] = {
      {{"C:\\p.c", "-o", "\"D:\\x.exe\""}, "\"D:\\x.exe\""},
      {{"-oD:\\out\\p.exe", "C:\\p.c"}, "D:\\out\\p.exe"},
  };
  for (const auto& c : cases) {
    const Translation translation = translate_arguments(c.in, fake_map);
    EXPECT_EQ(translation.unmapped, c.unmapped);
    EXPECT_TRUE(translation.arguments.empty());
  }
  EXPECT_EQ(translate_arguments({"C:\\p.c"}, PathMapper{}).unmapped, "C:\\p.c");
}

TEST(GccStandin, SearchPathPutsTheCompilerFirst) {
  EXPECT_EQ(host_search_path("/usr/bin", "", fake_map), "/usr/bin");
  EXPECT_EQ(host_search_path("/usr/bin", "C:\\z\\bin\\;/usr/local/bin:/bin;;D:\\x;c:\\b", fake_map),
            "/usr/bin:/z/bin/:/usr/local/bin:/bin:/b");
}

TEST(GccStandin, VersionReport) {
  EXPECT_TRUE(is_version_query({"-v"}));
  for (const Args& other : {Args{}, Args{"-V"}, Args{"--version"}, Args{"-v", "x.c"}}) {
    EXPECT_FALSE(is_version_query(other)) << other.size();
  }
  const std::string report = version_report("/usr/bin/cc", "4.7.1");
  const std::string last = "gcc version 4.7.1 (mingw-special)\n";
  EXPECT_TRUE(report.ends_with("\n" + last)) << report;
  EXPECT_EQ(report.find("gcc version "), report.size() - last.size()) << "only in the last line";
  EXPECT_NE(report.find("\nThread model: win32\n"), std::string::npos);
}

}  // namespace
}  // namespace zeb::tools
