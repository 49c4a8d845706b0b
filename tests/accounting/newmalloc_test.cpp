// Counted blocks and streams, and the reports a user meets at exit. Every
// in-process test leaves both counts as it found them, or this program would
// end with a report itself; the reports are checked in fresh child processes
// (re-runs of this program) by exit status and whole standard error.
#include "base/accounting/newmalloc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/win32.h"

namespace zeb::accounting {
namespace {

TEST(Counters, BlocksAndStreamsAreCountedWhileTheyLive) {
  const std::int32_t blocks = live_block_count(), files = open_file_count();
  auto* block = static_cast<char*>(tracked_alloc(64));
  auto* zeroed = static_cast<unsigned char*>(tracked_calloc(1000, 3));
  void* fresh = tracked_realloc(nullptr, 8);
  void* empty = tracked_calloc(0, 16);
  ASSERT_TRUE(block != nullptr && zeroed != nullptr && fresh != nullptr && empty != nullptr);
  EXPECT_EQ(std::count(zeroed, zeroed + 3000, 0), 3000);
  EXPECT_EQ(tracked_realloc(block, 10), block);  // resized where it stands, not counted again
  EXPECT_EQ(tracked_calloc(0x10000u, 0x10000u), nullptr);  // the product does not fit 32 bits
  EXPECT_EQ(live_block_count(), blocks + 4);
  for (void* b : {static_cast<void*>(block), static_cast<void*>(zeroed), fresh, empty}) tracked_free(b, "x", 1);
  // Streams opened, refused and closed are counted in every run of zeb_c: a count
  // left over shows as a report on its standard error, end to end.
  EXPECT_EQ(tracked_fclose(nullptr), EOF);  // a null stream is no stream
  EXPECT_EQ(live_block_count() - blocks + open_file_count() - files, 0);
}

testing::Matcher<const std::string&> exactly(const std::string& text) { return testing::Eq(text); }

std::string box(const std::string& text) { return std::string(kMemoryDebugCaption) + "\n" + text + "\n"; }

// A child reports, then shows that the exit went on; nobody answers its boxes.
void start_child() {
  std::atexit([] { std::fputs("[exit continued]", stderr); });
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
}

class ExitReports : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Where boxes are real windows (Windows, Wine) they would wait for a person.
    if (std::filesystem::path::preferred_separator != '/') GTEST_SKIP() << "message boxes are real windows here";
  }
};

TEST_F(ExitReports, ReportsRunInReverseOrderOfFirstUseAndKeepTheExitStatus) {
  const std::string leak3 = box("Memory leak detected , number of memory not freed = 3");
  const std::string files2 = box("File not closed detected , number of files not closed = 2");
  for (const bool streams_first : {true, false}) {
    EXPECT_EXIT(
        {
          start_child();
          std::string self(4096, '\0');
          self.resize(GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size())));
          const auto open_self_twice = [&] { for (int i = 0; i < 2; ++i) tracked_fopen(self.c_str(), "rb"); };
          if (streams_first) open_self_twice();
          for (int i = 0; i < 3; ++i) tracked_alloc(8);
          if (!streams_first) open_self_twice();
          std::exit(9);
        },
        testing::ExitedWithCode(9), exactly((streams_first ? leak3 + files2 : files2 + leak3) + "[exit continued]"));
  }
}

// A null block, or one the platform refuses (freed twice), names the caller
// and aborts without the exit reports.
TEST_F(ExitReports, FreeingWhatIsNoBlockAborts) {
  EXPECT_DEATH({ start_child(); tracked_alloc(8); tracked_free(nullptr, "x", 7); },
               exactly(box("Trying to free NULL , file x , line 7 ")));
  // A block the allocator never handed out: GlobalFree refuses it.
  const auto free_foreign = [] {
    static int not_a_block = 0;
    tracked_free(&not_a_block, nullptr, 9);
  };
  EXPECT_DEATH({ start_child(); free_foreign(); }, exactly(box("Memory deallocation error , file (null) , line 9 ")));
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
