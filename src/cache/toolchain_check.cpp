#include "cache/toolchain_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/accounting/newmalloc.h"
#include "cache/cache_locks.h"
#include "cache/checksum.h"
#include "cache/process_runner.h"
#include "cache/result_codes.h"
#include "cache/toolchain_answer.h"
#include "fsutil/path_tests.h"
#include "platform/portable/path_text.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::cache {
namespace {

std::string& version_line() {
  static std::string line;
  return line;
}

std::uint32_t& report_fingerprint() {
  static std::uint32_t fingerprint = 0;
  return fingerprint;
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

bool ends_with_nocase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         platform::equal_nocase(text.substr(text.size() - suffix.size()), suffix);
}

// The text after `label` on the first line that starts with it, up to the
// line's end; nothing when no line does.
std::optional<std::string_view> line_value(std::string_view output, std::string_view label) {
  for (std::size_t at = 0; at < output.size();) {
    std::size_t end = output.find('\n', at);
    if (end == std::string_view::npos) end = output.size();
    const std::string_view line = output.substr(at, end - at);
    if (line.size() >= label.size() && platform::equal_nocase(line.substr(0, label.size()), label)) {
      return line.substr(label.size());
    }
    at = end + 1;
  }
  return std::nullopt;
}

std::string_view first_word(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  std::size_t end = start;
  while (end < text.size() && !is_word_end(text[end])) ++end;
  return text.substr(start, end - start);
}

// Drivers since gcc 4 name the platform they build for on a "Target:" line;
// older ones only in the configure options they were built with.
bool targets_mingw(std::string_view output) {
  if (const auto target = line_value(output, kTargetLabel)) {
    return ends_with_nocase(first_word(*target), kMingwTargetSuffix);
  }
  const auto configured = line_value(output, kConfiguredLabel);
  if (!configured) return false;
  for (std::string_view rest = *configured;;) {
    const std::size_t at = rest.find(kTargetOption);
    if (at == std::string_view::npos) return false;
    rest.remove_prefix(at + std::strlen(kTargetOption));
    if (ends_with_nocase(first_word(rest), kMingwTargetSuffix)) return true;
  }
}

}  // namespace

int examine_toolchain_report(const char* output) {
  version_line().clear();
  if (strlib::find_nocase(output, kMingwMarker) == 0 && !targets_mingw(output)) {
    std::fputs(kMingwNotFoundMessage, stderr);
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
    std::fputs(kVersionTooOldMessage, stderr);
    return GccTooOld;
  }
  return Success;
}

const char* toolchain_version_line() { return version_line().c_str(); }

int toolchain_check() { return toolchain_check_in(""); }

int toolchain_check_in(std::string_view base_directory) {
  version_line().clear();
  report_fingerprint() = 0;
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
  const int result = got == 0 ? CaptureFileEmpty : examine_toolchain_report(output.data());
  accounting::tracked_fclose(capture);
  // Nought is kept for "no report".
  if (result == Success) report_fingerprint() = crc32_update(0, output.data(), static_cast<std::uint32_t>(got)) | 1u;
  return result;
}

std::uint32_t toolchain_report_fingerprint() { return report_fingerprint(); }

bool acceptable_version_word(std::string_view word) {
  if (word.empty() || word.size() > kMaxVersionWordLength) return false;
  if (std::any_of(word.begin(), word.end(), is_word_end)) return false;
  return !older_than_minimum(parse_version(word));
}

int toolchain_check_kept(std::string_view base_directory) {
  // Nothing of an earlier check in this process may pass for this one's.
  version_line().clear();
  report_fingerprint() = 0;
  const std::optional<ToolchainIdentity> identity = toolchain_identity();
  if (identity) {
    if (const std::optional<ToolchainAnswer> kept = kept_toolchain_answer(base_directory, *identity)) {
      version_line() = std::string(kVersionWords) + kept->version_word + " \n";
      report_fingerprint() = kept->report_fingerprint;
      return Success;
    }
  }
  // The capture file is shared by every run of this installation.
  const CacheLock installation = lock_installation(base_directory);
  const int result = toolchain_check_in(base_directory);
  // Kept only when the gcc that answered is still the one identified before
  // it was started: one replaced meanwhile is asked again by the next run.
  if (result == Success && identity && toolchain_identity() == identity) {
    const std::string& line = version_line();
    const std::size_t start = std::strlen(kVersionWords);
    keep_toolchain_answer(base_directory,
                          {*identity, report_fingerprint(), line.substr(start, line.size() - start - 2)});
  }
  return result;
}

}  // namespace zeb::cache
