// FormatMessageA over the system message table.
#include <gtest/gtest.h>

#include <string>

#include "conformance_support.h"

namespace zeb::test {
namespace {

constexpr DWORD kSystemFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string system_message(DWORD code) {
  char buffer[1024];
  return std::string(
      buffer, FormatMessageA(kSystemFlags, nullptr, code, 0, buffer, sizeof buffer, nullptr));
}

TEST(FormatMessage, GivesTheSystemTexts) {
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {
      {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_SHARING_VIOLATION,
       "The process cannot access the file because it is being used by another process.\r\n"},
      {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
      {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
      {ERROR_DIRECTORY, "The directory name is invalid.\r\n"},
      {10061, "No connection could be made because the target machine actively refused it.\r\n"},
  };
  for (const auto& c : cases) {
    const std::string text = system_message(c.code);
    if (running_under_wine()) {
      // Wine ships shorter texts of its own ("File not found.\r\n").
      ASSERT_GT(text.size(), 2u) << "code " << c.code;
      EXPECT_EQ(text.find("\r\n"), text.size() - 2) << "code " << c.code;
    } else {
      EXPECT_EQ(text, c.text) << "code " << c.code;
    }
  }
}

TEST(FormatMessage, AnUnknownCodeHasNoText) {
  // Bit 29 marks application-defined codes, which the system never defines.
  char buffer[256] = "untouched";
  EXPECT_EQ(FormatMessageA(kSystemFlags, nullptr, 0x2000FFFFu, 0, buffer, sizeof buffer, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
}

}  // namespace
}  // namespace zeb::test
