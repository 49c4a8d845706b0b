#include "base/diagnostics/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/win32.h"

namespace zeb::diagnostics {
namespace {

template <typename Write>
std::string printed(Write write) {
  testing::internal::CaptureStdout();
  write();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

TEST(DebugLog, WritesTheTextUnchangedUpToItsLimitAndRefusesALongerOne) {
  EXPECT_EQ(printed([] { debug_log("valor de ret %d \n", 42); }), "valor de ret 42 \n");
  EXPECT_EQ(printed([] { debug_log("%s", "100% sure, %d %s %%"); }), "100% sure, %d %s %%");
  const int limit = static_cast<int>(kDebugLogMaxLength);
  EXPECT_EQ(printed([&] { debug_log("%*s", limit, "z"); }), std::string(limit - 1, ' ') + "z");
  EXPECT_EQ(printed([&] { debug_log("%*s", limit + 1, "z"); }), "");
}

TEST(DebugLog, CallerKeepsItsLastErrorValue) {
  printed([] {
    SetLastError(ERROR_ACCESS_DENIED);
    debug_log("trace %d\n", 1);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    debug_log("%*s", static_cast<int>(kDebugLogMaxLength + 1), "");  // refused
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
  });
}

}  // namespace
}  // namespace zeb::diagnostics
