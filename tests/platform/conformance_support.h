// Helpers for the conformance suite: running the child programs of
// tests/children through the Win32 calls under test, and telling Wine apart.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {

// Wine's loader gives every process it starts WINECONFIGDIR; neither Windows
// nor the POSIX layer sets it. The suite states Windows' behaviour and asks
// this only where Wine is known to differ.
inline bool running_under_wine() { return GetEnvironmentVariableA("WINECONFIGDIR", nullptr, 0); }

// The child program `name` as the quoted first token of a command line,
// without ".exe", which Windows adds.
inline std::string child_command(const std::string& name) {
  return "\"" + test_binary_dir() + name + "\"";
}

// Starts `line` with these standard handles (by default this process's own);
// on failure the process id is 0 and the last error tells why.
inline PROCESS_INFORMATION start(std::string line, STARTUPINFOA startup = {},
                                 const char* directory = nullptr) {
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory, &startup,
                 &process);
  return process;
}

// Waits for a started child and closes its handles; its exit code.
inline DWORD finish(const PROCESS_INFORMATION& process) {
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Reads a pipe until every writer has closed it, and closes it.
inline std::string read_to_end(HANDLE read_end) {
  std::string data;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) data.append(chunk, got);
  // Its end is a broken pipe, every time, never a read of nothing.
  EXPECT_FALSE(ReadFile(read_end, chunk, 1, &got, nullptr) || got != 0);
  EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
  CloseHandle(read_end);
  return data;
}

// Runs `line` with standard output and standard error on pipes of their own:
// "<out>/<err> <exit code>", or "error <code>" when nothing started. The
// children write little, so reading one pipe to its end first cannot block.
inline std::string run_child(const std::string& line, const char* directory = nullptr) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = nullptr, err = nullptr;
  STARTUPINFOA startup{};
  startup.dwFlags = STARTF_USESTDHANDLES;
  EXPECT_TRUE(CreatePipe(&out, &startup.hStdOutput, &inherit, 0) &&
              CreatePipe(&err, &startup.hStdError, &inherit, 0));
  const PROCESS_INFORMATION process = start(line, startup, directory);
  const std::string error = "error " + std::to_string(GetLastError());
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  const std::string result = read_to_end(out) + "/" + read_to_end(err);
  return process.dwProcessId == 0 ? error : result + " " + std::to_string(finish(process));
}

}  // namespace zeb::test
