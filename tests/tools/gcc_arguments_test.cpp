#include "gcc_arguments.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace zeb::tools {
namespace {

using Args = std::vector<std::string>;

// A mapper that turns "C:\a\b" into "/a/b" and refuses drive D:, recording
// what it was asked.
struct FakeMapper {
  std::vector<std::string>* asked;
  bool operator()(std::string_view windows_path, std::string& host_out) const {
    asked->emplace_back(windows_path);
    if (windows_path[0] == 'D' || windows_path[0] == 'd') return false;
    host_out.clear();
    for (char c : windows_path.substr(2)) host_out += (c == '\\') ? '/' : c;
    return true;
  }
};

// The library options that zeb_c puts on every compile command line.
const char* const kWindowsLibraries =
    "-luser32 -lkernel32 -ladvapi32 -lshell32 -lavicap32 -lavifil32 -lcfgmgr32 -lcomctl32 "
    "-lcomdlg32 -lcrypt32 -lgdi32 -limagehlp -limm32 -lmapi32 -lmsacm32 -lmswsock -lnetapi32 "
    "-lntdll -lntoskrnl -lodbc32 -lodbccp32 -lole32 -loleacc -loleaut32 -lolecli32 -loledlg "
    "-lolepro32 -lolesvr32 -lopengl32 -lpenwin32 -lpkpd32 -lpowrprof -lpsapi -lquartz -lrapi "
    "-lrasapi32 -lrasdlg -lrpcdce4 -lrpcns4 -lrpcrt4 -lsecur32 -lsetupapi -lshfolder -lshlwapi "
    "-lsnmpapi -lstrmiids -lsvrapi -ltapi32 -lth32 -lthunk32 -lurl -lversion -lvfw32 -lwininet "
    "-lwinmm -lwow32 -lws2_32 -lwsnmp32 -lwsock32";

Args windows_libraries() {
  Args libraries;
  std::istringstream in(kWindowsLibraries);
  for (std::string option; in >> option;) libraries.push_back(option);
  return libraries;
}

TEST(GccStandinVersion, OnlyTheLoneDashVIsTheVersionQuery) {
  EXPECT_TRUE(is_version_query({"-v"}));
  const Args others[] = {{}, {"-V"}, {"--version"}, {"-v", "x.c"}, {"x.c", "-v"}, {"-vv"}};
  for (const Args& arguments : others) {
    EXPECT_FALSE(is_version_query(arguments)) << arguments.size();
  }
}

TEST(GccStandinVersion, ReportEndsWithTheMingwVersionLine) {
  const std::string report = version_report("/usr/bin/cc", "4.7.1");
  const std::string last = "gcc version 4.7.1 (mingw-special)\n";
  ASSERT_GE(report.size(), last.size());
  EXPECT_EQ(report.substr(report.size() - last.size()), last);
  // The marker and the version words each appear once, in the last line.
  EXPECT_EQ(report.find("(mingw-special)"), report.size() - 16);
  EXPECT_EQ(report.find("gcc version "), report.size() - last.size());
  EXPECT_NE(report.find("Thread model: win32\n"), std::string::npos);
  EXPECT_EQ(report.rfind("Reading specs from ", 0), 0u);
  EXPECT_NE(report.find("\nConfigured with: "), std::string::npos);
  EXPECT_NE(report.find("/usr/bin/cc"), std::string::npos);
}

TEST(GccStandinArguments, RecognisesWindowsPaths) {
  const struct {
    const char* argument;
    bool windows;
  } cases[] = {
      {"C:\\a.c", true},      {"c:\\", true},         {"z:/x", true},
      {"\\\\server\\share", true}, {"C:", false},     {"C:a.c", false},
      {"/tmp/a.c", false},    {"-O3", false},         {"c", false},
      {"1:\\x", false},       {"\\a", false},         {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_windows_path(c.argument), c.windows) << c.argument;
}

TEST(GccStandinArguments, KeepsOnlyHostLibraries) {
  for (const std::string& option : windows_libraries()) {
    EXPECT_FALSE(is_host_library_option(option)) << option;
  }
  for (const char* option : {"-lm", "-lpthread", "-ldl", "-lrt"}) {
    EXPECT_TRUE(is_host_library_option(option)) << option;
  }
  for (const char* option : {"-l", "-lmm", "m", "-Lm", "-lM"}) {
    EXPECT_FALSE(is_host_library_option(option)) << option;
  }
}

TEST(GccStandinArguments, TranslatesTheCompileCommandLine) {
  Args arguments = {"-x", "c", "-O3", "C:\\Work\\Hello.zebc", "-o",
                    "c:\\zeb\\cache\\hello.zebc-0000abcd\\hello.zebc.exe"};
  const Args libraries = windows_libraries();
  ASSERT_EQ(libraries.size(), 59u);
  arguments.insert(arguments.end(), libraries.begin(), libraries.end());

  std::vector<std::string> asked;
  const Args translated = translate_arguments(arguments, FakeMapper{&asked});
  const Args expected = {"-x", "c", "-O3", "/Work/Hello.zebc", "-o",
                         "/zeb/cache/hello.zebc-0000abcd/hello.zebc.exe", "-lm"};
  EXPECT_EQ(translated, expected);
  EXPECT_EQ(asked, (Args{"C:\\Work\\Hello.zebc",
                         "c:\\zeb\\cache\\hello.zebc-0000abcd\\hello.zebc.exe"}));
}

TEST(GccStandinArguments, TableOfSingleArguments) {
  const struct {
    Args in;
    Args out;
  } cases[] = {
      // Still quoted: the quotes go with the mapping.
      {{"\"C:\\a b\\x.c\""}, {"/a b/x.c", "-lm"}},
      // Joined to -o.
      {{"-oC:\\out\\p.exe", "C:\\p.c"}, {"-o/out/p.exe", "/p.c", "-lm"}},
      // A path that cannot be mapped goes on unchanged, quotes included.
      {{"D:\\x.c"}, {"D:\\x.c", "-lm"}},
      {{"\"D:\\x.c\""}, {"\"D:\\x.c\"", "-lm"}},
      // Not paths: untouched.
      {{"-DNAME=C:\\x", "rel\\x.c", "/tmp/y.c"}, {"-DNAME=C:\\x", "rel\\x.c", "/tmp/y.c", "-lm"}},
      // Host libraries stay where they were, the math library also comes last.
      {{"C:\\p.c", "-lpthread", "-lgdi32", "-lm"}, {"/p.c", "-lpthread", "-lm", "-lm"}},
      // Without linking there is no library to add.
      {{"-c", "C:\\p.c", "-luser32"}, {"-c", "/p.c"}},
      {{"-S", "C:\\p.c"}, {"-S", "/p.c"}},
      {{"-E", "C:\\p.c"}, {"-E", "/p.c"}},
      // A lone -o and a lone -l are passed on for the compiler to judge.
      {{"-o"}, {"-o", "-lm"}},
      {{"-l"}, {"-l", "-lm"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> asked;
    EXPECT_EQ(translate_arguments(c.in, FakeMapper{&asked}), c.out) << c.in[0];
  }
}

TEST(GccStandinArguments, NoMapperLeavesPathsAsTheyAre) {
  EXPECT_EQ(translate_arguments({"C:\\p.c"}, PathMapper{}), (Args{"C:\\p.c", "-lm"}));
}

}  // namespace
}  // namespace zeb::tools

namespace zeb::tools {
namespace {

TEST(GccStandinSearchPath, CompilerDirectoryFirstThenHostFormOfEachEntry) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"", "/usr/bin"},
      {"/usr/local/bin:/bin", "/usr/bin:/usr/local/bin:/bin"},
      {"C:\\zeb\\mingw\\bin\\;/usr/local/bin:/bin", "/usr/bin:/zeb/mingw/bin/:/usr/local/bin:/bin"},
      {"C:\\a;;D:\\gone;c:\\b", "/usr/bin:/a:/b"},
      {";", "/usr/bin"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> asked;
    EXPECT_EQ(host_search_path("/usr/bin", c.path, FakeMapper{&asked}), c.expected) << c.path;
  }
  EXPECT_EQ(host_search_path("", "/x", PathMapper{}), "/x");
}

}  // namespace
}  // namespace zeb::tools
