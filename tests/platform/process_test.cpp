// CreateProcessA, WaitForSingleObject and GetExitCodeProcess with real child
// programs: argument passing, exit codes, waits, standard handles, handle
// inheritance and the failures that start nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "child_process_support.h"
#include "platform/portable/command_line.h"
#include "platform/win32.h"
#include "support/scoped.h"
#include "wine_quirks.h"

namespace zeb::test {
namespace {

using Args = std::vector<std::string>;

struct Started {
  BOOL ok = FALSE;
  DWORD error = ERROR_SUCCESS;
  PROCESS_INFORMATION info{};
};

// Starts a child that shares our standard handles.
Started start(const std::string& command_line, BOOL inherit_handles = FALSE,
              const char* directory = nullptr) {
  Started started;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  started.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, inherit_handles, 0, nullptr,
                              directory, &startup, &started.info);
  if (!started.ok) started.error = GetLastError();
  return started;
}

void finish(Started& started) {
  if (!started.ok) return;
  EXPECT_EQ(WaitForSingleObject(started.info.hProcess, 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(started.info.hThread));
  EXPECT_TRUE(CloseHandle(started.info.hProcess));
}

TEST(ProcessArguments, ChildSeesTheLineSplitByWindowsRules) {
  const struct {
    const char* tail;
    Args expected;
    Args on_wine;  // when Wine's runtime differs from msvcrt.dll's
  } cases[] = {
      {"", {}, {}},
      {"a b  c", {"a", "b", "c"}, {}},
      {"\"two words\" x", {"two words", "x"}, {}},
      {"a\"b c\"d", {"ab cd"}, {}},
      {"\"\"", {""}, {}},
      {"C:\\dir\\file.c \"C:\\Program Files\\\\\"", {"C:\\dir\\file.c", "C:\\Program Files\\"}, {}},
      {"a\\\\\"b c\"", {"a\\b c"}, {}},
      {"a\\\"b", {"a\"b"}, {}},
      {"a\\\\\\\"b", {"a\\\"b"}, {}},
      {"a\\\\b", {"a\\\\b"}, {}},
      // msvcrt.dll: a doubled quote inside quotes is a literal quote that
      // also ends the quoted part. Wine's runtime follows the later Microsoft
      // runtimes, which stay inside the quotes.
      {"\"a\"\"b c\"", {"a\"b", "c"}, {"a\"b c"}},
      {"\"a\"\" b\"", {"a\"", "b"}, {"a\" b"}},
  };
  const bool wine = running_under_wine();
  for (const auto& c : cases) {
    const std::string program = child_program("child_echo_args");
    const std::string line = "\"" + program + "\"" + (*c.tail ? " " : "") + c.tail;
    const ChildRun run = run_child(line);
    ASSERT_TRUE(run.started) << line << " error " << run.error;
    Args expected = {program};
    const Args& tail = wine && !c.on_wine.empty() ? c.on_wine : c.expected;
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(parse_echoed_arguments(run.output), expected) << line;
  }
}

TEST(ProcessArguments, QuotedArgumentsArriveUnchanged) {
  const Args arguments = {"",       "plain",      "two words", "tab\there",     "quote\"in",
                          "\"",     "trailing\\", "two\\\\",   "\\\"mix\\\\\"", "C:\\x y\\z\\",
                          "%PATH%", "*?<>|&^"};
  std::string line = child_command("child_echo_args");
  for (const std::string& argument : arguments) line += " " + platform::quote_argument(argument);
  const ChildRun run = run_child(line);
  ASSERT_TRUE(run.started) << run.error;
  const Args got = parse_echoed_arguments(run.output);
  ASSERT_EQ(got.size(), arguments.size() + 1) << run.output;
  EXPECT_EQ(Args(got.begin() + 1, got.end()), arguments);
}

TEST(ProcessExit, ExitStatusIsTheChildsReturnValue) {
  for (const char* status : {"0", "3", "42", "255"}) {
    const ChildRun run = run_child(child_command("child_sleep") + " 0 " + status);
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_EQ(run.exit_code, static_cast<DWORD>(std::stoul(status)));
  }
}

TEST(ProcessWait, TimesOutWhileRunningThenSeesTheEnd) {
  Started child = start(child_command("child_sleep") + " 1500 7");
  ASSERT_TRUE(child.ok) << child.error;

  const LARGE_INTEGER before = now();
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 100), WAIT_TIMEOUT);
  EXPECT_GE(elapsed_ms(before, now()), 90.0);
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);

  // A long time-out returns as soon as the child ends, not when it expires.
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 20000), WAIT_OBJECT_0);
  EXPECT_LT(elapsed_ms(before, now()), 10000.0);
  EXPECT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  // The end stays observable.
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, INFINITE), WAIT_OBJECT_0);
  finish(child);
}

TEST(ProcessWait, InfiniteWaitReturnsAtTheEnd) {
  Started child = start(child_command("child_sleep") + " 200 5");
  ASSERT_TRUE(child.ok) << child.error;
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
  EXPECT_EQ(code, 5u);
  finish(child);
}

TEST(ProcessHandles, ThreadAndProcessHandlesCloseOnce) {
  Started child = start(child_command("child_sleep") + " 0");
  ASSERT_TRUE(child.ok) << child.error;
  EXPECT_NE(child.info.hThread, nullptr);
  EXPECT_NE(child.info.dwProcessId, 0u);
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(child.info.hThread));
  EXPECT_TRUE(CloseHandle(child.info.hProcess));
  EXPECT_FALSE(CloseHandle(child.info.hProcess));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_FAILED);
}

TEST(ProcessHandles, ClosingARunningChildsHandlesLeavesItRunning) {
  ScopedTempDir temp;
  Started child =
      start(child_command("child_sleep") + " 300 0 awake.txt", FALSE, temp.path().c_str());
  ASSERT_TRUE(child.ok) << child.error;
  EXPECT_TRUE(CloseHandle(child.info.hThread));
  EXPECT_TRUE(CloseHandle(child.info.hProcess));
  const LARGE_INTEGER before = now();
  while (read_host_file(temp.host("awake.txt")) != "awake" && elapsed_ms(before, now()) < 20000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(read_host_file(temp.host("awake.txt")), "awake");
}

TEST(ProcessStdHandles, OutputAndErrorsComeThroughThePipe) {
  const ChildRun run = run_child(child_command("child_write_streams") + " to-out to-err");
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.output, "to-outto-err");
  EXPECT_EQ(run.exit_code, 0u);
}

TEST(ProcessStdHandles, EachStreamCanHaveItsOwnPipe) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
  ASSERT_TRUE(CreatePipe(&out_read, &out_write, &inherit, 0));
  ASSERT_TRUE(CreatePipe(&err_read, &err_write, &inherit, 0));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION info{};
  std::string line = child_command("child_write_streams") + " \"standard output\" errors";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &info))
      << GetLastError();
  CloseHandle(out_write);
  CloseHandle(err_write);
  EXPECT_EQ(read_to_end(out_read), "standard output");
  EXPECT_EQ(read_to_end(err_read), "errors");
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  CloseHandle(out_read);
  CloseHandle(err_read);
}

TEST(ProcessStdHandles, OutputCanGoToAFile) {
  ScopedTempDir temp;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE file = CreateFileA((temp / "captured.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                            &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION info{};
  std::string line = child_command("child_write_streams") + " first second";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &info))
      << GetLastError();
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  CloseHandle(file);
  EXPECT_EQ(read_host_file(temp.host("captured.txt")), "firstsecond");
}

TEST(ProcessStdHandles, AMissingInputHandleReadsAsEmpty) {
  // run_child gives the child no standard input handle at all.
  const ChildRun run = run_child(child_command("child_stdin_reader"));
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.output, "stdin 0|");
}

// A pipe's reader sees its end only when every write end is closed, the
// child's inherited copy included: how long the read blocks tells whether the
// child holds one. The child sleeps for a second and a half.
struct InheritCase {
  BOOL handle_inheritable;
  BOOL inherit_handles;
  bool child_holds_pipe;
};

TEST(ProcessInheritance, OnlyInheritableHandlesReachAnInheritingChild) {
  const InheritCase cases[] = {
      {TRUE, TRUE, true},
      {TRUE, FALSE, false},
      {FALSE, TRUE, false},
  };
  for (const InheritCase& c : cases) {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, c.handle_inheritable};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, &attributes, 0));
    Started child = start(child_command("child_sleep") + " 1500", c.inherit_handles);
    ASSERT_TRUE(child.ok) << child.error;
    CloseHandle(write_end);

    const LARGE_INTEGER before = now();
    char byte = 0;
    DWORD got = 0;
    EXPECT_FALSE(ReadFile(read_end, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    const double waited = elapsed_ms(before, now());
    if (c.child_holds_pipe) {
      EXPECT_GE(waited, 1000.0) << "inheritable " << c.handle_inheritable;
    } else {
      EXPECT_LT(waited, 1000.0) << "inheritable " << c.handle_inheritable << " inherit "
                                << c.inherit_handles;
      EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_TIMEOUT);
    }
    finish(child);
    CloseHandle(read_end);
  }
}

TEST(ProcessDirectory, ChildRunsInTheGivenDirectory) {
  ScopedTempDir temp;
  const ChildRun run =
      run_child(child_command("child_touch") + " made-here.txt", temp.path().c_str());
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(read_host_file(temp.host("made-here.txt")), "touched");
}

TEST(ProcessFailures, NothingStartsAndTheCauseIsReported) {
  ScopedTempDir temp;
  // A child started in spite of its bad directory would run here and leave
  // its marker.
  ScopedCurrentDir current(temp.path());
  const std::string touch = child_command("child_touch") + " marker.txt";
  const std::string missing_directory = temp / "no_such_directory";
  const struct {
    std::string line;
    const char* directory;
    DWORD error;
  } cases[] = {
      {"child_no_such_program_zeb", nullptr, ERROR_FILE_NOT_FOUND},
      {"\"" + test_binary_dir() + "no_such_program_zeb.exe\" x", nullptr, ERROR_FILE_NOT_FOUND},
      {touch, missing_directory.c_str(), ERROR_DIRECTORY},
  };
  for (const auto& c : cases) {
    const ChildRun run = run_child(c.line, c.directory);
    EXPECT_FALSE(run.started) << c.line;
    EXPECT_EQ(run.error, c.error) << c.line;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(GetFileAttributesA((temp / "marker.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ProcessFailures, AFileThatIsNoProgramIsRefused) {
  ScopedTempDir temp;
  write_host_file(temp.host("not_a_program.exe"), "this is text, not a program\n");
  std::filesystem::permissions(temp.host("not_a_program.exe"), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const ChildRun run = run_child("\"" + (temp / "not_a_program.exe") + "\"");
  EXPECT_FALSE(run.started);
  EXPECT_EQ(run.error, ERROR_BAD_EXE_FORMAT);
}

TEST(ProcessFailures, AnOverlongCommandLineIsRefused) {
  const std::string line = child_command("child_echo_args") + " " + std::string(40000, 'x');
  const ChildRun run = run_child(line);
  EXPECT_FALSE(run.started);
  // Wine answers ERROR_INVALID_PARAMETER; Windows names the length.
  EXPECT_EQ(run.error, running_under_wine() ? ERROR_INVALID_PARAMETER : ERROR_FILENAME_EXCED_RANGE);
}

}  // namespace
}  // namespace zeb::test
