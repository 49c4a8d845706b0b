// Pipes and child processes through CreateProcessA: argument passing, exit
// codes, waits, captured standard handles, program search and the failures
// that start nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "conformance_support.h"
#include "platform/portable/command_line.h"

namespace zeb::test {
namespace {

using Args = std::vector<std::string>;

TEST(Pipe, DataComesOutThenTheEndIsABrokenPipe) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  DWORD count = 0;
  ASSERT_TRUE(WriteFile(write_end, "hello", 5, &count, nullptr));
  ASSERT_TRUE(WriteFile(write_end, "abc", 3, &count, nullptr));
  EXPECT_TRUE(CloseHandle(write_end));
  // What is still in the pipe is delivered before the end, no more than asked.
  char buffer[4];
  ASSERT_TRUE(ReadFile(read_end, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "hell");
  EXPECT_EQ(read_to_end(read_end), "oabc");
  for (int again = 0; again < 2; ++again) {
    count = 99;
    EXPECT_FALSE(ReadFile(read_end, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    EXPECT_EQ(count, 0u);
  }
  CloseHandle(read_end);
}

TEST(Process, ChildSeesTheLineSplitByWindowsRules) {
  const struct {
    const char* tail;
    Args expected;
    Args on_wine;  // where Wine's runtime differs from msvcrt.dll's
  } cases[] = {
      {"a b  \tc", {"a", "b", "c"}, {}},
      {"\"two words\" a\"b c\"d \"\"", {"two words", "ab cd", ""}, {}},
      {"C:\\d\\f.c \"C:\\P F\\\\\" a\\\\b", {"C:\\d\\f.c", "C:\\P F\\", "a\\\\b"}, {}},
      {"a\\\\\"b c\" a\\\"b a\\\\\\\"b", {"a\\b c", "a\"b", "a\\\"b"}, {}},
      // msvcrt.dll: a doubled quote inside quotes is a literal quote that also
      // ends the quoted part; Wine's runtime, like later Microsoft runtimes,
      // stays inside the quotes.
      {"\"a\"\"b c\"", {"a\"b", "c"}, {"a\"b c"}},
  };
  for (const auto& c : cases) {
    const std::string line = child_command("child_echo_args") + " " + c.tail;
    const ChildRun run = run_child(line);
    ASSERT_TRUE(run.started) << line << " error " << run.error;
    Args expected = {test_binary_dir() + "child_echo_args"};
    const Args& tail = running_under_wine() && !c.on_wine.empty() ? c.on_wine : c.expected;
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(run.out, echoed(expected)) << line;
  }
}

TEST(Process, QuotedArgumentsArriveUnchanged) {
  const Args arguments = {"",       "plain",      "two words", "tab\there",     "quote\"in",
                          "\"",     "trailing\\", "two\\\\",   "\\\"mix\\\\\"", "C:\\x y\\z\\",
                          "%PATH%", "*?<>|&^"};
  std::string line = child_command("child_echo_args");
  for (const std::string& argument : arguments) line += " " + platform::quote_argument(argument);
  const ChildRun run = run_child(line);
  ASSERT_TRUE(run.started) << run.error;
  Args expected = {test_binary_dir() + "child_echo_args"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(run.out, echoed(expected)) << line;
}

TEST(Process, ExitCodesAndWaitTimeOuts) {
  for (DWORD status : {0u, 42u, 255u}) {
    const ChildRun run = run_child(child_command("child_sleep") + " 0 " + std::to_string(status));
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_EQ(run.exit_code, status);
  }
  std::string line = child_command("child_sleep") + " 1500 7";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child))
      << GetLastError();
  using Clock = std::chrono::steady_clock;
  const Clock::time_point before = Clock::now();
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 100), WAIT_TIMEOUT);
  EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(90));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(child.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  // A long time-out returns as soon as the child ends, and the end lasts.
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 20000), WAIT_OBJECT_0);
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(10));
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(child.hProcess, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
}

TEST(Process, StandardHandlesAreCapturedApart) {
  const ChildRun run =
      run_child(child_command("child_write_streams") + " \"standard output\" errors");
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.out, "standard output");
  EXPECT_EQ(run.err, "errors");
  EXPECT_EQ(run.exit_code, 0u);
}

TEST(Process, RunsInTheGivenDirectory) {
  ScopedTempDir temp;
  const ChildRun run =
      run_child(child_command("child_touch") + " made-here.txt", temp.path().c_str());
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(read_host_file(temp.host("made-here.txt")), "touched");
}

TEST(Process, FailuresStartNothing) {
  ScopedTempDir temp;
  // A child started in spite of its bad directory would run here and leave
  // its marker.
  ScopedCurrentDir current(temp.path());
  const std::string missing_directory = temp / "no_such_directory";
  const struct {
    std::string line;
    const char* directory;
    DWORD error;
  } cases[] = {
      {"child_no_such_program_zeb", nullptr, ERROR_FILE_NOT_FOUND},
      {"\"" + test_binary_dir() + "no_such_program_zeb.exe\" x", nullptr, ERROR_FILE_NOT_FOUND},
      {child_command("child_touch") + " marker.txt", missing_directory.c_str(), ERROR_DIRECTORY},
  };
  for (const auto& c : cases) {
    const ChildRun run = run_child(c.line, c.directory);
    EXPECT_FALSE(run.started) << c.line;
    EXPECT_EQ(run.error, c.error) << c.line;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(GetFileAttributesA((temp / "marker.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A bare name is looked for beside the running program, in the current
// directory, then along PATH in order, with ".exe" added when missing.
TEST(Process, ProgramSearch) {
  ScopedTempDir here, on_path;
  copy_child("child_echo_args", here.host("probe.exe"));
  copy_child("child_echo_args", on_path.host("far.exe"));
  ScopedCurrentDir current(here.path());
  ScopedEnvVar path("PATH", (here / "missing") + ";" + on_path.path());
  const struct {
    const char* line;
    std::string result;
  } cases[] = {
      {"child_echo_args x", echoed({"child_echo_args", "x"})},
      {"probe x", echoed({"probe", "x"})},
      {"PROBE.exe x", echoed({"PROBE.exe", "x"})},
      {".\\probe y", echoed({".\\probe", "y"})},
      {"far z", echoed({"far", "z"})},
      {"far.exe z", echoed({"far.exe", "z"})},
      {"nowhere z", "error 2"},
  };
  for (const auto& c : cases) {
    const ChildRun run = run_child(c.line);
    EXPECT_EQ(run.started ? run.out : "error " + std::to_string(run.error), c.result) << c.line;
  }
}

}  // namespace
}  // namespace zeb::test
