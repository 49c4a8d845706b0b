// Windows behaviour the POSIX layer builds where the host alone would differ:
// read-only files even for root, links as Windows shows them, fixed blocks
// that never move, exit codes of signalled children, program search place by
// place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "../platform/conformance_support.h"

namespace zeb::test {
namespace {

namespace fs = std::filesystem;

TEST(WindowsRules, ReadOnlyFilesCannotBeChangedEvenByRoot) {
  ScopedTempDir dir;
  const std::string path = dir / "ro.txt";
  write_host_file(dir.host("ro.txt"), "keep");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  struct stat info {};
  EXPECT_TRUE(stat(dir.host("ro.txt").c_str(), &info) == 0 && (info.st_mode & 0222) == 0);
  const std::pair<DWORD, DWORD> refused[] = {
      {GENERIC_WRITE, OPEN_EXISTING}, {GENERIC_WRITE, TRUNCATE_EXISTING},
      {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS}, {GENERIC_READ, CREATE_ALWAYS}};
  for (const auto& [access, creation] : refused) {
    EXPECT_EQ(CreateFileA(path.c_str(), access, 0, nullptr, creation, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << access << " " << creation;
  }
  for (const char* mode : {"wb", "ab", "r+b", "w+"})
    EXPECT_EQ(platform::open_stream(path.c_str(), mode), nullptr) << mode;
  EXPECT_NE(platform::remove_file(path.c_str()), 0);
  EXPECT_EQ(read_host_file(dir.host("ro.txt")), "keep");
}

// A symbolic link is a reparse point of its own: its target's attributes do
// not show. One name of a hard-linked file replaces another, which rename(2)
// would leave alone.
TEST(WindowsRules, LinksAsWindowsShowsThem) {
  ScopedTempDir dir, outside;
  write_host_file(outside.host("target.txt"), "x");
  write_host_file(dir.host("first.txt"), "one file");
  fs::create_directory(outside.host("folder"));
  ASSERT_TRUE(SetFileAttributesA((outside / "target.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  fs::create_symlink(outside.host("target.txt"), dir.host("to_file"));
  fs::create_directory_symlink(outside.host("folder"), dir.host("to_folder"));
  fs::create_symlink(outside.host("gone"), dir.host("dangling"));
  const DWORD link = FILE_ATTRIBUTE_REPARSE_POINT;
  for (const auto& [name, attributes] :
       {std::pair<const char*, DWORD>{"to_file", link | FILE_ATTRIBUTE_ARCHIVE},
        {"TO_FOLDER", link | FILE_ATTRIBUTE_DIRECTORY},
        {"dangling", link | FILE_ATTRIBUTE_ARCHIVE}}) {
    EXPECT_EQ(GetFileAttributesA((dir / name).c_str()), attributes) << name;
  }
  fs::create_hard_link(dir.host("first.txt"), dir.host("second.txt"));
  ASSERT_TRUE(MoveFileExA((dir / "first.txt").c_str(), (dir / "second.txt").c_str(),
                          MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(fs::exists(dir.host("first.txt")));
  EXPECT_EQ(read_host_file(dir.host("second.txt")), "one file");
}

TEST(WindowsRules, FixedBlocksNeverMove) {
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 16));
  ASSERT_NE(block, nullptr);
  block[7] = 'z';
  EXPECT_EQ(GlobalReAlloc(block, 8, 0), block);
  EXPECT_EQ(GlobalReAlloc(block, 4096, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(block[7], 'z');
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(WindowsRules, ASignalledChildEndsWith128PlusTheSignal) {
  for (int signal_number : {SIGKILL, SIGTERM, SIGSEGV}) {
    const PROCESS_INFORMATION child = start(child_command("child_sleep") + " 20000");
    ASSERT_EQ(kill(static_cast<pid_t>(child.dwProcessId), signal_number), 0);
    EXPECT_EQ(finish(child), static_cast<DWORD>(128 + signal_number)) << signal_number;
  }
}

// A toolchain put first in PATH is found even when its program has no ".exe"
// and a later PATH entry holds one with it.
TEST(WindowsRules, AnEarlierPlaceWinsOverAnExeFurtherAlong) {
  ScopedTempDir first, second;
  write_host_file(first.host("tool"), "#!/bin/sh\nexit 7\n");
  write_host_file(second.host("tool.exe"), "#!/bin/sh\nexit 9\n");
  for (const auto& program : {first.host("tool"), second.host("tool.exe")})
    fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
  ScopedEnvVar path("PATH", first.path() + ";" + second.path());
  EXPECT_EQ(run_child("tool"), "/ 7");
}

}  // namespace
}  // namespace zeb::test
