// How CreateProcessA finds the program of a command line without an
// application name: paths as given, bare names in the program's own
// directory, the current directory and PATH, ".exe" added when missing.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "child_process_support.h"
#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {
namespace {

using Args = std::vector<std::string>;

// Runs `line` and returns the arguments the echoing child saw, or the error.
struct Outcome {
  bool started;
  DWORD error;
  Args arguments;
};

Outcome run_echo(const std::string& line) {
  const ChildRun run = run_child(line);
  Outcome outcome{run.started, run.error, {}};
  if (run.started) outcome.arguments = parse_echoed_arguments(run.output);
  return outcome;
}

TEST(ProgramSearch, BareNameIsFoundBesideTheRunningProgram) {
  ScopedTempDir elsewhere;
  ScopedCurrentDir current(elsewhere.path());
  ScopedEnvVar path("PATH", std::nullopt);
  const Outcome outcome = run_echo("child_echo_args one");
  ASSERT_TRUE(outcome.started) << outcome.error;
  EXPECT_EQ(outcome.arguments, (Args{"child_echo_args", "one"}));
}

TEST(ProgramSearch, CurrentDirectoryAndRelativePaths) {
  ScopedTempDir temp;
  copy_child_program("child_echo_args", temp / "probe.exe", temp.host("probe.exe"));
  ASSERT_TRUE(CreateDirectoryA((temp / "sub").c_str(), nullptr));
  copy_child_program("child_echo_args", temp / "sub\\inner.exe", temp.host("sub/inner.exe"));
  ScopedCurrentDir current(temp.path());

  const struct {
    const char* line;
    Args expected;
  } cases[] = {
      {"probe x", {"probe", "x"}},
      {"probe.exe x", {"probe.exe", "x"}},
      {"PROBE x", {"PROBE", "x"}},
      {"sub\\inner y", {"sub\\inner", "y"}},
      {".\\sub\\inner.exe y", {".\\sub\\inner.exe", "y"}},
      {"sub/inner z", {"sub/inner", "z"}},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run_echo(c.line);
    ASSERT_TRUE(outcome.started) << c.line << " error " << outcome.error;
    EXPECT_EQ(outcome.arguments, c.expected) << c.line;
  }
  // A name with a path is not searched for anywhere else.
  const Outcome nested = run_echo("inner y");
  EXPECT_FALSE(nested.started);
  EXPECT_EQ(nested.error, ERROR_FILE_NOT_FOUND);
}

TEST(ProgramSearch, PathEntriesAreSearchedInOrder) {
  ScopedTempDir first;
  ScopedTempDir second;
  ScopedTempDir elsewhere;
  copy_child_program("child_echo_args", second / "on_path.exe", second.host("on_path.exe"));
  ScopedCurrentDir current(elsewhere.path());
  {
    ScopedEnvVar path("PATH", first.path() + ";" + (elsewhere / "missing") + ";" + second.path());
    const Outcome outcome = run_echo("on_path a");
    ASSERT_TRUE(outcome.started) << outcome.error;
    EXPECT_EQ(outcome.arguments, (Args{"on_path", "a"}));
  }
  {
    ScopedEnvVar path("PATH", first.path());
    const Outcome outcome = run_echo("on_path a");
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.error, ERROR_FILE_NOT_FOUND);
  }
}

}  // namespace
}  // namespace zeb::test
