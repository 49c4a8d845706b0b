// Helpers for the conformance suite: running the child programs of
// tests/children through the Win32 calls under test, and telling Wine apart.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {

// Wine's loader gives every process it starts WINECONFIGDIR; neither Windows
// nor the POSIX layer sets it. The suite states Windows' behaviour and asks
// this only where Wine is known to differ.
inline bool running_under_wine() {
  return GetEnvironmentVariableA("WINECONFIGDIR", nullptr, 0) != 0;
}

// The child program `name` as the quoted first token of a command line,
// without ".exe", which Windows adds.
inline std::string child_command(const std::string& name) {
  return "\"" + test_binary_dir() + name + "\"";
}

// What child_echo_args prints for these arguments.
inline std::string echoed(const std::vector<std::string>& arguments) {
  std::string report;
  for (const std::string& a : arguments) report += std::to_string(a.size()) + ":" + a + "|";
  return report;
}

inline std::string read_to_end(HANDLE read_end) {
  std::string data;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) data.append(chunk, got);
  return data;
}

struct ChildRun {
  bool started = false;
  DWORD error = ERROR_SUCCESS;  // CreateProcessA's last error when not started
  DWORD exit_code = STILL_ACTIVE;
  std::string out, err;
};

// Runs `command_line` with standard output and standard error on pipes of
// their own and no standard input. The children write little, so reading one
// pipe to its end before the other cannot block them.
inline ChildRun run_child(const std::string& command_line, const char* directory = nullptr) {
  ChildRun run;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
  EXPECT_TRUE(CreatePipe(&out_read, &out_write, &inherit, 0));
  EXPECT_TRUE(CreatePipe(&err_read, &err_write, &inherit, 0));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION process{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  run.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory,
                               &startup, &process) != FALSE;
  if (!run.started) run.error = GetLastError();
  CloseHandle(out_write);
  CloseHandle(err_write);
  if (run.started) {
    run.out = read_to_end(out_read);
    run.err = read_to_end(err_read);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &run.exit_code));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out_read);
  CloseHandle(err_read);
  return run;
}

// Copies the child program `name` to `destination` (host path), runnable.
inline void copy_child(const std::string& name, const std::filesystem::path& destination) {
  const std::string source = test_binary_dir() + name;
  std::FILE* in = platform::open_stream((source + ".exe").c_str(), "rb");
  if (in == nullptr) in = platform::open_stream(source.c_str(), "rb");
  ASSERT_NE(in, nullptr) << source;
  std::string bytes;
  char chunk[65536];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
    bytes.append(chunk, got);
  std::fclose(in);
  write_host_file(destination, bytes);
  std::filesystem::permissions(destination, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
}

}  // namespace zeb::test
