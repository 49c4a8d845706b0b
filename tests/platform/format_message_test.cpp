// FormatMessageA over the system message table: exact English texts with
// their CR LF, the buffer contract, and codes without a text.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "wine_quirks.h"

namespace zeb::test {
namespace {

constexpr DWORD kSystemFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string system_message(DWORD code) {
  char buffer[1024];
  const DWORD length =
      FormatMessageA(kSystemFlags, nullptr, code, 0, buffer, sizeof buffer, nullptr);
  return std::string(buffer, length);
}

TEST(FormatMessage, GivesTheSystemTexts) {
  if (running_under_wine()) {
    GTEST_SKIP() << "Wine ships shorter texts of its own (\"File not found.\")";
  }
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {
      {0, "The operation completed successfully.\r\n"},
      {2, "The system cannot find the file specified.\r\n"},
      {3, "The system cannot find the path specified.\r\n"},
      {5, "Access is denied.\r\n"},
      {32, "The process cannot access the file because it is being used by another process.\r\n"},
      {183, "Cannot create a file when that file already exists.\r\n"},
      {193, "%1 is not a valid Win32 application.\r\n"},
      {10061, "No connection could be made because the target machine actively refused it.\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(system_message(c.code), c.text) << "code " << c.code;
}

TEST(FormatMessage, EveryCodeTheLayerSetsHasAText) {
  const DWORD codes[] = {
      ERROR_SUCCESS, ERROR_INVALID_FUNCTION, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
      ERROR_TOO_MANY_OPEN_FILES, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY,
      ERROR_BAD_ENVIRONMENT, ERROR_INVALID_DATA, ERROR_OUTOFMEMORY, ERROR_INVALID_DRIVE,
      ERROR_CURRENT_DIRECTORY, ERROR_NOT_SAME_DEVICE, ERROR_NO_MORE_FILES, ERROR_WRITE_PROTECT,
      ERROR_NOT_READY, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_HANDLE_EOF,
      ERROR_HANDLE_DISK_FULL, ERROR_NOT_SUPPORTED, ERROR_BAD_NETPATH, ERROR_FILE_EXISTS,
      ERROR_CANNOT_MAKE, ERROR_INVALID_PARAMETER, ERROR_BROKEN_PIPE, ERROR_DISK_FULL,
      ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_NAME, ERROR_MOD_NOT_FOUND, ERROR_NEGATIVE_SEEK,
      ERROR_DIR_NOT_EMPTY, ERROR_BAD_PATHNAME, ERROR_ALREADY_EXISTS, ERROR_BAD_EXE_FORMAT,
      ERROR_ENVVAR_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE, ERROR_NO_DATA, ERROR_MORE_DATA,
      ERROR_DIRECTORY, ERROR_MR_MID_NOT_FOUND, ERROR_NOT_ENOUGH_QUOTA, ERROR_BUFFER_OVERFLOW,
  };
  for (DWORD code : codes) {
    const std::string text = system_message(code);
    ASSERT_GT(text.size(), 2u) << "code " << code;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "code " << code;
    EXPECT_EQ(text.find("\r\n"), text.size() - 2) << "code " << code;
  }
}

TEST(FormatMessage, CommonWinsockCodesHaveTexts) {
  if (running_under_wine()) {
    GTEST_SKIP() << "Wine's table lacks some Winsock codes (10035)";
  }
  const DWORD codes[] = {10004, 10009, 10013, 10014, 10022, 10024, 10035, 10036, 10037, 10038,
                         10040, 10048, 10049, 10050, 10051, 10053, 10054, 10055, 10057, 10060,
                         10061, 10064, 10065, 10091, 10092, 10093, 11001, 11002, 11003, 11004};
  for (DWORD code : codes) {
    const std::string text = system_message(code);
    ASSERT_GT(text.size(), 2u) << "code " << code;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "code " << code;
  }
}

TEST(FormatMessage, AnUnknownCodeHasNoText) {
  // Bit 29 marks application-defined codes, which the system never defines.
  char buffer[256] = "untouched";
  EXPECT_EQ(FormatMessageA(kSystemFlags, nullptr, 0x2000FFFFu, 0, buffer, sizeof buffer, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
}

TEST(FormatMessage, ATooSmallBufferIsRefused) {
  const std::string text = system_message(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  const DWORD length = static_cast<DWORD>(text.size());
  char buffer[256];
  for (DWORD size : {DWORD{1}, length - 1, length}) {
    EXPECT_EQ(FormatMessageA(kSystemFlags, nullptr, ERROR_ACCESS_DENIED, 0, buffer, size, nullptr),
              0u)
        << "size " << size;
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER) << "size " << size;
  }
  EXPECT_EQ(
      FormatMessageA(kSystemFlags, nullptr, ERROR_ACCESS_DENIED, 0, buffer, length + 1, nullptr),
      length);
  EXPECT_EQ(std::string(buffer), text);
}

}  // namespace
}  // namespace zeb::test
