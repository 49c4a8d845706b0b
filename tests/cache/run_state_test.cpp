// The extra arguments' slots and most texts are checked end to end; here the
// texts no run shows and the edges of the table.
#include "cache/run_state.h"

#include <gtest/gtest.h>

#include <utility>

#include "cache/result_codes.h"

namespace zeb::cache {

TEST(ResultMessages, NothingForSuccessAndWhatWasPrintedAlreadyUnexpectedOutsideTheTable) {
  const std::pair<std::int32_t, const char*> rows[] = {  // null: nothing printed
      {0, nullptr}, {1, nullptr}, {2, nullptr}, {3, "cannot execute internal required function\n"},
      {28, "argument or path too long\n"}, {29, "cache directory not private to this user\n"},
      {30, "directive or compiler option not allowed\n"}, {31, "unexpected error\n"}, {-1, "unexpected error\n"}};
  for (const auto& [code, text] : rows) EXPECT_STREQ(result_message(code), text) << code;
}

}  // namespace zeb::cache
