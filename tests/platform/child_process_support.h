// Helpers for conformance tests that start the child programs of
// tests/children through the Win32 calls under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {

// The child program `name` ("child_echo_args"), without extension: Windows
// appends ".exe" to a program name that has none.
inline std::string child_program(const std::string& name) { return test_binary_dir() + name; }

// `name` as the first token of a command line.
inline std::string child_command(const std::string& name) {
  return "\"" + child_program(name) + "\"";
}

// Reads a pipe to its end; the writer must be closed by then or soon.
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
  std::string output;  // standard output and standard error, as they came
};

// Starts `command_line` with its standard output and standard error on one
// pipe, reads everything, waits for the end and takes the exit code.
inline ChildRun run_child(const std::string& command_line, const char* directory = nullptr) {
  ChildRun run;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return run;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  run.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory,
                               &startup, &process) != FALSE;
  if (!run.started) run.error = GetLastError();
  CloseHandle(write_end);
  if (run.started) {
    run.output = read_to_end(read_end);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &run.exit_code));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read_end);
  return run;
}

// The arguments child_echo_args printed ("<length>:<bytes>|" each); a
// malformed report fails the test.
inline std::vector<std::string> parse_echoed_arguments(const std::string& output) {
  std::vector<std::string> arguments;
  std::size_t at = 0;
  while (at < output.size()) {
    const std::size_t colon = output.find(':', at);
    if (colon == std::string::npos) break;
    const std::size_t length = std::strtoul(output.substr(at, colon - at).c_str(), nullptr, 10);
    if (colon + 1 + length >= output.size() || output[colon + 1 + length] != '|') break;
    arguments.push_back(output.substr(colon + 1, length));
    at = colon + 2 + length;
  }
  EXPECT_EQ(at, output.size()) << "malformed report: " << output;
  return arguments;
}

// Copies the child program `name` to `destination` (Windows form; its host
// form is `destination_host`) and lets it be run there.
inline void copy_child_program(const std::string& name, const std::string& destination,
                               const std::filesystem::path& destination_host) {
  HANDLE source = CreateFileA((child_program(name) + ".exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE) {
    source = CreateFileA(child_program(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ASSERT_NE(source, INVALID_HANDLE_VALUE) << name << " error " << GetLastError();
  HANDLE target = CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(target, INVALID_HANDLE_VALUE) << destination << " error " << GetLastError();
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(source, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(target, chunk, got, &put, nullptr));
    ASSERT_EQ(put, got);
  }
  CloseHandle(source);
  CloseHandle(target);
  std::filesystem::permissions(destination_host,
                               std::filesystem::perms::owner_exec |
                                   std::filesystem::perms::group_exec |
                                   std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
}

// Milliseconds between two performance-counter readings.
inline double elapsed_ms(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER now() {
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return count;
}

}  // namespace zeb::test
