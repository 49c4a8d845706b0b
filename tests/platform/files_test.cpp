// Files: look-ups in any case reporting the stored names, what read-only,
// open and missing files refuse, moves, temporary file names.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "conformance_support.h"
#include "platform/portable/path_text.h"

namespace zeb::test {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

enum Step { Find, Open, Create, Delete, Move, Replace };

// "ok" or the error; for Find, the name FindFirstFileA reports, followed by a
// backslash for a directory or by the size for a file.
std::string take_step(Step step, const std::string& name, const std::string& to) {
  WIN32_FIND_DATAA found{};
  HANDLE h = INVALID_HANDLE_VALUE;
  if (step == Find && (h = FindFirstFileA(name.c_str(), &found)) != INVALID_HANDLE_VALUE) {
    const bool folder = FindClose(h) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    return found.cFileName + (folder ? "\\" : " " + std::to_string(found.nFileSizeLow));
  }
  if (step == Open || step == Create)
    h = CreateFileA(name.c_str(), step == Open ? GENERIC_READ : GENERIC_WRITE, kShareAll, nullptr,
                    step == Open ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr);
  const BOOL done = step == Delete         ? DeleteFileA(name.c_str())
                    : step == Move         ? MoveFileExA(name.c_str(), to.c_str(), 0)
                    : step == Replace
                        ? MoveFileExA(name.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)
                        : step != Find && h != INVALID_HANDLE_VALUE && CloseHandle(h);
  return done ? "ok" : "error " + std::to_string(GetLastError());
}

// One directory, changed step by step: names match in any case and are
// reported as stored; read-only and open files refuse what would change them.
TEST(Files, LookUpsAndWhatReadOnlyAndOpenFilesRefuse) {
  ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Projects/demo"));
  std::filesystem::create_directory(dir.host("empty"));
  for (const char* name : {"Projects/demo/Test.ZebC", "ro.txt", "spare.txt", "held.txt", "open.txt",
                           "no-delete.txt", "new.txt", "older.txt"}) {
    write_host_file(dir.host(name), name);  // each file holds its own name
  }
  ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(GetFileAttributesA((dir / "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  const auto hold = [&](const char* name, DWORD share) {
    return CreateFileA((dir / name).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  };
  const HANDLE holders[] = {hold("held.txt", 0), hold("open.txt", kShareAll),
                            hold("no-delete.txt", kShareAll & ~FILE_SHARE_DELETE)};
  const bool wine = running_under_wine();
  const auto error = [](DWORD code) { return "error " + std::to_string(code); };
  const std::string denied = error(ERROR_ACCESS_DENIED), in_use = error(ERROR_SHARING_VIOLATION);
  // The step, the name it takes (and where a move takes it), what it reports.
  const std::tuple<Step, const char*, const char*, std::string> steps[] = {
      {Find, "projects/DEMO/TEST.ZEBC", "", "Test.ZebC 23"},
      {Find, "projects\\demo\\t*.ZEBC", "", "Test.ZebC 23"},
      {Find, "projects\\demo\\x*", "", error(ERROR_FILE_NOT_FOUND)},
      {Find, "none\\x.c", "", error(ERROR_PATH_NOT_FOUND)},
      // Windows also refuses to open a read-only file for writing, but Wine
      // run by root lets the host's permissions decide, and Wine replaces the
      // file; the POSIX suite holds the layer to the Windows rules.
      {Replace, "spare.txt", "ro.txt", wine ? "ok" : denied},
      {Open, "held.txt", "", in_use},
      {Create, "HELD.TXT", "", in_use},
      {Find, "held.txt", "", "held.txt 8"},  // refused before it could empty the file
      {Delete, "held.txt", "", in_use},
      {Replace, "new.txt", "open.txt", denied},  // whatever it shares
      {Replace, "no-delete.txt", "older.txt", in_use},
      {Move, "new.txt", "older.txt", error(ERROR_ALREADY_EXISTS)},
      {Replace, "new.txt", "Projects", denied},
      {Replace, "Projects\\demo", "empty", denied},  // which rename(2) would allow
      {Replace, "missing.txt", "older.txt", error(ERROR_FILE_NOT_FOUND)},
      {Replace, "new.txt", "none\\older.txt", error(ERROR_PATH_NOT_FOUND)},
      {Move, "open.txt", "moved.txt", "ok"},
      // A name moved onto one in other letters, even its own, takes the
      // letters of the move; Wine keeps the stored ones.
      {Replace, "new.txt", "OLDER.TXT", "ok"},
      {Move, "moved.txt", "Moved.TXT", "ok"},
      {Find, "older.txt", "", wine ? "older.txt 7" : "OLDER.TXT 7"},
      {Find, "moved.txt", "", wine ? "moved.txt 8" : "Moved.TXT 8"},
  };
  for (const auto& [step, name, to, result] : steps)
    EXPECT_EQ(take_step(step, dir / name, dir / to), result) << name << " " << to;
  EXPECT_EQ(platform::open_stream((dir / "held.txt").c_str(), "rb"), nullptr);
  for (HANDLE holder : holders) CloseHandle(holder);
}

// Calls within one tick of the clock start from the same number, so each must
// step past the files the earlier ones made.
TEST(Files, TemporaryNamesStepPastTakenOnes) {
  ScopedTempDir dir;
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    char name[MAX_PATH] = {};
    EXPECT_NE(GetTempFileNameA(dir.path().c_str(), "zebra", 0, name), 0u);
    EXPECT_EQ(std::string(name).rfind(dir / "zeb", 0), 0u) << name;  // three letters of the prefix
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 50u);
  // A search reports each of them once, then that there is no more.
  write_host_file(dir.host("other.txt"), "");
  std::set<std::string> found;
  WIN32_FIND_DATAA data{};
  const HANDLE search = FindFirstFileA((dir / "ZEB*.tmp").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do found.insert(dir / data.cFileName);
  while (FindNextFileA(search, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(search));
  EXPECT_EQ(found, names);
}

// Windows lets a running program's file be renamed, but neither replaced nor
// deleted while it runs.
TEST(Files, RunningProgramsFileIsRenamedNeverReplacedOrDeleted) {
  ScopedTempDir dir;
  const std::filesystem::path sleeper = test_program("child_sleep");
  const std::string name = "sleeper" + sleeper.extension().string();
  std::filesystem::copy_file(sleeper, dir.host(name));
  const std::string program = dir / name, aside = dir / "aside.tmp", spare = dir / "spare.txt";
  write_host_file(dir.host("aside.tmp"), "");
  write_host_file(dir.host("spare.txt"), "");
  const PROCESS_INFORMATION child = start("\"" + program + "\" 2000");
  ASSERT_NE(child.dwProcessId, 0u);
  const std::string denied = "error " + std::to_string(ERROR_ACCESS_DENIED);
  EXPECT_EQ(take_step(Delete, program, ""), denied);
  EXPECT_EQ(take_step(Replace, spare, program), denied);
  EXPECT_EQ(take_step(Replace, program, aside), "ok");
  EXPECT_EQ(take_step(Delete, aside, ""), denied);
  EXPECT_EQ(take_step(Move, spare, program), "ok");
  EXPECT_EQ(finish(child), 0u);
  EXPECT_EQ(take_step(Delete, aside, ""), "ok");
}

// A file's identity follows the file, not its name: the same through any
// spelling of its name, another once a new file is put in its place.
TEST(Files, IdentityFollowsTheFileNotItsName) {
  ScopedTempDir dir;
  write_host_file(dir.host("tool.bin"), "abc");
  write_host_file(dir.host("new.bin"), "abcdef");
  const auto identity = [](const std::string& name) {
    const HANDLE h = CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    using Identity = std::tuple<DWORD, DWORD, DWORD, DWORD>;
    return known ? Identity(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, info.nFileSizeLow)
                 : Identity();
  };
  const auto first = identity(dir / "tool.bin");
  EXPECT_EQ(std::get<3>(first), DWORD{3});
  EXPECT_EQ(identity(dir / "TOOL.BIN"), first);
  EXPECT_EQ(take_step(Replace, dir / "new.bin", dir / "tool.bin"), "ok");
  const auto second = identity(dir / "tool.bin");
  EXPECT_EQ(std::get<3>(second), DWORD{6});
  EXPECT_NE(std::tie(std::get<1>(second), std::get<2>(second)), std::tie(std::get<1>(first), std::get<2>(first)));
}

// The file a bare program name starts is the one CreateProcessA's search
// finds: the executable's own directory before PATH.
TEST(Files, ProgramFileIsWhatTheProcessSearchFinds) {
  ScopedTempDir bin;
  const std::filesystem::path exit_program = test_program("child_exit");
  const std::string extension = exit_program.extension().string();
  std::filesystem::copy_file(exit_program, bin.host("zeb_probe" + extension));
  ScopedEnvVar path("PATH", bin.path());
  const auto found = [](const std::string& name) { return platform::program_file(name).value_or("-"); };
  EXPECT_TRUE(platform::equal_nocase(found("zeb_probe"), bin / ("zeb_probe" + extension)));
  EXPECT_TRUE(platform::equal_nocase(found("child_exit"), test_binary_dir() + "child_exit" + extension));
  EXPECT_EQ(found("zeb_no_such_program"), "-");
}

}  // namespace
}  // namespace zeb::test
