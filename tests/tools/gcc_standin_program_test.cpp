// Runs the installed toolchain stand-in as zeb_c runs it: Windows paths on
// its command line, the Windows system libraries after them.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/scoped.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using zeb::test::read_host_file;
using zeb::test::ScopedTempDir;
using zeb::test::write_host_file;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `program` with `arguments`, its standard output and error into files.
Outcome run(const std::string& program, const std::vector<std::string>& arguments,
            const ScopedTempDir& scratch) {
  const std::string out_file = scratch.host("stdout.txt").string();
  const std::string err_file = scratch.host("stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> texts = {program};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  Outcome outcome;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    if (WIFEXITED(wait_status)) outcome.status = WEXITSTATUS(wait_status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = read_host_file(out_file);
  outcome.err = read_host_file(err_file);
  return outcome;
}

const std::vector<std::string> kSomeWindowsLibraries = {"-luser32", "-lkernel32", "-lgdi32",
                                                        "-lws2_32", "-lwsock32"};

std::vector<std::string> compile_arguments(const std::string& source, const std::string& output) {
  std::vector<std::string> arguments = {"-x", "c", "-O3", source, "-o", output};
  arguments.insert(arguments.end(), kSomeWindowsLibraries.begin(), kSomeWindowsLibraries.end());
  return arguments;
}

TEST(GccStandinProgram, VersionQueryReportsAMingwBuildOnStandardError) {
  ScopedTempDir scratch;
  const Outcome outcome = run(ZEB_GCC_STANDIN, {"-v"}, scratch);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, "");
  const std::string last = std::string("gcc version ") + ZEB_HOST_CC_VERSION + " (mingw-special)\n";
  ASSERT_GE(outcome.err.size(), last.size());
  EXPECT_EQ(outcome.err.substr(outcome.err.size() - last.size()), last);
  EXPECT_NE(outcome.err.find("\nThread model: win32\n"), std::string::npos);
}

TEST(GccStandinProgram, CompilesWindowsPathsTypedInAnotherLetterCase) {
  ScopedTempDir dir;
  fs::create_directories(dir.host("Src Dir"));
  fs::create_directories(dir.host("Out"));
  write_host_file(dir.host("Src Dir/Prog.ZEBC"),
                  "#include <math.h>\n#include <stdio.h>\n"
                  "int main(int argc, char** argv) { (void)argv;\n"
                  "  printf(\"root %.1f\\n\", sqrt(16.0 * argc)); return 7; }\n");
  const Outcome compiled =
      run(ZEB_GCC_STANDIN,
          compile_arguments(dir.path() + "\\SRC DIR\\prog.zebc", dir.path() + "\\out\\prog.zebc.exe"),
          dir);
  EXPECT_EQ(compiled.status, 0) << compiled.err;
  EXPECT_EQ(compiled.out + compiled.err, "");
  // The output lands in the directory that exists, under the name as typed.
  const fs::path program = dir.host("Out/prog.zebc.exe");
  ASSERT_TRUE(fs::exists(program));
  const Outcome ran = run(program.string(), {}, dir);
  EXPECT_EQ(ran.status, 7);
  EXPECT_EQ(ran.out, "root 4.0\n");
}

TEST(GccStandinProgram, CompilerMessagesAndFailurePassThrough) {
  ScopedTempDir dir;
  write_host_file(dir.host("bad.zebc"), "int main(void) { return 0 }\n");
  const Outcome outcome =
      run(ZEB_GCC_STANDIN, compile_arguments(dir.path() + "\\bad.zebc", dir.path() + "\\bad.exe"), dir);
  EXPECT_NE(outcome.status, 0);
  EXPECT_NE(outcome.err.find("bad.zebc"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("error"), std::string::npos) << outcome.err;
  EXPECT_FALSE(fs::exists(dir.host("bad.exe")));
}

}  // namespace
