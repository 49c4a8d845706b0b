// A name that does not exist as typed may be looked for in a listing of its
// directory read earlier: every change of the directory, made by this process
// or behind its back, must show in the very next look-up.
#include "platform/posix/path_mapping.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "support/scoped.h"

namespace zeb::platform::posix {
namespace {

using test::ScopedTempDir;

// A listing is kept only once the directory's times lie safely in the past;
// waiting lets the next reading be kept, so that the look-up after a change
// is one that a stale listing would answer.
void let_directory_settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

// The final name a Windows path maps to, or "error".
std::string mapped_name(const std::string& windows_path) {
  std::string host;
  if (host_path_for(windows_path, host) != ERROR_SUCCESS) return "error";
  return host.substr(host.find_last_of('/') + 1);
}

TEST(KeptListings, NamesChangedBehindTheLayerShowAtOnce) {
  ScopedTempDir dir;
  const std::string typed = dir / "data.txt";
  for (const char* stored : {"DATA.TXT", "Data.txt", "data.TXT"}) {
    let_directory_settle();
    ASSERT_EQ(mapped_name(typed), "data.txt");
    // Another process makes the name in other letters, within the same tick.
    test::write_host_file(dir.host(stored), "x");
    EXPECT_EQ(mapped_name(typed), stored);
    EXPECT_NE(GetFileAttributesA(typed.c_str()), INVALID_FILE_ATTRIBUTES) << stored;

    let_directory_settle();
    ASSERT_EQ(mapped_name(typed), stored);
    std::filesystem::remove(dir.host(stored));
    EXPECT_EQ(mapped_name(typed), "data.txt");
    EXPECT_EQ(GetFileAttributesA(typed.c_str()), INVALID_FILE_ATTRIBUTES) << stored;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
}

TEST(KeptListings, TheLayersOwnChangesShowAtOnce) {
  ScopedTempDir dir;
  const auto at = [&](const char* name) { return dir / name; };
  const struct {
    const char* typed;    // looked up before and after the change
    const char* after;    // the name it maps to after it
    std::function<bool()> change;
  } cases[] = {
      {"new.txt", "NEW.TXT",
       [&] {
         HANDLE file = CreateFileA(at("NEW.TXT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                   nullptr);
         return file != INVALID_HANDLE_VALUE && CloseHandle(file);
       }},
      {"moved.txt", "Moved.Txt",
       [&] { return MoveFileExA(at("NEW.TXT").c_str(), at("Moved.Txt").c_str(), 0) != FALSE; }},
      {"new.txt", "new.txt", [] { return true; }},
      {"moved.txt", "moved.txt", [&] { return DeleteFileA(at("MOVED.TXT").c_str()) != FALSE; }},
      {"sub", "SUB", [&] { return CreateDirectoryA(at("SUB").c_str(), nullptr) != FALSE; }},
      {"sub", "sub", [&] { return RemoveDirectoryA(at("Sub").c_str()) != FALSE; }},
      {"stream.txt", "Stream.Txt",
       [&] {
         std::FILE* stream = open_stream(at("Stream.Txt").c_str(), "w");
         return stream != nullptr && std::fclose(stream) == 0;
       }},
      {"stream.txt", "stream.txt", [&] { return remove_file(at("STREAM.TXT").c_str()) == 0; }},
  };
  for (const auto& c : cases) {
    let_directory_settle();
    mapped_name(at(c.typed));
    ASSERT_TRUE(c.change()) << c.after;
    EXPECT_EQ(mapped_name(at(c.typed)), c.after);
  }
}

}  // namespace
}  // namespace zeb::platform::posix
