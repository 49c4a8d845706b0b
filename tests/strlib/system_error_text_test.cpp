#include "base/strlib/system_error_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/win32.h"

namespace zeb::strlib {
namespace {

TEST(SystemErrorText, LineAndTraceForTheLastError) {
  // No prefix: no line at all (0x20000001 is application-defined, without a system text).
  const struct { DWORD code; const char* prefix; } cases[] = {
      {2, "System error : "}, {5, "System error : "}, {10061, "Winsock error : "}, {0, nullptr}, {0x20000001u, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    std::array<char, 257> text{};
    std::string line;
    if (c.prefix != nullptr) {
      const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, c.code,
                                          0, text.data(), 256, nullptr);
      ASSERT_NE(length, 0u);
      for (char ch : std::string(text.data(), length)) line += (ch == '\r' || ch == '\n') ? ' ' : ch;
      line = std::to_string(c.code) + " " + line + " \n";
    }
    std::array<char, kErrorLineCapacity> out{'u'};
    SetLastError(c.code);
    EXPECT_EQ(last_error_text(out.data()), line.empty() ? 0 : 1);
    EXPECT_EQ(out.data(), line.empty() ? "u" : line);
    // Capturing output touches files, which may set the last error itself.
    ::testing::internal::CaptureStdout();
    SetLastError(c.code);
    log_last_error();
    const DWORD after = GetLastError();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), line.empty() ? "" : c.prefix + line);
    EXPECT_EQ(after, c.code);
  }
  EXPECT_EQ(error_line(0x80070005u, "%1 x"), "-2147024891 %1 x \n");
  EXPECT_TRUE(is_winsock_error(10000) && is_winsock_error(11999));
  EXPECT_FALSE(is_winsock_error(9999) || is_winsock_error(12000) || is_winsock_error(0x80002710u));
}

}  // namespace
}  // namespace zeb::strlib
