#include "gcc_arguments.h"

#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/scoped.h"

extern char** environ;

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

TEST(GccStandin, TranslatesTheMingwCommandLineOrRefusesAPathThatDoesNotMap) {
  const struct { Args in, out; std::string unmapped = {}; } cases[] = {
      // The command line zeb_c builds: paths mapped, Windows libraries dropped, libm added.
      {{"-x", "c", "-O3", "C:\\Work\\Hello.zebc", "-o", "c:\\zeb\\h.exe", "-luser32", "-lkernel32", "-lgdi32",
        "-lntdll", "-lws2_32", "-lwsock32", "-lshlwapi", "-lmsacm32", "-lUser32", "-lz", "-lnosuch"},
       {"-x", "c", "-O3", "/Work/Hello.zebc", "-o", "/zeb/h.exe", "-lz", "-lnosuch", "-lm"}},
      {{"\"C:\\a b\\x.c\"", "-oC:\\out\\p.exe", "\\\\srv\\x.c"}, {"/a b/x.c", "-o/out/p.exe", "srv/x.c", "-lm"}},
      // What is not a full Windows path goes on as it is.
      {{"-DN=C:\\x", "rel\\x.c", "C:a.c", "C:", "/tmp/y.c"}, {"-DN=C:\\x", "rel\\x.c", "C:a.c", "C:", "/tmp/y.c", "-lm"}},
      // A path query links nothing: libm added would be one more thing asked about.
      {{"-print-file-name=libm.a", "-lgdi32"}, {"-print-file-name=libm.a"}},
      // Passed on, such a path would be a file name with backslashes in the
      // compiler's current directory: the output would land outside the cache.
      {{"C:\\p.c", "-o", "\"D:\\x.exe\""}, {}, "\"D:\\x.exe\""}, {{"-oD:\\out\\p.exe", "C:\\p.c"}, {}, "D:\\out\\p.exe"}};
  for (const auto& c : cases) {
    const Translation translation = translate_arguments(c.in, fake_map);
    EXPECT_EQ(std::pair(translation.arguments, translation.unmapped), std::pair(c.out, c.unmapped)) << c.in[0];
  }
  EXPECT_EQ(translate_arguments({"C:\\p.c"}, PathMapper{}).unmapped, "C:\\p.c");
}

// Names host paths as Wine does: drive Z: with backslashes, "." and ".."
// resolved, no final separator; "/proc" lies on no drive.
bool fake_namer(std::string_view host_path, std::string& windows_out) {
  if (host_path.starts_with("/proc")) return false;
  std::string resolved = std::filesystem::path(host_path).lexically_normal().string();
  if (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  windows_out = "Z:" + resolved;
  std::replace(windows_out.begin(), windows_out.end(), '/', '\\');
  return true;
}

TEST(GccStandin, PathQueryAnswersReadAsAWindowsGccWritesThem) {
  const std::string lib = "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/";
  const std::string win = "Z:/usr/lib/gcc/x86_64-w64-mingw32/12-posix/";
  const struct { std::string in, out; } cases[] = {
      {"install: " + lib + "\nprograms: =" + lib + ":/usr/bin/x\nlibraries: =" + lib + ":" + lib +
           "../../../../x86_64-w64-mingw32/lib/:/a/./b\n",
       "install: " + win + "\nprograms: =" + win + ";Z:/usr/bin/x\nlibraries: =" + win + ";" + win +
           "../../../../x86_64-w64-mingw32/lib/;Z:/a/./b\n"},
      // -print-file-name, -print-prog-name: one path, or the bare name gcc did not find.
      {lib + "libgcc.a\n", win + "libgcc.a\n"},
      {"/usr/bin/x86_64-w64-mingw32-ld", "Z:/usr/bin/x86_64-w64-mingw32-ld"},
      {"libth32.a\n", "libth32.a\n"},
      {"programs: /usr/bin:/bin\ninstall:/usr\n", "programs: /usr/bin:/bin\ninstall:/usr\n"},
      {"", ""},
  };
  for (const auto& c : cases) {
    const PathReport report = windows_path_report(c.in, fake_namer);
    EXPECT_EQ(std::pair(report.text, report.unnamed), std::pair(c.out, std::string())) << c.in;
  }
  // A Windows gcc could not name such a directory: nothing half-translated.
  const PathReport unnamed = windows_path_report("libraries: =/usr/lib/:/proc/x/../lib/:/lib/\n", fake_namer);
  EXPECT_EQ(std::pair(unnamed.text, unnamed.unnamed), std::pair(std::string(), std::string("/proc/x/../lib/")));
}

TEST(GccStandin, PathQueriesAreToldFromOtherCommandLines) {
  for (const Args& query : {Args{"-print-search-dirs"}, Args{"-O2", "-print-file-name=libuser32.a"},
                            Args{"-print-prog-name=ld"}, Args{"-print-libgcc-file-name"}}) {
    EXPECT_TRUE(is_path_query(query)) << query.back();
  }
  for (const Args& other : {Args{"-v"}, Args{"-print-multi-directory"}, Args{"x.c", "-o", "-print-search-dirs.exe"}}) {
    EXPECT_FALSE(is_path_query(other)) << other.back();
  }
}

TEST(GccStandin, AnInterpreterLineBecomesALineDirective) {
  const struct { std::string in; std::optional<std::string> out; } cases[] = {
      {"#!/usr/bin/env zeb_c\nint x;\n", "#line 2 \"/w/a b\\\\\\\"q\"\nint x;\n"},
      {"#!zeb_c", "#line 2 \"/w/a b\\\\\\\"q\""},
      {"#include <x.h>\n#!no\n", std::nullopt},
      {" #!/usr/bin/env zeb_c\n", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(without_interpreter_line(c.in, "/w/a b\\\"q"), c.out) << c.in;
}

TEST(GccStandin, MessagesNameTheFilesAsZebcGaveThem) {
  const std::vector<MappedPath> mapped = {{"/w/a.c", "Z:\\w\\a.c"}, {"/w/a.c.d/a.c", "Z:\\w\\A.C.D\\a.c"}};
  const struct { std::string in, out; } cases[] = {
      {"/w/a.c:1:2: error: x\n/w/a.c: In function\n", "Z:\\w\\a.c:1:2: error: x\nZ:\\w\\a.c: In function\n"},
      // The longer path is not taken for the shorter one followed by more.
      {"/w/a.c.d/a.c:3: note\n", "Z:\\w\\A.C.D\\a.c:3: note\n"},
      {"ld: cannot find -lfoo\n", "ld: cannot find -lfoo\n"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(windows_messages(c.in, mapped), c.out) << c.in;
  EXPECT_EQ(windows_messages("/w/a.c", {{"", "X"}}), "/w/a.c");
}

TEST(GccStandin, ShellRunsTheCompilerWithEachOutputStreamCapturedApart) {
  // Arguments the shell would split or expand, were they script text.
  const test::ScopedTempDir dir;
  const std::string output = dir.host("out file").string(), errors = dir.host("err file").string();
  const Args script = {"-c", "printf '%s|' \"$@\"; printf oops >&2; exit 3", "sh", "a b", "$x", "it's", "*"};
  const Args command = captured_shell_command("/bin/sh", output, errors, script);
  std::vector<char*> argv;
  for (const std::string& piece : command) argv.push_back(const_cast<char*>(piece.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
  int status = -1;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
  EXPECT_EQ(test::read_host_file(output), "a b|$x|it's|*|");
  EXPECT_EQ(test::read_host_file(errors), "oops");
}

TEST(GccStandin, SearchPathPutsTheCompilerFirst) {
  EXPECT_EQ(host_search_path("/usr/bin", "", fake_map), "/usr/bin");
  EXPECT_EQ(host_search_path("/usr/bin", "C:\\z\\bin\\;/usr/local/bin:/bin;;D:\\x;c:\\b", fake_map),
            "/usr/bin:/z/bin/:/usr/local/bin:/bin:/b");
}

}  // namespace
}  // namespace zeb::tools
