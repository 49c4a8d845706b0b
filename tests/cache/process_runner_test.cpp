#include "cache/process_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

namespace fs = std::filesystem;
using test::read_host_file;
using test::ScopedTempDir;
using test::write_host_file;

// A quoted command line that starts one of the child programs.
std::string child(const std::string& name, const std::string& arguments = "") {
  std::string line = "\"" + test::test_binary_dir() + "child_" + name + "\"";
  if (!arguments.empty()) line += " " + arguments;
  return line;
}

struct Outcome {
  std::uint32_t status = 0;
  std::int32_t started = -1;
};

Outcome run(const std::string& command, const char* directory, const std::string* capture) {
  Outcome result;
  result.status = run_captured(command.c_str(), directory, &result.started,
                               capture != nullptr ? capture->c_str() : nullptr);
  return result;
}

// The bytes child_flood writes.
std::string flood_pattern(std::size_t total) {
  std::string bytes(total, '\0');
  for (std::size_t i = 0; i < total; ++i) bytes[i] = static_cast<char>('A' + (i * 7 + i / 26) % 26);
  return bytes;
}

class RunCapturedTest : public ::testing::Test {
 protected:
  ScopedTempDir dir;
  std::string capture = dir / "zeb_c.dat";
  fs::path capture_host = dir.host("zeb_c.dat");
};

TEST_F(RunCapturedTest, ChildThatWritesNothingLeavesNoCaptureFile) {
  write_host_file(capture_host, "left over from an earlier run");
  const Outcome r = run(child("silent"), nullptr, &capture);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 0u);
  EXPECT_FALSE(fs::exists(capture_host));
}

TEST_F(RunCapturedTest, StandardOutputAndErrorShareTheCaptureInWriteOrder) {
  const Outcome r = run(child("interleave"), nullptr, &capture);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(read_host_file(capture_host), "out1|err1|out2|err2|out3|err3|");
}

TEST_F(RunCapturedTest, OutputFarLargerThanAPipeArrivesWholeAndUnchanged) {
  constexpr std::size_t kTotal = std::size_t{1} << 20;
  const Outcome r = run(child("flood", std::to_string(kTotal)), nullptr, &capture);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 0u);
  const std::string captured = read_host_file(capture_host);
  ASSERT_EQ(captured.size(), kTotal);
  EXPECT_TRUE(captured == flood_pattern(kTotal));
}

TEST_F(RunCapturedTest, ChildExitStatusIsTheResult) {
  for (const std::uint32_t status : {0u, 1u, 3u, 42u, 255u}) {
    SCOPED_TRACE(status);
    const Outcome r = run(child("exit", std::to_string(status)), nullptr, &capture);
    EXPECT_EQ(r.started, 1);
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(read_host_file(capture_host), "exit " + std::to_string(status) + "|");
  }
}

TEST_F(RunCapturedTest, EachRunStartsTheCaptureAfresh) {
  run(child("exit", "4"), nullptr, &capture);
  run(child("exit", "5"), nullptr, &capture);
  EXPECT_EQ(read_host_file(capture_host), "exit 5|");
}

TEST_F(RunCapturedTest, CaptureLastsUntilEveryInheritorHasClosedTheOutput) {
  // child_spawner needs the host layer linked in; a tree that does not
  // build it yet cannot run this case.
  const std::string spawner = test::test_binary_dir() + "child_spawner";
  if (GetFileAttributesA(spawner.c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetFileAttributesA((spawner + ".exe").c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "child_spawner is not built";
  }
  const auto start = std::chrono::steady_clock::now();
  const Outcome r = run(child("spawner"), nullptr, &capture);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 0u);
  // The second copy writes half a second after the first has ended.
  EXPECT_EQ(read_host_file(capture_host), "early|late|");
  EXPECT_GE(elapsed, std::chrono::milliseconds(400));
}

TEST_F(RunCapturedTest, CommandLineLongerThanAPathBufferArrivesWhole) {
  // The status is the last argument, so a line cut anywhere would lose it.
  const std::string filler(2000, 'x');
  const Outcome r = run(child("exit", filler + " 9"), nullptr, &capture);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 9u);
}

TEST_F(RunCapturedTest, ChildReadingItsInputMeetsTheEnd) {
  const Outcome r = run(child("stdin_reader"), nullptr, &capture);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(read_host_file(capture_host), "stdin 0|");
}

TEST_F(RunCapturedTest, ChildRunsInTheGivenWorkingDirectory) {
  ScopedTempDir work;
  const Outcome r = run(child("touch", "marker.txt"), work.path().c_str(), &capture);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(read_host_file(work.host("marker.txt")), "touched");
  EXPECT_FALSE(fs::exists(dir.host("marker.txt")));
}

TEST_F(RunCapturedTest, CommandsThatCannotStartReportItAndLeaveNoCaptureFile) {
  const std::string missing_dir = dir / "no_such_directory";
  const struct {
    const char* label;
    std::string command;
    const char* directory;
  } cases[] = {
      {"missing program", "\"" + (dir / "no_such_program") + "\" -v", nullptr},
      {"missing working directory", child("exit", "0"), missing_dir.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    write_host_file(capture_host, "stale");
    const Outcome r = run(c.command, c.directory, &capture);
    EXPECT_EQ(r.started, 0);
    EXPECT_EQ(r.status, kNotStartedStatus);
    EXPECT_FALSE(fs::exists(capture_host));
  }
}

TEST_F(RunCapturedTest, WithoutCaptureTheChildStillRunsAndNothingIsWritten) {
  write_host_file(capture_host, "kept");
  // child_touch without a file name ends with status 2 and writes nothing.
  const Outcome r = run(child("touch"), nullptr, nullptr);
  EXPECT_EQ(r.started, 1);
  EXPECT_EQ(r.status, 2u);
  // Without a capture path no file is deleted or written.
  EXPECT_EQ(read_host_file(capture_host), "kept");
}

// ---------------------------------------------------------------- write_file

class WriteFileTest : public ::testing::Test {
 protected:
  ScopedTempDir dir;
  std::string path = dir / "out.bin";
  fs::path host = dir.host("out.bin");

  int write(const std::string& data, std::int32_t mode, std::uint32_t limit = 0) {
    return write_file(path.c_str(), data.data(), static_cast<std::int32_t>(data.size()), mode,
                      limit);
  }
};

TEST_F(WriteFileTest, ModesCreateReplaceOrAppend) {
  const struct {
    const char* before;  // null: no file
    std::int32_t mode;
    const char* expected;
  } cases[] = {
      {nullptr, kWriteAppend, "new"},     {nullptr, kWriteOverwrite, "new"},
      {"old", kWriteAppend, "oldnew"},    {"old", kWriteOverwrite, "new"},
      {"old", 7, "new"},                  {"old", -1, "new"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.before ? c.before : "(none)") + " mode " + std::to_string(c.mode));
    std::error_code ec;
    fs::remove(host, ec);
    if (c.before != nullptr) write_host_file(host, c.before);
    EXPECT_EQ(write("new", c.mode), kWriteOk);
    EXPECT_EQ(read_host_file(host), c.expected);
  }
}

TEST_F(WriteFileTest, BinaryBytesAreWrittenUnchanged) {
  const std::string bytes("a\r\nb\nc\0d\x1a" "e", 10);
  EXPECT_EQ(write(bytes, kWriteOverwrite), kWriteOk);
  EXPECT_EQ(read_host_file(host), bytes);
}

TEST_F(WriteFileTest, ReadOnlyFileIsWrittenAndLeftWritable) {
  write_host_file(host, "old");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(write("new", kWriteAppend), kWriteOk);
  EXPECT_EQ(read_host_file(host), "oldnew");
  const DWORD attributes = GetFileAttributesA(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(WriteFileTest, SizeLimitRestartsOnlyAFileAlreadyLargerThanIt) {
  const struct {
    std::size_t before;
    std::uint32_t limit;
    std::size_t expected_size;
  } cases[] = {
      {150, 100, 3},    // larger than the limit: deleted, then only the new data
      {101, 100, 3},
      {100, 100, 103},  // exactly the limit: appended
      {99, 100, 102},
      {150, 0, 153},    // no limit
      {0, 1, 3},        // an empty file is never deleted, and simply grows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.before) + " bytes, limit " + std::to_string(c.limit));
    write_host_file(host, std::string(c.before, 'o'));
    EXPECT_EQ(write("new", kWriteAppend, c.limit), kWriteOk);
    const std::string after = read_host_file(host);
    EXPECT_EQ(after.size(), c.expected_size);
    EXPECT_EQ(after.substr(after.size() - 3), "new");
  }
}

TEST_F(WriteFileTest, UnopenablePathsGiveOne) {
  ScopedTempDir other;
  const std::string in_missing_dir = other / "missing\\out.bin";
  const std::string a_directory = other.path();
  for (const std::string& target : {in_missing_dir, a_directory}) {
    SCOPED_TRACE(target);
    EXPECT_EQ(write_file(target.c_str(), "x", 1, kWriteOverwrite, 0), kWriteOpenFailed);
  }
  EXPECT_TRUE(fs::is_directory(other.host_path()));
}

TEST_F(WriteFileTest, NegativeLengthIsRefusedWithoutTouchingTheFile) {
  write_host_file(host, "old");
  EXPECT_EQ(write_file(path.c_str(), "abc", -1, kWriteOverwrite, 0), kWriteShort);
  EXPECT_EQ(write_file(path.c_str(), nullptr, 5, kWriteOverwrite, 0), kWriteShort);
  EXPECT_EQ(read_host_file(host), "old");
}

TEST_F(WriteFileTest, ZeroBytesStillCreateOrEmptyTheFile) {
  EXPECT_EQ(write_file(path.c_str(), nullptr, 0, kWriteAppend, 0), kWriteOk);
  EXPECT_TRUE(fs::exists(host));
  EXPECT_EQ(fs::file_size(host), 0u);
  write_host_file(host, "old");
  EXPECT_EQ(write_file(path.c_str(), "", 0, kWriteOverwrite, 0), kWriteOk);
  EXPECT_EQ(fs::file_size(host), 0u);
}

// ----------------------------------------------------------------- file_size

TEST(FileSizeTest, SizesOfFilesAndOfWhatIsNotAFile) {
  ScopedTempDir dir;
  write_host_file(dir.host("empty"), "");
  write_host_file(dir.host("five"), "12345");
  write_host_file(dir.host("big"), std::string(70000, 'b'));
  const struct {
    std::string path;
    std::int32_t expected;
  } cases[] = {
      {dir / "missing", 0},
      {dir / "empty", 0},
      {dir / "five", 5},
      {dir / "big", 70000},
      {dir.path(), 0},  // a directory cannot be opened as a file
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(file_size(c.path.c_str()), c.expected);
  }
}

TEST(FileSizeTest, ReadOnlyFileIsMeasured) {
  ScopedTempDir dir;
  write_host_file(dir.host("ro"), "abc");
  const std::string path = dir / "ro";
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(file_size(path.c_str()), 3);
}

TEST(FileSizeTest, FileBeyondTheSignedRangeGivesTheCeiling) {
  ScopedTempDir dir;
  const fs::path host = dir.host("huge");
  write_host_file(host, "");
  std::error_code ec;
  // A sparse file: no real disk space is used where the host allows it.
  fs::resize_file(host, (std::uintmax_t{1} << 32) + 5, ec);
  if (ec) GTEST_SKIP() << "cannot make a large sparse file here: " << ec.message();
  const std::string path = dir / "huge";
  EXPECT_EQ(file_size(path.c_str()), kFileSizeCeiling);
  // Just past the ceiling: still the ceiling, not a wrapped value.
  fs::resize_file(host, std::uintmax_t{1} << 31, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file_size(path.c_str()), kFileSizeCeiling);
  fs::resize_file(host, (std::uintmax_t{1} << 31) - 1, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file_size(path.c_str()), kFileSizeCeiling);
  fs::resize_file(host, (std::uintmax_t{1} << 31) - 2, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file_size(path.c_str()), kFileSizeCeiling - 1);
}

}  // namespace
}  // namespace zeb::cache
