#include "cache/process_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::cache {

TEST(RunCaptured, ChildrenAndTheirCaptures) {
  test::ScopedTempDir dir;
  const auto child = [](const std::string& name, const std::string& arguments) {
    return "\"" + test::test_binary_dir() + "child_" + name + "\" " + arguments;
  };
  const std::string capture = dir / "zeb_c.dat", missing_dir = dir / "no_such_directory", none = "(no file)";
  const std::filesystem::path captured_file = dir.host("zeb_c.dat");
  // The bytes child_flood writes: far more than a pipe holds.
  std::string flood(std::size_t{1} << 20, '\0');
  for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<char>('A' + (i * 7 + i / 26) % 26);
  // The spawner's second copy writes half a second after the first has ended,
  // unless it was tied to it.
  // nullopt: no capture file afterwards.
  const struct { std::string command, captured; const char* cwd; int started; std::uint32_t status; } cases[] = {
      {child("sleep", "0"), none, nullptr, 1, 0}, {child("exit", "3"), "exit 3|", nullptr, 1, 3},
      {child("interleave", ""), "out1|err1|out2|err2|out3|err3|", nullptr, 1, 0},
      {child("flood", std::to_string(flood.size())), flood, nullptr, 1, 0},
      {child("spawner", ""), "early|late|", nullptr, 1, 0}, {child("stdin_reader", ""), "stdin 0|", nullptr, 1, 0},
      // A child tied to its parent ends with it, whatever it meant to do.
      {child("spawner", "tied"), "early|", nullptr, 1, 0},
      {"\"" + (dir / "no_such_program") + "\" -v", none, nullptr, 0, kNotStartedStatus},
      {child("exit", "0"), none, missing_dir.c_str(), 0, kNotStartedStatus}};
  for (const auto& [command, captured, cwd, started, status] : cases) {
    test::write_host_file(captured_file, "left over from an earlier run");
    std::int32_t got_started = -1;
    EXPECT_EQ((std::tuple{run_captured(command.c_str(), cwd, &got_started, capture.c_str()), got_started}),
              std::tuple(status, started)) << command;
    const std::string got = std::filesystem::exists(captured_file) ? test::read_host_file(captured_file) : none;
    EXPECT_TRUE(got == captured) << command << ": " << got.substr(0, 80);
  }
}

TEST(WriteFile, ModesSizeLimitReadOnlyFilesAndSizes) {
  test::ScopedTempDir dir;
  const std::string path = dir / "out.bin", o150(150, 'o'), o100(100, 'o');
  // Only a file larger than a non-zero limit restarts; any mode but 1 overwrites.
  const struct { const char* before; std::int32_t mode; std::uint32_t limit; std::string expected; } cases[] = {
      {nullptr, kWriteAppend, 0, "new"}, {nullptr, kWriteOverwrite, 0, "new"}, {"old", kWriteAppend, 0, "oldnew"},
      {"old", kWriteOverwrite, 0, "new"}, {"old", 7, 0, "new"}, {o150.c_str(), kWriteAppend, 100, "new"},
      {o100.c_str(), kWriteAppend, 100, o100 + "new"}, {o150.c_str(), kWriteAppend, 0, o150 + "new"}};
  for (const auto& c : cases) {
    std::filesystem::remove(dir.host("out.bin"));
    if (c.before != nullptr) test::write_host_file(dir.host("out.bin"), c.before);
    EXPECT_EQ(write_file(path.c_str(), "new", 3, c.mode, c.limit), kWriteOk);
    EXPECT_EQ(test::read_host_file(dir.host("out.bin")), c.expected) << "case " << (&c - cases);
  }
  // A read-only file is written and left writable; a negative length or null
  // data is refused, the file left as it was.
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const char* out = path.c_str();
  EXPECT_EQ((std::tuple{write_file(out, "!", 1, kWriteAppend, 0), GetFileAttributesA(out) & FILE_ATTRIBUTE_READONLY,
                        write_file(out, "abc", -1, kWriteOverwrite, 0), write_file(out, nullptr, 5, kWriteOverwrite, 0),
                        file_size(out), test::read_host_file(dir.host("out.bin"))}),
            std::tuple(kWriteOk, 0u, kWriteShort, kWriteShort, 154, o150 + "new!"));
  const std::string missing = dir / "missing";
  EXPECT_EQ((std::tuple{write_file(out, "", 0, kWriteOverwrite, 0), file_size(out), file_size(missing.c_str())}),
            std::tuple(kWriteOk, 0, 0));
}

}  // namespace zeb::cache
