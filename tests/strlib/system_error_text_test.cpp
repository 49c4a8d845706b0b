#include "strlib/system_error_text.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

#include "platform/win32.h"

namespace zeb::strlib {
namespace {

// Codes with a system text on every host: a system error, another, and a
// Winsock error.
constexpr DWORD kFileNotFound = 2;
constexpr DWORD kAccessDenied = 5;
constexpr DWORD kConnectionRefused = 10061;
// An application-defined code (bit 29): the system has no text for it.
constexpr DWORD kApplicationCode = 0x20000001u;

// The host's own text for a code, as the system reports it.
std::string raw_system_text(DWORD code) {
  std::array<char, 257> text{};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      text.data(), 256, nullptr);
  return std::string(text.data(), length);
}

std::string with_breaks_as_spaces(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

TEST(LastErrorText, WritesCodeCleanedTextAndNewline) {
  for (DWORD code : {kFileNotFound, kAccessDenied, kConnectionRefused}) {
    SCOPED_TRACE(code);
    const std::string raw = raw_system_text(code);
    ASSERT_FALSE(raw.empty());
    std::array<char, kErrorLineCapacity> out;
    out.fill('#');
    SetLastError(code);
    ASSERT_EQ(last_error_text(out.data()), 1);
    const std::string line = out.data();
    EXPECT_EQ(line, std::to_string(code) + " " + with_breaks_as_spaces(raw) + " \n");
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    if (raw.ends_with("\r\n")) {
      EXPECT_TRUE(line.ends_with("   \n"));  // CR LF kept as two spaces, then " \n"
    }
  }
}

TEST(LastErrorText, ExactLineForTheWindowsText) {
  // Windows and the POSIX host report this text; other hosts may word it
  // differently, which the test above covers.
  if (raw_system_text(kAccessDenied) != "Access is denied.\r\n") GTEST_SKIP() << "host words code 5 differently";
  std::array<char, kErrorLineCapacity> out{};
  SetLastError(kAccessDenied);
  ASSERT_EQ(last_error_text(out.data()), 1);
  EXPECT_STREQ(out.data(), "5 Access is denied.   \n");
}

TEST(LastErrorText, NothingForCodeZeroOrCodesWithoutText) {
  for (DWORD code : {DWORD{0}, kApplicationCode}) {
    SCOPED_TRACE(code);
    char out[] = "untouched";
    SetLastError(code);
    EXPECT_EQ(last_error_text(out), 0);
    EXPECT_STREQ(out, "untouched");
  }
}

TEST(LogLastError, TracesSystemAndWinsockErrorsAndRestoresTheCode) {
  struct Case {
    DWORD code;
    const char* prefix;
  };
  const Case cases[] = {
      {kFileNotFound, "System error : "},
      {kAccessDenied, "System error : "},
      {kConnectionRefused, "Winsock error : "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string raw = raw_system_text(c.code);
    // Capturing output touches files, which may set the last error itself.
    ::testing::internal::CaptureStdout();
    SetLastError(c.code);
    log_last_error();
    const DWORD after = GetLastError();
    const std::string written = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(written, c.prefix + std::to_string(c.code) + " " + with_breaks_as_spaces(raw) + " \n");
    EXPECT_EQ(after, c.code);
  }
}

TEST(LogLastError, WritesNothingWithoutTextAndStillRestoresTheCode) {
  // Looking up a code without text sets another last error on the way.
  for (DWORD code : {DWORD{0}, kApplicationCode}) {
    SCOPED_TRACE(code);
    ::testing::internal::CaptureStdout();
    SetLastError(code);
    log_last_error();
    const DWORD after = GetLastError();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(after, code);
  }
}

TEST(ErrorLines, WinsockRangeBoundaries) {
  struct Case {
    std::uint32_t code;
    bool winsock;
  };
  const Case cases[] = {
      {9999, false},  {10000, true}, {10061, true}, {11999, true}, {12000, false},
      {0, false},     {0x80002710u, false},  // 10000 with the sign bit: negative
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(is_winsock_error(c.code), c.winsock);
  }
}

TEST(ErrorLines, Formats) {
  EXPECT_EQ(error_line(2, "Not found.  "), "2 Not found.   \n");
  EXPECT_EQ(error_trace_line(9999, "x"), "System error : 9999 x \n");
  EXPECT_EQ(error_trace_line(10000, "x"), "Winsock error : 10000 x \n");
  EXPECT_EQ(error_trace_line(11999, "x"), "Winsock error : 11999 x \n");
  EXPECT_EQ(error_trace_line(12000, "x"), "System error : 12000 x \n");
  // Codes of 2^31 and above print as negative numbers.
  EXPECT_EQ(error_line(0x80070005u, "x"), "-2147024891 x \n");
  EXPECT_EQ(error_trace_line(0x80002710u, "x"), "System error : -2147473648 x \n");
  // A percent sign in the text is text.
  EXPECT_EQ(error_line(193, "%1 is bad. "), "193 %1 is bad.  \n");
  // The longest line fits the documented capacity exactly.
  EXPECT_EQ(error_line(0x80000000u, std::string(255, 't')).size() + 1, kErrorLineCapacity);
}

}  // namespace
}  // namespace zeb::strlib
