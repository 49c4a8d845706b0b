#include "cache/process_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::write_host_file;

std::string child(const std::string& name, const std::string& arguments = "") {
  return "\"" + test::test_binary_dir() + "child_" + name + "\" " + arguments;
}

TEST(RunCapturedTest, ChildrenAndTheirCaptures) {
  test::ScopedTempDir dir;
  const std::string capture = dir / "zeb_c.dat";
  const std::string missing_dir = dir / "no_such_directory";
  // The bytes child_flood writes: far more than a pipe holds.
  std::string flood(std::size_t{1} << 20, '\0');
  for (std::size_t i = 0; i < flood.size(); ++i)
    flood[i] = static_cast<char>('A' + (i * 7 + i / 26) % 26);
  const struct {
    const char* label;
    std::string command;
    const char* directory;
    std::int32_t started;
    std::uint32_t status;
    std::optional<std::string> captured;  // nullopt: no capture file afterwards
  } cases[] = {
      {"writes nothing", child("silent"), nullptr, 1, 0, std::nullopt},
      {"interleaved", child("interleave"), nullptr, 1, 0, "out1|err1|out2|err2|out3|err3|"},
      {"exit status", child("exit", "3"), nullptr, 1, 3, "exit 3|"},
      {"flood", child("flood", std::to_string(flood.size())), nullptr, 1, 0, flood},
      // The second copy writes half a second after the first has ended.
      {"grandchild outlives", child("spawner"), nullptr, 1, 0, "early|late|"},
      {"reads its input", child("stdin_reader"), nullptr, 1, 0, "stdin 0|"},
      {"no program", "\"" + (dir / "no_such_program") + "\" -v", nullptr, 0, kNotStartedStatus,
       std::nullopt},
      {"no directory", child("exit", "0"), missing_dir.c_str(), 0, kNotStartedStatus, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    write_host_file(dir.host("zeb_c.dat"), "left over from an earlier run");
    std::int32_t started = -1;
    EXPECT_EQ(run_captured(c.command.c_str(), c.directory, &started, capture.c_str()), c.status);
    EXPECT_EQ(started, c.started);
    ASSERT_EQ(fs::exists(dir.host("zeb_c.dat")), c.captured.has_value());
    if (!c.captured) continue;
    const std::string got = read_host_file(dir.host("zeb_c.dat"));
    EXPECT_TRUE(got == *c.captured) << got.substr(0, 80);
  }
}

TEST(WriteFileTest, ModesAndSizeLimit) {
  test::ScopedTempDir dir;
  const std::string path = dir / "out.bin";
  const std::string o150(150, 'o'), o100(100, 'o');
  const struct {
    const char* before;  // null: no file
    std::int32_t mode;
    std::uint32_t limit;
    std::string expected;
  } cases[] = {
      {nullptr, kWriteAppend, 0, "new"},       {nullptr, kWriteOverwrite, 0, "new"},
      {"old", kWriteAppend, 0, "oldnew"},      {"old", kWriteOverwrite, 0, "new"},
      {"old", 7, 0, "new"},                    {o150.c_str(), kWriteAppend, 100, "new"},
      {o100.c_str(), kWriteAppend, 100, o100 + "new"},  // only a larger file restarts
      {o150.c_str(), kWriteAppend, 0, o150 + "new"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    fs::remove(dir.host("out.bin"));
    if (c.before != nullptr) write_host_file(dir.host("out.bin"), c.before);
    EXPECT_EQ(write_file(path.c_str(), "new", 3, c.mode, c.limit), kWriteOk);
    EXPECT_EQ(read_host_file(dir.host("out.bin")), c.expected);
  }
}

TEST(WriteFileTest, ReadOnlyFileIsWrittenLeftWritableAndMeasured) {
  test::ScopedTempDir dir;
  const std::string path = dir / "ro";
  write_host_file(dir.host("ro"), "old");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(write_file(path.c_str(), "new", 3, kWriteAppend, 0), kWriteOk);
  EXPECT_EQ(read_host_file(dir.host("ro")), "oldnew");
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  // A negative length or null data is refused, the file left as it was.
  EXPECT_EQ(write_file(path.c_str(), "abc", -1, kWriteOverwrite, 0), kWriteShort);
  EXPECT_EQ(write_file(path.c_str(), nullptr, 5, kWriteOverwrite, 0), kWriteShort);
  EXPECT_EQ(read_host_file(dir.host("ro")), "oldnew");
  EXPECT_EQ(file_size(path.c_str()), 6);
  write_host_file(dir.host("empty"), "");
  EXPECT_EQ(file_size((dir / "empty").c_str()), 0);
  EXPECT_EQ(file_size((dir / "missing").c_str()), 0);
}

}  // namespace
}  // namespace zeb::cache
