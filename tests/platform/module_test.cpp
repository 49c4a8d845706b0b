// GetModuleHandleA and GetModuleFileNameA for the running program: its full
// path in drive form, and the truncating buffer contract of Windows Vista on.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/win32.h"
#include "wine_quirks.h"

namespace zeb::test {
namespace {

std::string module_file_name() {
  char buffer[4096];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  EXPECT_GT(length, 0u);
  EXPECT_LT(length, sizeof buffer);
  return std::string(buffer, length);
}

TEST(Module, TheProgramIsAModule) { EXPECT_NE(GetModuleHandleA(nullptr), nullptr); }

TEST(Module, FileNameIsTheFullPathOfTheProgram) {
  const std::string path = module_file_name();
  ASSERT_GE(path.size(), 4u);
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(path[0]))) << path;
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  EXPECT_EQ(path.find('/'), std::string::npos) << path;
  EXPECT_NE(path.find("platform_conformance_tests"), std::string::npos) << path;

  char buffer[4096];
  const DWORD length = GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, length), path);
}

TEST(Module, ASmallBufferGetsATruncatedTerminatedName) {
  const std::string path = module_file_name();
  const DWORD full = static_cast<DWORD>(path.size());
  for (DWORD size : {full, full - 1, DWORD{5}, DWORD{1}}) {
    std::string buffer(size + 4, '#');
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), size), size) << "size " << size;
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER) << "size " << size;
    EXPECT_EQ(buffer.substr(0, size - 1), path.substr(0, size - 1)) << "size " << size;
    // Wine keeps the Windows XP contract here: size characters, no terminator.
    if (!running_under_wine()) {
      EXPECT_EQ(buffer[size - 1], '\0') << "size " << size;
    }
    EXPECT_EQ(buffer.substr(size), "####") << "size " << size;
  }
  std::string buffer(full + 1, '#');
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), full + 1), full);
  EXPECT_EQ(buffer.substr(0, full), path);
  EXPECT_EQ(buffer[full], '\0');
}

}  // namespace
}  // namespace zeb::test
