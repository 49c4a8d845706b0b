// Command lines: how CreateProcessA splits them for a child and searches its
// program, the child's exit code, standard handles and directory, the failures
// that start nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "conformance_support.h"

namespace zeb::test {
namespace {

using Args = std::vector<std::string>;

// What child_echo_args prints for these arguments, and how it ends.
std::string echoes(const Args& arguments) {
  std::string report;
  for (const std::string& a : arguments) report += std::to_string(a.size()) + ":" + a + "|";
  return report + "/ 0";
}

// What a command line starts, and with which arguments; or why nothing started.
TEST(Process, StartsWhatTheLineNamesWithTheArgumentsItSplits) {
  ScopedTempDir here, on_path;
  std::filesystem::copy_file(test_program("child_echo_args"), here.host("probe.exe"));
  std::filesystem::copy_file(test_program("child_echo_args"), on_path.host("far.exe"));
  ScopedCurrentDir current(here.path());
  ScopedEnvVar path("PATH", (here / "missing") + ";" + on_path.path());
  const std::string echo = child_command("child_echo_args"), sleep = child_command("child_sleep");
  const std::string self = test_binary_dir() + "child_echo_args", none = here / "none";
  // The command line, the child's directory, and what came of it.
  const std::tuple<std::string, const char*, std::string> cases[] = {
      {echo + " a b  \tc", nullptr, echoes({self, "a", "b", "c"})},
      {echo + " \"two words\" a\"b c\"d \"\"", nullptr, echoes({self, "two words", "ab cd", ""})},
      // msvcrt.dll: a doubled quote inside quotes is a literal quote that also
      // ends the quoted part; Wine's runtime, like later Microsoft runtimes,
      // stays inside the quotes.
      {echo + " \"a\"\"b c\"", nullptr,
       running_under_wine() ? echoes({self, "a\"b c"}) : echoes({self, "a\"b", "c"})},
      // A bare name is looked for beside the running program, in the current
      // directory, then along PATH in order, with ".exe" added when missing.
      {"child_echo_args x", nullptr, echoes({"child_echo_args", "x"})},
      {"PROBE.exe x", nullptr, echoes({"PROBE.exe", "x"})},
      {".\\probe y", nullptr, echoes({".\\probe", "y"})},
      {"far z", nullptr, echoes({"far", "z"})},
      // The exit code, the two output streams apart, the directory; failures
      // that start nothing.
      {child_command("child_exit") + " 255", nullptr, "exit 255|/ 255"},
      {child_command("child_interleave"), nullptr, "out1|out2|out3|/err1|err2|err3| 0"},
      {"nowhere z", nullptr, "error 2"},
      {sleep + " 0 marker.txt", none.c_str(), "error " + std::to_string(ERROR_DIRECTORY)},
  };
  for (const auto& [line, directory, result] : cases)
    EXPECT_EQ(run_child(line, directory), result) << line;
  // A child started in spite of its bad directory would leave its marker here.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(std::filesystem::exists(here.host("marker.txt")));
}

}  // namespace
}  // namespace zeb::test
