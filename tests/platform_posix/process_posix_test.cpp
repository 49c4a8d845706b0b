// What only the POSIX layer's processes promise: signals as exit codes, no
// zombies, exec permissions, and POSIX programs without ".exe" being found.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::test {
namespace {

namespace fs = std::filesystem;

// The host path of a child program built beside the tests.
fs::path child_host_path(const std::string& name) {
  return fs::read_symlink("/proc/self/exe").parent_path() / name;
}

struct Child {
  BOOL ok = FALSE;
  DWORD error = ERROR_SUCCESS;
  PROCESS_INFORMATION info{};
};

Child start(const std::string& command_line, HANDLE output = nullptr) {
  Child child;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  child.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &child.info);
  if (!child.ok) child.error = GetLastError();
  return child;
}

void close_handles(Child& child) {
  EXPECT_TRUE(CloseHandle(child.info.hThread));
  EXPECT_TRUE(CloseHandle(child.info.hProcess));
}

// True once no process (not even a zombie) has this id.
bool gone(DWORD pid) { return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

bool gone_within(DWORD pid, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!gone(pid)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string sleeper(int milliseconds) {
  return "\"" + test_binary_dir() + "child_sleep\" " + std::to_string(milliseconds);
}

TEST(PosixProcess, ASignalledChildEndsWith128PlusTheSignal) {
  for (int signal_number : {SIGKILL, SIGTERM, SIGSEGV}) {
    Child child = start(sleeper(20000));
    ASSERT_TRUE(child.ok) << child.error;
    ASSERT_EQ(kill(static_cast<pid_t>(child.info.dwProcessId), signal_number), 0);
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(128 + signal_number)) << "signal " << signal_number;
    close_handles(child);
  }
}

TEST(PosixProcess, AnObservedEndLeavesNoZombie) {
  Child waited = start(sleeper(0));
  ASSERT_TRUE(waited.ok) << waited.error;
  EXPECT_EQ(WaitForSingleObject(waited.info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(gone(waited.info.dwProcessId));
  close_handles(waited);

  // Polling the exit code alone reaps too.
  Child polled = start(sleeper(50));
  ASSERT_TRUE(polled.ok) << polled.error;
  DWORD code = STILL_ACTIVE;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (code == STILL_ACTIVE && std::chrono::steady_clock::now() < deadline) {
    ASSERT_TRUE(GetExitCodeProcess(polled.info.hProcess, &code));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(gone(polled.info.dwProcessId));
  close_handles(polled);
}

TEST(PosixProcess, AChildWhoseHandlesWereClosedIsReapedWhenItEnds) {
  Child child = start(sleeper(200));
  ASSERT_TRUE(child.ok) << child.error;
  const DWORD pid = child.info.dwProcessId;
  close_handles(child);
  EXPECT_FALSE(gone(pid));
  EXPECT_TRUE(gone_within(pid, std::chrono::seconds(10)));
}

TEST(PosixProcess, AFileWithoutExecutePermissionIsRefused) {
  ScopedTempDir temp;
  fs::copy_file(child_host_path("child_sleep"), temp.host("locked.exe"));
  fs::permissions(temp.host("locked.exe"), fs::perms::owner_read | fs::perms::owner_write);
  const Child child = start("\"" + (temp / "locked.exe") + "\" 0");
  EXPECT_FALSE(child.ok);
  EXPECT_EQ(child.error, ERROR_ACCESS_DENIED);
}

// Runs `line` with output into a pipe and returns what the child wrote.
std::string output_of(const std::string& line) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  EXPECT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
  Child child = start(line, write_end);
  CloseHandle(write_end);
  std::string output = child.ok ? "" : "<not started: " + std::to_string(child.error) + ">";
  char chunk[512];
  DWORD got = 0;
  while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0)
    output.append(chunk, got);
  CloseHandle(read_end);
  if (child.ok) {
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 30000), WAIT_OBJECT_0);
    close_handles(child);
  }
  return output;
}

// child_echo_args answers "5:probe|1:x|"; child_write_streams answers "x".
TEST(PosixProgramSearch, ANameWithoutExtensionIsAlsoTriedAsItIs) {
  ScopedTempDir temp;
  fs::copy_file(child_host_path("child_echo_args"), temp.host("plain"));
  ScopedCurrentDir current(temp.path());
  EXPECT_EQ(output_of("plain x"), "5:plain|1:x|");
}

TEST(PosixProgramSearch, DotExeComesFirstInTheSameDirectory) {
  ScopedTempDir temp;
  fs::copy_file(child_host_path("child_echo_args"), temp.host("dual.exe"));
  fs::copy_file(child_host_path("child_write_streams"), temp.host("dual"));
  ScopedCurrentDir current(temp.path());
  EXPECT_EQ(output_of("dual x"), "4:dual|1:x|");
}

TEST(PosixProgramSearch, DotExeAnywhereOnThePathComesBeforeABareName) {
  ScopedTempDir first;
  ScopedTempDir second;
  ScopedTempDir elsewhere;
  fs::copy_file(child_host_path("child_write_streams"), first.host("later"));
  fs::copy_file(child_host_path("child_echo_args"), second.host("later.exe"));
  ScopedCurrentDir current(elsewhere.path());
  ScopedEnvVar path("PATH", first.path() + ";" + second.path());
  EXPECT_EQ(output_of("later x"), "5:later|1:x|");
}

TEST(PosixProgramSearch, HostProgramsAreFoundOnThePath) {
  EXPECT_EQ(output_of("true"), "");
  EXPECT_EQ(output_of("echo hello world"), "hello world\n");
}

}  // namespace
}  // namespace zeb::test
