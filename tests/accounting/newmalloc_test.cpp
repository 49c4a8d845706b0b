// Counted blocks and streams, and the reports a user meets at exit. Every
// in-process test leaves both counts as it found them, or this program would
// end with a report itself; the reports are checked in fresh child processes
// (re-runs of this program) by exit status and whole standard error.
#include "base/accounting/newmalloc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/scoped.h"

namespace zeb::accounting {
namespace {

TEST(Counters, BlocksAreCountedFromAllocationToRelease) {
  const std::int32_t before = live_block_count();
  auto* block = static_cast<char*>(tracked_alloc(64));
  auto* zeroed = static_cast<unsigned char*>(tracked_calloc(1000, 3));
  void* fresh = tracked_realloc(nullptr, 8);
  void* empty = tracked_calloc(0, 16);
  ASSERT_TRUE(block != nullptr && zeroed != nullptr && fresh != nullptr && empty != nullptr);
  EXPECT_EQ(live_block_count(), before + 4);
  EXPECT_EQ(std::count(zeroed, zeroed + 3000, 0), 3000);
  std::memcpy(block, "0123456789", 10);
  EXPECT_EQ(tracked_realloc(block, 10), block);  // resized where it stands, not counted again
  EXPECT_EQ(std::string(block, 10), "0123456789");
  EXPECT_EQ(tracked_calloc(0x10000u, 0x10000u), nullptr);  // the product does not fit 32 bits
  EXPECT_EQ(live_block_count(), before + 4);
  for (void* b : {static_cast<void*>(block), static_cast<void*>(zeroed), fresh, empty}) tracked_free(b, "x", 1);
  EXPECT_EQ(live_block_count(), before);
}

TEST(Counters, StreamsAreCountedFromOpenToClose) {
  test::ScopedTempDir dir;
  test::write_host_file(dir.host("data.txt"), "contents");
  const std::int32_t before = open_file_count();
  std::FILE* stream = tracked_fopen((dir / "data.txt").c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(tracked_fopen((dir / "absent.txt").c_str(), "rb"), nullptr);
  EXPECT_EQ(open_file_count(), before + 1);
  char buffer[16] = {};
  EXPECT_EQ(std::string(buffer, std::fread(buffer, 1, sizeof buffer, stream)), "contents");
  EXPECT_EQ(tracked_fclose(stream), 0);
  EXPECT_EQ(tracked_fclose(nullptr), EOF);
  EXPECT_EQ(open_file_count(), before);
}

// Matches exactly `text`.
std::string exactly(const std::string& text) {
  std::string pattern = "^";
  for (const char c : text) {
    if (std::string("\\.[]{}()*+?^$|").find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

std::string box(const std::string& text) { return std::string(kMemoryDebugCaption) + "\n" + text + "\n"; }

const std::string kLeak1 = box("Memory leak detected , number of memory not freed = 1");
const std::string kLeak3 = box("Memory leak detected , number of memory not freed = 3");
const std::string kFiles2 = box("File not closed detected , number of files not closed = 2");

// A child reports, then shows that the exit went on; nobody answers its boxes.
void start_child() {
  std::atexit([] { std::fputs("[exit continued]", stderr); });
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
}

void open_two_streams() {
  char own_path[1024] = {};
  if (GetModuleFileNameA(nullptr, own_path, sizeof own_path) >= sizeof own_path) std::abort();
  for (int i = 0; i < 2; ++i) tracked_fopen(own_path, "rb");
}

class ExitReports : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Where boxes are real windows (Windows, Wine) they would wait for a person.
    if (std::filesystem::path::preferred_separator != '/') GTEST_SKIP() << "message boxes are real windows here";
  }
};

TEST_F(ExitReports, OneLeakedBlockIsReportedAndTheExitStatusKept) {
  EXPECT_EXIT({ start_child(); tracked_alloc(32); std::exit(9); }, testing::ExitedWithCode(9),
              exactly(kLeak1 + "[exit continued]"));
}

TEST_F(ExitReports, ReportsRunInReverseOrderOfFirstUse) {
  for (const bool streams_first : {true, false}) {
    EXPECT_EXIT(
        {
          start_child();
          if (streams_first) open_two_streams();
          for (int i = 0; i < 3; ++i) tracked_alloc(8);
          if (!streams_first) open_two_streams();
          std::exit(0);
        },
        testing::ExitedWithCode(0),
        exactly((streams_first ? kLeak3 + kFiles2 : kFiles2 + kLeak3) + "[exit continued]"));
  }
}

TEST_F(ExitReports, FreeingNullNamesTheCallerAndAbortsWithoutExitReports) {
  EXPECT_DEATH({ start_child(); tracked_alloc(8); tracked_free(nullptr, "x", 7); },
               exactly(box("Trying to free NULL , file x , line 7 ")));
}

TEST_F(ExitReports, BoxTextMustFitTheReportBuffer) {
  const std::string fits(kReportTextCapacity - 1, 'f');
  EXPECT_EXIT(
      {
        start_child();
        memory_debug_box("%s", fits.c_str());
        memory_debug_box("%s!", fits.c_str());  // one byte too many: refused
        std::exit(0);
      },
              testing::ExitedWithCode(0), exactly(box(fits) + "[exit continued]"));
}

TEST(TrackedCalloc, SizeZeroFailsItsAssertionInEveryBuild) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The Windows runtime adds its own words about the abort afterwards.
  EXPECT_DEATH(tracked_calloc(16, 0), "^Assertion failed: size > 0, file newmalloc.cpp, line ");
}

}  // namespace
}  // namespace zeb::accounting
