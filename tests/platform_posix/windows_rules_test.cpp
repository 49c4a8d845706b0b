// Windows behaviour the POSIX layer builds where the host alone would differ:
// read-only files even for root, symbolic links as Windows shows them, fixed
// blocks that never move, exit codes of signalled children.
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
// not show, so that nothing follows it unawares.
TEST(WindowsRules, LinksAsWindowsShowsThem) {
  ScopedTempDir dir, outside;
  write_host_file(outside.host("target.txt"), "x");
  fs::create_directory(outside.host("folder"));
  ASSERT_TRUE(SetFileAttributesA((outside / "target.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  fs::create_symlink(outside.host("target.txt"), dir.host("to_file"));
  fs::create_directory_symlink(outside.host("folder"), dir.host("to_folder"));
  fs::create_symlink(outside.host("gone"), dir.host("dangling"));
  // What Windows has no kind for is a device, never a file to read.
  ASSERT_EQ(mkfifo(dir.host("fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir.host("to_zero"));
  const DWORD link = FILE_ATTRIBUTE_REPARSE_POINT;
  for (const auto& [name, attributes] :
       {std::pair<const char*, DWORD>{"to_file", link | FILE_ATTRIBUTE_ARCHIVE},
        {"TO_FOLDER", link | FILE_ATTRIBUTE_DIRECTORY},
        {"dangling", link | FILE_ATTRIBUTE_ARCHIVE},
        {"fifo", FILE_ATTRIBUTE_DEVICE}, {"to_zero", link | FILE_ATTRIBUTE_DEVICE}}) {
    EXPECT_EQ(GetFileAttributesA((dir / name).c_str()), attributes) << name;
  }
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

}  // namespace
}  // namespace zeb::test
