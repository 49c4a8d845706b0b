#include "driver/run_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/result_codes.h"

namespace zeb::driver {
namespace {

std::vector<const char*> args_of(const std::vector<std::string>& words) {
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);
  return argv;
}

TEST(ExtraArgs, SlotsTakeArgv2To5AndIgnoreTheRest) {
  const std::vector<std::string> words = {"zeb_c", "f.zebc", "a", "", "c", "d", "e", "f"};
  const auto argv = args_of(words);
  ASSERT_TRUE(fill_extra_args(static_cast<int>(words.size()), argv.data()));
  EXPECT_EQ(extra_args.slots[0], "a");
  EXPECT_EQ(extra_args.slots[1], "");  // an empty argument leaves its slot empty
  EXPECT_EQ(extra_args.slots[2], "c");
  EXPECT_EQ(extra_args.slots[3], "d");
}

TEST(ExtraArgs, EveryCallClearsSlotsAnArgumentDidNotReach) {
  const std::vector<std::string> full = {"zeb_c", "f", "1", "2", "3", "4"};
  ASSERT_TRUE(fill_extra_args(6, args_of(full).data()));
  const std::vector<std::string> one = {"zeb_c", "f", "x"};
  ASSERT_TRUE(fill_extra_args(3, args_of(one).data()));
  EXPECT_EQ(extra_args.slots[0], "x");
  for (std::size_t i = 1; i < kExtraArgCount; ++i) EXPECT_TRUE(extra_args.slots[i].empty()) << i;
}

TEST(ExtraArgs, ArgumentLongerThanItsSlotIsRefusedNotCut) {
  const std::string fits(kExtraArgCapacity - 1, 'x');
  const std::string too_long(kExtraArgCapacity, 'y');
  const std::vector<std::string> ok = {"zeb_c", "f", fits};
  ASSERT_TRUE(fill_extra_args(3, args_of(ok).data()));
  EXPECT_EQ(extra_args.slots[0], fits);

  const std::vector<std::string> bad = {"zeb_c", "f", "a", too_long};
  EXPECT_FALSE(fill_extra_args(4, args_of(bad).data()));
  for (const std::string& slot : extra_args.slots) EXPECT_TRUE(slot.empty());
}

TEST(ResultMessages, TableGivesEachCodeItsFixedText) {
  struct Row {
    std::int32_t code;
    const char* text;
  };
  const Row rows[] = {
      {3, "cannot execute internal required function\n"},
      {4, "cannot get the full pathname of zeb_c.exe\n"},
      {9, "compilation error\n"},
      {13, "cannot open required temporary file\n"},
      {14, "cannot use relative path that has a \\ as the first character\n"},
      {15, "cannot use relative path that has a . as the first character\n"},
      {16, "file don't exist\n"},
      {17, "gcc not found or gcc error\n"},
      {18, "compilation error\n"},
      {21, "gcc not found or wrong version\n"},
      {23, "gcc compiler not installed or not mingw\n"},
      {24, "cannot read from temporary file\n"},
      {27, "cannot locate required executable module\n"},
      {28, "argument or path too long\n"},
      {29, "unexpected error\n"},
      {-1, "unexpected error\n"},
      {1000, "unexpected error\n"},
  };
  for (const Row& row : rows) {
    ASSERT_NE(result_message(row.code), nullptr) << row.code;
    EXPECT_STREQ(result_message(row.code), row.text) << row.code;
  }
  // Success prints nothing; 1 and 2 printed their own text where they arose.
  EXPECT_EQ(result_message(0), nullptr);
  EXPECT_EQ(result_message(1), nullptr);
  EXPECT_EQ(result_message(2), nullptr);
}

}  // namespace
}  // namespace zeb::driver
