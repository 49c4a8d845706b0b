#include "base/strlib/system_error_text.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "platform/win32.h"

namespace zeb::strlib {

// The system's wording differs between hosts; what the line makes of it does not.
TEST(SystemErrorText, LineAndTraceForTheLastError) {
  const struct { DWORD code; std::string prefix; } cases[] = {  // no prefix: no line (0x20000001 has no text)
      {2, "System error : "}, {10061, "Winsock error : "}, {0, ""}, {0x20000001u, ""}};
  for (const auto& c : cases) {
    std::array<char, kErrorLineCapacity> out{'u'};
    SetLastError(c.code);
    EXPECT_EQ(last_error_text(out.data()), c.prefix.empty() ? 0 : 1) << c.code;
    const std::string line = out.data(), head = std::to_string(c.code) + " ";
    // One line: each CR and LF of the text became a space, and " \n" ends it.
    EXPECT_TRUE(c.prefix.empty() ? line == "u" : line.starts_with(head) && line.size() > head.size() + 3 &&
                line.find_first_of("\r\n") == line.size() - 1 && line.ends_with(" \n")) << line;
    ::testing::internal::CaptureStdout();  // touches files, which may set the last error itself
    SetLastError(c.code);
    log_last_error();
    const DWORD after = GetLastError();
    EXPECT_EQ(std::pair(::testing::internal::GetCapturedStdout(), after),
              std::pair(c.prefix.empty() ? "" : c.prefix + line, c.code));
  }
  EXPECT_EQ(error_line(0x80070005u, "%1 x"), "-2147024891 %1 x \n");
  EXPECT_TRUE(is_winsock_error(10000) && is_winsock_error(11999));
  EXPECT_FALSE(is_winsock_error(9999) || is_winsock_error(12000) || is_winsock_error(0x80002710u));
}

}  // namespace zeb::strlib
