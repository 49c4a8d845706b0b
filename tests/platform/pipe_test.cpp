// Anonymous pipes: bytes in order, reads that return what is there, the
// broken-pipe end once every writer is gone, and the one-way ends.
#include <gtest/gtest.h>

#include <string>

#include "child_process_support.h"
#include "platform/win32.h"

namespace zeb::test {
namespace {

struct Pipe {
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  explicit Pipe(DWORD size = 0) {
    EXPECT_TRUE(CreatePipe(&read_end, &write_end, nullptr, size)) << GetLastError();
  }
  ~Pipe() {
    if (read_end != nullptr) CloseHandle(read_end);
    if (write_end != nullptr) CloseHandle(write_end);
  }
  void close_writer() {
    EXPECT_TRUE(CloseHandle(write_end));
    write_end = nullptr;
  }
  void close_reader() {
    EXPECT_TRUE(CloseHandle(read_end));
    read_end = nullptr;
  }
  void put(const std::string& bytes) const {
    DWORD written = 0;
    EXPECT_TRUE(
        WriteFile(write_end, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
  }
  std::string take(DWORD at_most) const {
    std::string buffer(at_most, '\0');
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(read_end, buffer.data(), at_most, &got, nullptr)) << GetLastError();
    buffer.resize(got);
    return buffer;
  }
};

TEST(Pipe, DataComesOutThenTheEndIsABrokenPipe) {
  for (DWORD size : {0u, 4096u, 65536u}) {
    Pipe pipe(size);
    pipe.put("hello");
    EXPECT_EQ(pipe.take(100), "hello");
    pipe.put("abc");
    pipe.put("def");
    pipe.close_writer();
    // What is still in the pipe is delivered before the end.
    std::string rest;
    while (rest.size() < 6) {
      const std::string piece = pipe.take(100);
      ASSERT_FALSE(piece.empty());
      rest += piece;
    }
    EXPECT_EQ(rest, "abcdef");

    char byte = 'x';
    DWORD got = 123;
    EXPECT_FALSE(ReadFile(pipe.read_end, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    EXPECT_EQ(got, 0u);
    // The end is lasting.
    EXPECT_FALSE(ReadFile(pipe.read_end, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
  }
}

TEST(Pipe, AReadReturnsAtMostWhatWasAskedFor) {
  Pipe pipe;
  pipe.put("0123456789");
  EXPECT_EQ(pipe.take(4), "0123");
  EXPECT_EQ(pipe.take(4), "4567");
  EXPECT_EQ(pipe.take(100), "89");
}

TEST(Pipe, EachEndWorksOneWayOnly) {
  Pipe pipe;
  char byte = 'x';
  DWORD count = 0;
  EXPECT_FALSE(WriteFile(pipe.read_end, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(ReadFile(pipe.write_end, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Pipe, WritingWithoutAReaderFails) {
  Pipe pipe;
  pipe.close_reader();
  const char bytes[] = "lost";
  DWORD written = 99;
  EXPECT_FALSE(WriteFile(pipe.write_end, bytes, 4, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NO_DATA);
  EXPECT_EQ(written, 0u);
}

TEST(Pipe, AChildsLargeOutputArrivesWhole) {
  const ChildRun run = run_child(child_command("child_flood") + " 300000");
  ASSERT_TRUE(run.started) << run.error;
  ASSERT_EQ(run.output.size(), 300000u);
  for (std::size_t i = 0; i < run.output.size(); ++i) {
    ASSERT_EQ(run.output[i], static_cast<char>('A' + (i * 7 + i / 26) % 26)) << "byte " << i;
  }
  EXPECT_EQ(run.exit_code, 0u);
}

}  // namespace
}  // namespace zeb::test
