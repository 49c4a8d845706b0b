// The reports a user meets: each case runs in a fresh child process (a
// re-run of this program limited to the case) that ends the way the system
// ends, and the child's exit status and standard error are checked whole.
#include "accounting/newmalloc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/win32.h"

namespace zeb::accounting {
namespace {

// On a Windows host (Wine included) a message box is a real window that
// waits for a person, so cases that show one run only where the host layer
// writes boxes to standard error. The separator tells the host apart without
// preprocessor switches.
bool boxes_are_text() { return std::filesystem::path::preferred_separator == '/'; }

// Matches exactly `text`, nothing before or after it.
std::string exactly(const std::string& text) {
  std::string pattern = "^";
  for (const char c : text) {
    if (std::string("\\.[]{}()*+?^$|").find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

std::string box(const std::string& text) { return std::string(kMemoryDebugCaption) + "\n" + text; }

std::string own_program_path() {
  char buffer[1024] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, length < sizeof buffer ? length : 0);
}

// Registered before anything else in a child, so it runs after the reports.
void note_exit_continued() { std::fputs("[exit continued]", stderr); }

// Nobody answers in these children: a box that cannot be shown is skipped,
// as when the system runs without a console.
void start_child() {
  std::atexit(note_exit_continued);
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
}

class ExitReports : public testing::Test {
 protected:
  void SetUp() override {
    // A fresh process per case: the counts and the at-exit list start empty.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!boxes_are_text()) GTEST_SKIP() << "message boxes are real windows on this host";
  }
};

TEST_F(ExitReports, BalancedRunShowsNothing) {
  EXPECT_EXIT(
      {
        start_child();
        void* block = tracked_alloc(10);
        void* zeroed = tracked_calloc(2, 8);
        std::FILE* stream = tracked_fopen(own_program_path().c_str(), "rb");
        if (block == nullptr || zeroed == nullptr || stream == nullptr) std::abort();
        tracked_fclose(stream);
        tracked_free(zeroed, "x", 1);
        tracked_free(block, "x", 2);
        std::exit(0);
      },
      testing::ExitedWithCode(0), exactly("[exit continued]"));
}

TEST_F(ExitReports, OneLeakedBlockIsReportedAndExitContinues) {
  EXPECT_EXIT(
      {
        start_child();
        tracked_alloc(32);
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      exactly(box("Memory leak detected , number of memory not freed = 1\n") + "[exit continued]"));
}

TEST_F(ExitReports, ExitStatusOfTheRunIsKept) {
  EXPECT_EXIT(
      {
        start_child();
        tracked_alloc(32);
        std::exit(9);
      },
      testing::ExitedWithCode(9),
      exactly(box("Memory leak detected , number of memory not freed = 1\n") + "[exit continued]"));
}

TEST_F(ExitReports, FileReportComesFirstWhenFilesWereUsedAfterMemory) {
  EXPECT_EXIT(
      {
        start_child();
        for (int i = 0; i < 3; ++i) tracked_alloc(8);
        tracked_fopen(own_program_path().c_str(), "rb");
        tracked_fopen(own_program_path().c_str(), "rb");
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      exactly(box("File not closed detected , number of files not closed = 2\n") +
              box("Memory leak detected , number of memory not freed = 3\n") + "[exit continued]"));
}

TEST_F(ExitReports, MemoryReportComesFirstWhenMemoryWasUsedAfterFiles) {
  EXPECT_EXIT(
      {
        start_child();
        tracked_fopen(own_program_path().c_str(), "rb");
        tracked_fopen(own_program_path().c_str(), "rb");
        for (int i = 0; i < 3; ++i) tracked_alloc(8);
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      exactly(box("Memory leak detected , number of memory not freed = 3\n") +
              box("File not closed detected , number of files not closed = 2\n") + "[exit continued]"));
}

TEST_F(ExitReports, FirstCallRegistersTheReportEvenWhenItFails) {
  // The failed open registers the file report first; the close that
  // follows is the only counted file operation.
  EXPECT_EXIT(
      {
        start_child();
        tracked_fopen("C:\\no\\such\\file.txt", "rb");
        tracked_alloc(8);
        tracked_fclose(zeb::platform::open_stream(own_program_path().c_str(), "rb"));
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      exactly(box("Memory leak detected , number of memory not freed = 1\n") +
              box("File not closed detected , number of files not closed = -1\n") +
              "[exit continued]"));
}

TEST_F(ExitReports, OneCloseTooManyShowsMinusOne) {
  EXPECT_EXIT(
      {
        start_child();
        std::FILE* counted = tracked_fopen(own_program_path().c_str(), "rb");
        tracked_fclose(counted);
        tracked_fclose(zeb::platform::open_stream(own_program_path().c_str(), "rb"));
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      exactly(box("File not closed detected , number of files not closed = -1\n") +
              "[exit continued]"));
}

TEST_F(ExitReports, FreeingNullShowsTheCallerAndAbortsWithoutExitReports) {
  EXPECT_DEATH(
      {
        start_child();
        tracked_alloc(8);  // would be reported at a normal exit
        tracked_free(nullptr, "x", 7);
        std::exit(0);
      },
      exactly(box("Trying to free NULL , file x , line 7 \n")));
}

TEST_F(ExitReports, RefusedReleaseShowsTheCallerAndAborts) {
  static int not_a_block = 0;
  EXPECT_DEATH(
      {
        start_child();
        tracked_free(&not_a_block, "newmalloc_user.c", 123);
        std::exit(0);
      },
      exactly(box("Memory deallocation error , file newmalloc_user.c , line 123 \n")));
}

TEST_F(ExitReports, BoxTextMustFitTheReportBuffer) {
  const std::string fits(kReportTextCapacity - 1, 'f');
  EXPECT_EXIT(
      {
        start_child();
        memory_debug_box("%s", fits.c_str());
        memory_debug_box("%s!", fits.c_str());  // one byte too many: refused
        memory_debug_box("%d%%", 50);
        std::exit(0);
      },
      testing::ExitedWithCode(0), exactly(box(fits + "\n") + box("50%\n") + "[exit continued]"));
}

// No box is involved, so this case runs on every host.
TEST(TrackedCallocAssertion, SizeZeroFailsTheAssertionInEveryBuild) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string report = "Assertion failed: size > 0, file newmalloc.cpp, line ";
  // The Windows runtime adds its own words about the abort afterwards.
  const std::string pattern =
      boxes_are_text() ? exactly(report).substr(0, exactly(report).size() - 1) + "[0-9]+\n$"
                       : "^" + report;
  EXPECT_DEATH(
      {
        std::atexit(note_exit_continued);
        tracked_calloc(16, 0);
      },
      pattern);
}

TEST(TrackedCallocAssertion, CountZeroPassesAndYieldsACountedBlock) {
  const std::int32_t before = live_block_count();
  void* block = tracked_calloc(0, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(live_block_count(), before + 1);
  tracked_free(block, __FILE__, __LINE__);
  EXPECT_EQ(live_block_count(), before);
}

}  // namespace
}  // namespace zeb::accounting
