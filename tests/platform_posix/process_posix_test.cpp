// What only the POSIX layer's processes promise: signals as exit codes and
// no zombies left behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {
namespace {

PROCESS_INFORMATION start_sleeper(int milliseconds) {
  std::string line = "\"" + test_binary_dir() + "child_sleep\" " + std::to_string(milliseconds);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info))
      << GetLastError();
  return info;
}

// True once no process, not even a zombie, has this id.
bool gone(DWORD pid) { return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

TEST(PosixProcess, ASignalledChildEndsWith128PlusTheSignal) {
  for (int signal_number : {SIGKILL, SIGTERM, SIGSEGV}) {
    const PROCESS_INFORMATION child = start_sleeper(20000);
    ASSERT_EQ(kill(static_cast<pid_t>(child.dwProcessId), signal_number), 0);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(child.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(128 + signal_number)) << "signal " << signal_number;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
}

TEST(PosixProcess, NoZombieIsLeft) {
  const PROCESS_INFORMATION waited = start_sleeper(0);
  EXPECT_EQ(WaitForSingleObject(waited.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(gone(waited.dwProcessId));
  CloseHandle(waited.hThread);
  CloseHandle(waited.hProcess);

  // Nobody waits for a child whose handles were closed: it is reaped anyway.
  const PROCESS_INFORMATION dropped = start_sleeper(200);
  CloseHandle(dropped.hThread);
  CloseHandle(dropped.hProcess);
  EXPECT_FALSE(gone(dropped.dwProcessId));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!gone(dropped.dwProcessId) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone(dropped.dwProcessId));
}

}  // namespace
}  // namespace zeb::test

namespace zeb::test {
namespace {

// A toolchain put first in PATH is found even when its program has no ".exe"
// and a later PATH entry holds one with it.
TEST(PosixProgramSearch, EarlierPlaceWinsOverExeFurtherAlong) {
  ScopedTempDir first;
  ScopedTempDir second;
  write_host_file(first.host("tool"), "#!/bin/sh\nexit 7\n");
  write_host_file(second.host("tool.exe"), "#!/bin/sh\nexit 9\n");
  std::filesystem::permissions(first.host("tool"), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  std::filesystem::permissions(second.host("tool.exe"), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  ScopedEnvVar path("PATH", first.path() + ";" + second.path() + ";C:\\bin;C:\\usr\\bin");

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  char command[] = "tool";
  ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
  DWORD status = 0;
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &status));
  EXPECT_EQ(status, 7u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace zeb::test
