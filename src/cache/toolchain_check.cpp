#include "cache/toolchain_check.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "base/accounting/newmalloc.h"
#include "cache/process_runner.h"
#include "cache/result_codes.h"
#include "fsutil/path_tests.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::cache {
namespace {

std::string& version_line() {
  static std::string line;
  return line;
}

struct Version {
  int major = 0;
  int minor = 0;
  int patch = 0;
};

// Up to three dot-separated numbers at the start of the word ("4.1.2-20070115"
// reads as 4.1.2, "3.4" as 3.4.0, a word without digits as 0.0.0). Each
// number saturates instead of overflowing.
Version parse_version(std::string_view word) {
  int parts[3] = {0, 0, 0};
  std::size_t at = 0;
  for (int index = 0; index < 3; ++index) {
    if (index > 0) {
      if (at >= word.size() || word[at] != '.') break;
      ++at;
    }
    int value = 0;
    while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
      if (value < 100000000) value = value * 10 + (word[at] - '0');
      ++at;
    }
    parts[index] = value;
  }
  return {parts[0], parts[1], parts[2]};
}

bool older_than_minimum(const Version& v) {
  if (v.major != kMinimumMajor) return v.major < kMinimumMajor;
  if (v.minor != kMinimumMinor) return v.minor < kMinimumMinor;
  return v.patch < kMinimumPatch;
}

bool is_word_end(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

// The examination of the captured output, once it is in memory.
int examine_output(const char* output) {
  if (strlib::find_nocase(output, kMingwMarker) == 0) {
    std::printf("%s", kMingwNotFoundMessage);
    return GccNotMingw;
  }
  const int position = strlib::find_nocase(output, kVersionWords);
  if (position == 0) return GccVersionWordsMissing;

  const char* const word_start = output + (position - 1) + std::strlen(kVersionWords);
  std::size_t length = 0;
  while (!is_word_end(word_start[length])) ++length;
  if (length > kMaxVersionWordLength) return GccVersionWordsMissing;
  const std::string_view word(word_start, length);

  version_line() = std::string(kVersionWords) + std::string(word) + " \n";
  if (older_than_minimum(parse_version(word))) {
    std::printf("%s", kVersionTooOldMessage);
    return GccTooOld;
  }
  return Success;
}

}  // namespace

const char* toolchain_version_line() { return version_line().c_str(); }

int toolchain_check() { return toolchain_check_in(""); }

int toolchain_check_in(std::string_view base_directory) {
  version_line().clear();
  std::string capture_path(base_directory);
  if (!capture_path.empty() && capture_path.back() != '\\') capture_path += '\\';
  capture_path += kVersionCaptureFile;
  const char* const capture_file = capture_path.c_str();
  // A deletion that succeeded leaves nothing to look for (the caller holds
  // the installation lock: no other run writes the file meanwhile).
  if (platform::remove_file(capture_file) != 0 && fsutil::file_exists(capture_file)) {
    return CaptureFileNotDeleted;
  }

  std::int32_t started = 0;
  bool captured = true;
  const std::uint32_t status = run_captured(kVersionCommand, nullptr, &started, capture_file, &captured);
  if (started == 0) return GccNotStarted;
  // Part of the report is missing (a full disk): what is there cannot be trusted.
  if (!captured) return CaptureFileUnopenable;
  if (status != 0) return GccVersionFailed;
  if (!fsutil::file_exists(capture_file)) return CaptureFileMissing;

  std::FILE* const capture = accounting::tracked_fopen(capture_file, "rb");
  if (capture == nullptr) return CaptureFileUnopenable;
  // A fresh, terminated buffer for every check: nothing of an earlier,
  // longer output can be found in it.
  std::array<char, kVersionOutputLimit + 1> output{};
  const std::size_t got = std::fread(output.data(), 1, kVersionOutputLimit, capture);
  output[got] = '\0';
  const int result = got == 0 ? CaptureFileEmpty : examine_output(output.data());
  accounting::tracked_fclose(capture);
  return result;
}

}  // namespace zeb::cache
