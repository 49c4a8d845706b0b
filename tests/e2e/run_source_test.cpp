// zeb_c running C sources through its cache, end to end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/installation_support.h"
#include "support/scoped.h"

namespace zeb::e2e {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::ScopedTempDir;
using test::write_host_file;

constexpr const char* kHello =
    "#include <stdio.h>\n"
    "int main(void) { printf(\"hello from zebc\\n\"); return 0; }\n";

// Prints its argument count and each argument in brackets, one per line.
constexpr const char* kShowArguments =
    "#include <stdio.h>\n"
    "int main(int argc, char** argv) {\n"
    "  printf(\"%d\\n\", argc - 1);\n"
    "  for (int i = 1; i < argc; ++i) printf(\"[%s]\\n\", argv[i]);\n"
    "  return 0;\n"
    "}\n";

class RunSourceTest : public ::testing::Test {
 protected:
  // Writes a source into the work directory; returns its Windows full path.
  std::string write_source(const std::string& name, const std::string& text,
                           const std::string& subdirectory = "") {
    const fs::path directory = subdirectory.empty() ? work_.host_path() : work_.host(subdirectory);
    fs::create_directories(directory);
    write_host_file(directory / name, text);
    return work_.path() + "\\" + (subdirectory.empty() ? "" : subdirectory + "\\") + name;
  }
  RunResult run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return install_.run(arguments, work_.host_path(), input);
  }

  Installation install_;
  ScopedTempDir work_;
};

TEST_F(RunSourceTest, FirstRunCompilesAndShowsBannerBeforeTheProgramsOutput) {
  const std::string source = write_source("hello.zebc", kHello);
  const RunResult result = run({"hello.zebc"});
  EXPECT_EQ(result.out, compile_header() + "hello from zebc\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  // The cache entry: named from the lower-cased full path, stamped.
  const fs::path executable = install_.executable_for(source);
  ASSERT_TRUE(fs::exists(executable));
  const std::string bytes = read_host_file(executable);
  const std::uint32_t content = crc32_of(kHello);
  ASSERT_GT(bytes.size(), 300u);
  const std::string stamp = bytes.substr(bytes.size() - 300);
  const std::string expected_stamp = std::string(290, '\0') +
                                     std::string{static_cast<char>(content & 0xff),
                                                 static_cast<char>((content >> 8) & 0xff),
                                                 static_cast<char>((content >> 16) & 0xff),
                                                 static_cast<char>((content >> 24) & 0xff)} +
                                     std::string(6, '\0');
  EXPECT_EQ(stamp, expected_stamp);
  EXPECT_EQ(install_.registry(),
            "<zeb software>\n" + lower(install_.windows() + "cache\\") +
                executable.parent_path().filename().string() + "\\hello.zebc.exe\n");
}

TEST_F(RunSourceTest, SecondRunOfUnchangedSourcePrintsOnlyTheProgramsOutput) {
  write_source("hello.zebc", kHello);
  ASSERT_EQ(run({"hello.zebc"}).status, 0);
  const RunResult second = run({"hello.zebc"});
  EXPECT_EQ(second.out, "hello from zebc\n");
  EXPECT_EQ(second.status, 0);
}

TEST_F(RunSourceTest, ChangedSourceCompilesAgainOverTheOldExecutable) {
  const std::string source = write_source("hello.zebc", kHello);
  run({"hello.zebc"});
  write_source("hello.zebc",
               "#include <stdio.h>\nint main(void) { printf(\"changed\\n\"); return 0; }\n");
  const RunResult changed = run({"hello.zebc"});
  EXPECT_EQ(changed.out, compile_header() + "changed\n");
  EXPECT_EQ(run({"hello.zebc"}).out, "changed\n");
  EXPECT_EQ(install_.cache_entries(), 1);
}

TEST_F(RunSourceTest, SameFileInAnotherLetterCaseUsesTheSameEntry) {
  const std::string source = write_source("Hello.zebc", kHello);
  ASSERT_EQ(run({"Hello.zebc"}).out, compile_header() + "hello from zebc\n");
  EXPECT_EQ(run({"HELLO.ZEBC"}).out, "hello from zebc\n");
  // A full path typed in upper case, from another directory.
  ScopedTempDir elsewhere;
  std::string upper = source;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(install_.run({upper}, elsewhere.host_path()).out, "hello from zebc\n");
  EXPECT_EQ(install_.cache_entries(), 1);
  EXPECT_TRUE(fs::exists(install_.executable_for(source)));
}

TEST_F(RunSourceTest, CopyInAnotherDirectoryGetsItsOwnEntry) {
  const std::string first = write_source("hello.zebc", kHello);
  const std::string second = write_source("hello.zebc", kHello, "copy");
  EXPECT_EQ(run({"hello.zebc"}).out, compile_header() + "hello from zebc\n");
  EXPECT_EQ(install_.run({"hello.zebc"}, work_.host("copy")).out,
            compile_header() + "hello from zebc\n");
  EXPECT_EQ(install_.cache_entries(), 2);
  EXPECT_NE(install_.cache_directory_for(first), install_.cache_directory_for(second));
  EXPECT_TRUE(fs::exists(install_.executable_for(second)));
}

TEST_F(RunSourceTest, SyntaxErrorShowsCompilerMessagesGivesNineAndCompilesAgainNextTime) {
  write_source("broken.zebc", "int main(void) { return 0 }\n");
  const RunResult result = run({"broken.zebc"});
  EXPECT_EQ(result.status, 9);
  ASSERT_GT(result.out.size(), compile_header().size());
  EXPECT_EQ(result.out.substr(0, compile_header().size()), compile_header());
  const std::string tail = "compilation error\n";
  EXPECT_EQ(result.out.substr(result.out.size() - tail.size()), tail);
  // The compiler's own words, naming the file, sit between the two.
  const std::string messages =
      result.out.substr(compile_header().size(),
                        result.out.size() - compile_header().size() - tail.size());
  EXPECT_NE(messages.find("broken.zebc"), std::string::npos) << result.out;
  EXPECT_NE(messages.find("error"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");

  const RunResult again = run({"broken.zebc"});
  EXPECT_EQ(again.status, 9);
  EXPECT_EQ(again.out.substr(0, compile_header().size()), compile_header());
}

TEST_F(RunSourceTest, ProgramsExitStatusPassesThrough) {
  write_source("exit.zebc", "int main(void) { return 42; }\n");
  EXPECT_EQ(run({"exit.zebc"}).status, 42);
  const RunResult cached = run({"exit.zebc"});
  EXPECT_EQ(cached.status, 42);
  EXPECT_EQ(cached.out, "");
}

TEST_F(RunSourceTest, EmptyExtraArgumentsAreSkipped) {
  write_source("args.zebc", kShowArguments);
  EXPECT_EQ(run({"args.zebc", "a", "", "c"}).out, compile_header() + "2\n[a]\n[c]\n");
  EXPECT_EQ(run({"args.zebc", "", "b"}).out, "1\n[b]\n");
  // Only four extra arguments reach the program.
  EXPECT_EQ(run({"args.zebc", "1", "2", "3", "4", "5", "6"}).out, "4\n[1]\n[2]\n[3]\n[4]\n");
}

TEST_F(RunSourceTest, ArgumentsArriveExactlyAsTyped) {
  write_source("args.zebc", kShowArguments);
  ASSERT_EQ(run({"args.zebc"}).status, 0);
  const std::vector<std::vector<std::string>> cases = {
      {"two words", "  padded  "},
      {"say \"hi\"", "\""},
      {"trailing\\", "two\\\\", "C:\\dir with blank\\"},
      {"a\\\"b", "\\\\\"", "tab\there"},
      {"plain"},
      {std::string(299, 'x')},
  };
  for (const auto& arguments : cases) {
    std::vector<std::string> command = {"args.zebc"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string expected = std::to_string(arguments.size()) + "\n";
    for (const std::string& argument : arguments) expected += "[" + argument + "]\n";
    const RunResult result = run(command);
    EXPECT_EQ(result.out, expected) << arguments[0];
    EXPECT_EQ(result.status, 0);
  }
}

TEST_F(RunSourceTest, StandardInputReachesTheProgram) {
  write_source("echo.zebc",
               "#include <stdio.h>\n"
               "int main(void) { int c; while ((c = getchar()) != EOF) putchar(c == 'a' ? 'A' : c);"
               " return 0; }\n");
  EXPECT_EQ(run({"echo.zebc"}, "banana\nsplit\n").out, compile_header() + "bAnAnA\nsplit\n");
  EXPECT_EQ(run({"echo.zebc"}, "abc").out, "Abc");
}

TEST_F(RunSourceTest, ProgramRunsInTheSourcesDirectory) {
  write_source("where.zebc",
               "#include <stdio.h>\n#include <unistd.h>\n"
               "int main(void) { char b[4096]; if (!getcwd(b, sizeof b)) return 1;"
               " printf(\"%s\\n\", b); return 0; }\n",
               "sub");
  const std::string full = work_.path() + "\\sub\\where.zebc";
  const RunResult result = run({full});
  EXPECT_EQ(result.out, compile_header() + work_.host("sub").string() + "\n");
  EXPECT_EQ(result.status, 0);
}

// Prints a mark of its own, then its working directory.
std::string where_source(const std::string& mark) {
  return "#include <stdio.h>\n#include <unistd.h>\n"
         "int main(void) { char b[4096]; if (!getcwd(b, sizeof b)) return 1;"
         " printf(\"" + mark + " %s\\n\", b); return 0; }\n";
}

TEST_F(RunSourceTest, SourcePathsTypedTheHostsWayRunTheRightProgram) {
  write_source("x.zebc", where_source("sub"), "sub");
  write_source("x.zebc", where_source("blank"), "sub dir");
  const std::string in_sub = " " + work_.host("sub").string() + "\n";
  const struct {
    std::string typed, out;
  } cases[] = {
      {"sub/x.zebc", compile_header() + "sub" + in_sub},
      {"sub dir/x.zebc", compile_header() + "blank " + work_.host("sub dir").string() + "\n"},
      // The same file by another spelling reuses its entry: no compile.
      {"sub\\x.zebc", "sub" + in_sub},
      {"SUB/X.ZEBC", "sub" + in_sub},
      {work_.host("sub/x.zebc").string(), "sub" + in_sub},
      {"sub//x.zebc", "sub" + in_sub},
  };
  for (const auto& c : cases) {
    const RunResult result = run({c.typed});
    EXPECT_EQ(result.out, c.out) << c.typed;
    EXPECT_EQ(result.status, 0) << c.typed;
  }
  EXPECT_EQ(install_.cache_entries(), 2);
  EXPECT_TRUE(fs::exists(install_.executable_for(work_.path() + "\\sub\\x.zebc")));
}

TEST_F(RunSourceTest, SameSizedFileInTheCurrentDirectoryIsNotRunInstead) {
  write_source("x.zebc", where_source("top"));
  write_source("x.zebc", where_source("sub"), "sub");
  EXPECT_EQ(run({"sub/x.zebc"}).out, compile_header() + "sub " + work_.host("sub").string() + "\n");
  EXPECT_EQ(run({"x.zebc"}).out, compile_header() + "top " + work_.host_path().string() + "\n");
}

TEST_F(RunSourceTest, UnreadableCurrentDirectoryStopsTheRunBeforeAnythingIsMade) {
  const std::string source = write_source("x.zebc", where_source("x"));
  // Deeper than the 260 characters a current directory is read into.
  fs::path deep = work_.host_path();
  while (deep.string().size() <= 300) deep /= std::string(40, 'd');
  fs::create_directories(deep);
  write_host_file(deep / "y.zebc", where_source("y"));
  for (const std::string& typed : {source, std::string("y.zebc")}) {
    const RunResult result = install_.run({typed}, deep);
    EXPECT_EQ(result.out, "argument or path too long\n") << typed;
    EXPECT_EQ(result.status, 28) << typed;
  }
  EXPECT_FALSE(fs::exists(install_.host() / "cache"));
  EXPECT_FALSE(fs::exists(install_.capture_file()));
}

TEST_F(RunSourceTest, OutputKeepsItsOrderWhenStandardOutputIsAFile) {
  // Large compiler output and program output: nothing of zeb_c's own may
  // arrive after what its children wrote.
  write_source("warn.zebc",
               "#warning first warning\n#include <stdio.h>\n"
               "int main(void) { for (int i = 0; i < 2000; ++i) printf(\"line %d\\n\", i);"
               " return 0; }\n");
  const RunResult result = run({"warn.zebc"});
  ASSERT_EQ(result.status, 0);
  ASSERT_EQ(result.out.substr(0, compile_header().size()), compile_header());
  const std::size_t warning = result.out.find("first warning");
  const std::size_t program = result.out.find("line 0\n");
  ASSERT_NE(warning, std::string::npos);
  ASSERT_NE(program, std::string::npos);
  EXPECT_LT(warning, program);
  EXPECT_EQ(result.out.substr(result.out.size() - 10), "line 1999\n");
}

}  // namespace
}  // namespace zeb::e2e
