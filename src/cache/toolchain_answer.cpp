#include "cache/toolchain_answer.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "cache/hex_text.h"
#include "cache/process_runner.h"
#include "cache/toolchain_check.h"
#include "platform/win32.h"

namespace zeb::cache {
namespace {

constexpr std::string_view kHeading = "zeb_c toolchain 1";
constexpr std::string_view kProgramLabel = "gcc ";
constexpr std::string_view kFileLabel = "file ";
constexpr std::string_view kEnvironmentLabel = "env ";
constexpr std::string_view kReportLabel = "report ";
constexpr std::string_view kVersionLabel = "version ";

// Fixed widths in lower case only: one text per answer, so that a file
// edited by hand into another spelling of the same numbers is no answer.
std::string hex(std::uint64_t value, int digits) { return hex_text(value, digits); }

std::optional<std::uint64_t> hex_value(std::string_view digits, std::size_t width) {
  return digits.size() == width ? hex_number(digits) : std::nullopt;
}

std::uint64_t ticks(const FILETIME& time) {
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// Unset and set to nothing are told apart: gcc reads an empty GCC_EXEC_PREFIX.
std::optional<std::string> environment_variable(const char* name) {
  std::string value(MAX_PATH, '\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      value.clear();
      return value;
    }
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

std::string answer_path(std::string_view base_directory) {
  std::string path(base_directory);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + kToolchainAnswerFile;
}

// At most kToolchainAnswerLimit + 1 bytes of a file (one more than an
// answer may have, so that a longer one shows); empty when it cannot be read.
std::string read_answer(const std::string& path) { return read_file_start(path, kToolchainAnswerLimit + 1); }

}  // namespace

std::optional<ToolchainIdentity> toolchain_identity() {
  std::optional<std::string> program = platform::program_file(kToolchainProgram);
  if (!program) return std::nullopt;
  // Opened for nothing but its identity, sharing everything: whoever replaces
  // gcc meanwhile is not kept from it.
  const HANDLE file = CreateFileA(program->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != FALSE;
  CloseHandle(file);
  if (!known) return std::nullopt;
  ToolchainIdentity identity;
  identity.program = *std::move(program);
  identity.size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  identity.write_time = ticks(info.ftLastWriteTime);
  identity.change_time = ticks(info.ftCreationTime);
  identity.volume = info.dwVolumeSerialNumber;
  identity.file_index = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  for (std::size_t at = 0; at < kToolchainEnvironment.size(); ++at) {
    identity.environment[at] = environment_variable(kToolchainEnvironment[at]);
  }
  return identity;
}

std::optional<std::string> format_toolchain_answer(const ToolchainAnswer& answer) {
  const ToolchainIdentity& id = answer.identity;
  std::string text(kHeading);
  text += "\n";
  text += kProgramLabel;
  text += id.program + "\n";
  text += kFileLabel;
  text += hex(id.size, 16) + " " + hex(id.write_time, 16) + " " + hex(id.change_time, 16) + " " + hex(id.volume, 8) +
          " " + hex(id.file_index, 16) + "\n";
  for (std::size_t at = 0; at < kToolchainEnvironment.size(); ++at) {
    text += kEnvironmentLabel;
    text += kToolchainEnvironment[at];
    if (id.environment[at]) text += "=" + *id.environment[at];
    text += "\n";
  }
  text += kReportLabel;
  text += hex(answer.report_fingerprint, 8) + "\n";
  text += kVersionLabel;
  text += answer.version_word + "\n";
  // Whatever cannot be written as lines, or would not read back, is not kept.
  std::optional<ToolchainAnswer> back = parse_toolchain_answer(text);
  if (!back || *back != answer) return std::nullopt;
  return text;
}

std::optional<ToolchainAnswer> parse_toolchain_answer(std::string_view text) {
  constexpr std::size_t kLines = 3 + kToolchainEnvironment.size() + 2;
  if (text.size() > kToolchainAnswerLimit) return std::nullopt;
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size() && lines.size() <= kLines;) {
    const std::size_t end = text.find('\n', at);
    // Every line ends in a line end: a file cut short is no answer.
    if (end == std::string_view::npos) return std::nullopt;
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() != kLines || lines[0] != kHeading) return std::nullopt;

  ToolchainAnswer answer;
  ToolchainIdentity& id = answer.identity;
  if (!lines[1].starts_with(kProgramLabel) || lines[1].size() == kProgramLabel.size()) return std::nullopt;
  id.program = lines[1].substr(kProgramLabel.size());

  if (!lines[2].starts_with(kFileLabel)) return std::nullopt;
  std::string_view numbers = lines[2].substr(kFileLabel.size());
  std::array<std::uint64_t, 5> values{};
  constexpr std::array<std::size_t, 5> kWidths = {16, 16, 16, 8, 16};
  for (std::size_t at = 0; at < kWidths.size(); ++at) {
    const std::optional<std::uint64_t> value = hex_value(numbers.substr(0, kWidths[at]), kWidths[at]);
    if (!value) return std::nullopt;
    values[at] = *value;
    numbers.remove_prefix(std::min(kWidths[at], numbers.size()));
    const bool last = at + 1 == kWidths.size();
    if (last ? !numbers.empty() : !numbers.starts_with(' ')) return std::nullopt;
    if (!last) numbers.remove_prefix(1);
  }
  id.size = values[0];
  id.write_time = values[1];
  id.change_time = values[2];
  id.volume = static_cast<std::uint32_t>(values[3]);
  id.file_index = values[4];

  for (std::size_t at = 0; at < kToolchainEnvironment.size(); ++at) {
    std::string_view line = lines[3 + at];
    const std::string_view name = kToolchainEnvironment[at];
    if (!line.starts_with(kEnvironmentLabel)) return std::nullopt;
    line.remove_prefix(kEnvironmentLabel.size());
    if (!line.starts_with(name)) return std::nullopt;
    line.remove_prefix(name.size());
    if (line.empty()) continue;
    if (line.front() != '=') return std::nullopt;
    id.environment[at] = std::string(line.substr(1));
  }

  const std::string_view report = lines[kLines - 2];
  if (!report.starts_with(kReportLabel)) return std::nullopt;
  const std::optional<std::uint64_t> fingerprint = hex_value(report.substr(kReportLabel.size()), 8);
  // The check's fingerprints are odd: nought stands for no report.
  if (!fingerprint || (*fingerprint & 1u) == 0) return std::nullopt;
  answer.report_fingerprint = static_cast<std::uint32_t>(*fingerprint);

  const std::string_view version = lines[kLines - 1];
  if (!version.starts_with(kVersionLabel)) return std::nullopt;
  answer.version_word = version.substr(kVersionLabel.size());
  // Only an accepted toolchain is kept: a version the check refuses is no answer.
  if (!acceptable_version_word(answer.version_word)) return std::nullopt;
  return answer;
}

std::optional<ToolchainAnswer> kept_toolchain_answer(std::string_view base_directory,
                                                     const ToolchainIdentity& identity) {
  std::optional<ToolchainAnswer> answer = parse_toolchain_answer(read_answer(answer_path(base_directory)));
  if (!answer || answer->identity != identity) return std::nullopt;
  return answer;
}

void keep_toolchain_answer(std::string_view base_directory, const ToolchainAnswer& answer) {
  const std::optional<std::string> text = format_toolchain_answer(answer);
  if (!text) return;
  const std::string file = answer_path(base_directory);
  const std::string staging = file + kToolchainAnswerStagingSuffix;
  // On a first run cache\ is not there yet.
  CreateDirectoryA(file.substr(0, file.rfind('\\')).c_str(), nullptr);
  // Whatever is left in the staging name (a link, say) is removed, not
  // written through: the new file is made afresh or not at all.
  platform::remove_file(staging.c_str());
  const HANDLE out = CreateFileA(staging.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const bool whole = WriteFile(out, text->data(), static_cast<DWORD>(text->size()), &written, nullptr) != FALSE &&
                     written == text->size();
  if (CloseHandle(out) == FALSE || !whole ||
      !MoveFileExA(staging.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    platform::remove_file(staging.c_str());
  }
}

}  // namespace zeb::cache
