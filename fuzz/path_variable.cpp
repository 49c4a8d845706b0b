// The user's PATH, whatever its bytes, reaches a program unchanged behind the
// directory zeb_c puts in front of it through the Win32 calls (read in
// Windows form, set back with the directory added), and the process reads
// back what it set.
#include <cstdlib>
#include <string>

#include "fuzz_support.h"

namespace {

// No such directory exists: its host form is its text.
constexpr const char* kAdded = "C:\\zeb_fuzz\\mingw\\bin\\";
constexpr const char* kAddedOnHost = "/zeb_fuzz/mingw/bin/";

std::string path_as_shown() {
  const DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  ZEB_FUZZ_CHECK(needed != 0, "a PATH that is set can be read");
  std::string shown(needed, '\0');
  const DWORD length = GetEnvironmentVariableA("PATH", shown.data(), needed);
  ZEB_FUZZ_CHECK(length + 1 == needed, "the size asked for is the text and its terminator");
  shown.resize(length);
  return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An environment value ends at its first zero byte.
  const std::string raw = zeb::fuzz::c_text_of(zeb::fuzz::text_of(data, size));
  if (setenv("PATH", raw.c_str(), 1) != 0) return 0;
  const std::string composed = std::string(kAdded) + ";" + path_as_shown();
  ZEB_FUZZ_CHECK(SetEnvironmentVariableA("PATH", composed.c_str()), "PATH can be set");
  const char* const stored = std::getenv("PATH");
  ZEB_FUZZ_CHECK(stored != nullptr && std::string(stored) == std::string(kAddedOnHost) + ":" + raw,
                 "the program's PATH is the added directory, then the user's byte for byte");
  ZEB_FUZZ_CHECK(path_as_shown() == composed, "the process reads back the PATH it set");
  return 0;
}
