#include "cache/run_state.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "cache/result_codes.h"

namespace zeb::cache {
namespace {

bool fill(std::vector<const char*> argv) {
  argv.push_back(nullptr);
  return fill_extra_args(static_cast<int>(argv.size()) - 1, argv.data());
}

TEST(ExtraArgs, SlotsTakeArgv2To5AndLongerArgumentsAreRefusedNotCut) {
  ASSERT_TRUE(fill({"zeb_c", "f.zebc", "a", "", "c", "d", "e"}));
  EXPECT_EQ(extra_args.slots, (std::array<std::string, 4>{"a", "", "c", "d"}));
  const std::string fits(kExtraArgCapacity - 1, 'x'), too_long(kExtraArgCapacity, 'y');
  ASSERT_TRUE(fill({"zeb_c", "f", fits.c_str()}));
  EXPECT_EQ(extra_args.slots, (std::array<std::string, 4>{fits, "", "", ""}));
  EXPECT_FALSE(fill({"zeb_c", "f", "a", too_long.c_str()}));
  EXPECT_EQ(extra_args.slots, (std::array<std::string, 4>{}));
}

TEST(ResultMessages, EachCodeHasItsFixedText) {
  const struct {
    std::int32_t code;
    const char* text;  // null: nothing printed
  } rows[] = {
      {0, nullptr},
      {2, nullptr},
      {4, "cannot get the full pathname of zeb_c.exe\n"},
      {23, "gcc compiler not installed or not mingw\n"},
      {28, "argument or path too long\n"},
      {29, "unexpected error\n"},
      {-1, "unexpected error\n"},
  };
  for (const auto& row : rows) EXPECT_STREQ(result_message(row.code), row.text) << row.code;
}

}  // namespace
}  // namespace zeb::cache
