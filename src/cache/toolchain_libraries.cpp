#include "cache/toolchain_libraries.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <unordered_set>

#include "base/strlib/string_primitives.h"
#include "cache/cache_locks.h"
#include "cache/checksum.h"
#include "cache/hex_text.h"
#include "cache/compile_and_run.h"
#include "cache/process_runner.h"
#include "platform/win32.h"

namespace zeb::cache {
namespace {

std::string lower_case(std::string_view text) {
  std::string lower(text);
  strlib::to_lower(lower);
  return lower;
}

// The endings of every name in library_file_names: a directory is searched
// for these only, which in a host's own library directory (on POSIX) is a
// tenth of what it holds.
constexpr std::array<const char*, 3> kLibraryPatterns = {"*.a", "*.lib", "*.dll"};

// Adds the lower-cased names of the files in `directory` that a library may
// be found under to `names`; false when the directory cannot be searched.
bool add_library_files(std::string directory, std::unordered_set<std::string>& names) {
  if (directory.back() != '/' && directory.back() != '\\') directory += '\\';
  bool searched = false;
  for (const char* pattern : kLibraryPatterns) {
    WIN32_FIND_DATAA data{};
    const HANDLE find = FindFirstFileA((directory + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      // An empty answer from a directory that is there still counts.
      searched = searched || GetLastError() == ERROR_FILE_NOT_FOUND;
      continue;
    }
    searched = true;
    do {
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.insert(lower_case(data.cFileName));
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  return searched;
}

// The directory's full path, "\\" between names and at the end, as written
// otherwise: gcc names most places several times, with ".." or either
// separator.
std::string full_directory(const std::string& directory) {
  std::string place = platform::full_path(directory).value_or(directory);
  for (char& c : place) c = c == '/' ? '\\' : c;
  if (place.back() != '\\') place += '\\';
  return place;
}

// The nearest directory above `directory` that is there, and its state;
// nothing when none is (or its state cannot be told). A directory that
// appears below it changes its write time, so while that holds, the absent
// one is still absent, and no search of its parent for some other spelling
// of its name is needed to know it.
std::optional<std::pair<std::string, std::uint64_t>> nearest_present(std::string directory) {
  while (directory.size() > 1) {
    directory.pop_back();
    const std::size_t slash = directory.rfind('\\');
    if (slash == std::string::npos) return std::nullopt;
    directory.resize(slash + 1);
    const std::optional<std::uint64_t> state = directory_state(directory);
    if (!state) return std::nullopt;
    if (*state != LibraryAnswer::kAbsentDirectory) return std::pair(directory, *state);
  }
  return std::nullopt;
}

// At most kSearchDirsReportLimit bytes of a file; empty when it cannot be read.
std::string read_report(const std::string& path) { return read_file_start(path, kSearchDirsReportLimit); }

}  // namespace

std::optional<std::vector<std::string>> library_directories(std::string_view report) {
  for (std::size_t at = 0; at < report.size();) {
    std::size_t end = report.find('\n', at);
    if (end == std::string_view::npos) end = report.size();
    std::string_view line = report.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.starts_with(kLibrariesLabel)) continue;
    line.remove_prefix(kLibrariesLabel.size());
    std::vector<std::string> directories;
    while (!line.empty()) {
      const std::size_t separator = std::min(line.find(';'), line.size());
      if (separator > 0) directories.emplace_back(line.substr(0, separator));
      line.remove_prefix(std::min(separator + 1, line.size()));
    }
    return directories;
  }
  return std::nullopt;
}

std::vector<std::string> library_file_names(std::string_view name) {
  const std::string plain(name);
  return {"lib" + plain + ".dll.a", plain + ".dll.a", "lib" + plain + ".a",
          plain + ".lib",           "lib" + plain + ".dll", plain + ".dll"};
}

std::string library_text(const std::function<bool(std::string_view name)>& present) {
  constexpr std::string_view kOption = " -l";
  const std::string_view all = kCompilerLibraries;
  std::string text;
  for (std::size_t at = all.find(kOption); at != std::string_view::npos;) {
    const std::size_t next = all.find(kOption, at + kOption.size());
    std::string_view option = all.substr(at + 1, (next == std::string_view::npos ? all.size() : next) - at - 1);
    while (!option.empty() && option.back() == ' ') option.remove_suffix(1);
    if (present(option.substr(2))) {
      text += text.empty() ? " " : "  ";
      text += option;
    }
    at = next;
  }
  return text;
}

namespace {

constexpr std::string_view kAnswerHeading = "zeb_c libraries 1";
constexpr std::string_view kKeyLabel = "key ";
constexpr std::string_view kDirectoryLabel = "dir ";
constexpr std::string_view kAbsentWord = "absent";
constexpr std::string_view kTextLabel = "libraries";



std::string environment_value(const char* name) {
  std::string value(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

std::uint64_t now() {
  FILETIME time{};
  GetSystemTimeAsFileTime(&time);
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// The kept answer when it was given for `key` and every directory it
// searched is as it was then.
std::optional<std::string> kept_answer(const std::string& answer_file, std::uint32_t key) {
  const std::optional<LibraryAnswer> answer = parse_library_answer(read_report(answer_file));
  if (!answer || answer->toolchain != key || !is_library_text(answer->text)) return std::nullopt;
  for (const auto& [directory, state] : answer->directories) {
    if (directory_state(directory) != state) return std::nullopt;
  }
  return answer->text;
}

// Replaces the kept answer in one step, so that a compile reading it meanwhile
// sees the old one or the new one. One writer at a time; a failure leaves no
// answer behind rather than a partial one.
void keep_answer(std::string_view base_directory, const std::string& answer_file, const LibraryAnswer& answer) {
  const std::string text = format_library_answer(answer);
  const std::string staging = answer_file + kLibraryAnswerStagingSuffix;
  const CacheLock installation = lock_installation(base_directory);
  // Made anew, never written through whatever has its name.
  platform::remove_file(staging.c_str());
  std::FILE* const out = platform::create_new_stream(staging.c_str());
  if (out == nullptr) return;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !written ||
      !MoveFileExA(staging.c_str(), answer_file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    platform::remove_file(staging.c_str());
  }
}

}  // namespace

bool is_library_text(std::string_view text) {
  // The names it holds, whatever else: the text is library_text's own only
  // when library_text of exactly those names gives it back byte for byte.
  std::unordered_set<std::string> names;
  for (std::size_t at = text.find("-l"); at != std::string_view::npos; at = text.find("-l", at + 2)) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    names.emplace(text.substr(at + 2, end - at - 2));
  }
  return library_text([&names](std::string_view name) { return names.count(std::string(name)) != 0; }) == text;
}

std::string format_library_answer(const LibraryAnswer& answer) {
  std::string text(kAnswerHeading);
  text += "\n";
  text += kKeyLabel;
  text += hex_text(answer.toolchain, 8) + "\n";
  for (const auto& [directory, state] : answer.directories) {
    text += kDirectoryLabel;
    text += state == LibraryAnswer::kAbsentDirectory ? std::string(kAbsentWord) : hex_text(state, 16);
    text += " " + directory + "\n";
  }
  text += kTextLabel;
  text += answer.text + "\n";
  return text;
}

std::optional<LibraryAnswer> parse_library_answer(std::string_view text) {
  LibraryAnswer answer;
  bool key_seen = false;
  std::size_t line_number = 0;
  for (std::size_t at = 0; at < text.size(); ++line_number) {
    const std::size_t end = text.find('\n', at);
    // Every line ends in a line end: a file cut short is no answer.
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line_number == 0) {
      if (line != kAnswerHeading) return std::nullopt;
    } else if (line_number == 1) {
      if (!line.starts_with(kKeyLabel)) return std::nullopt;
      const std::optional<std::uint64_t> key = hex_number(line.substr(kKeyLabel.size()));
      if (!key || *key == 0 || *key > 0xFFFFFFFFu || line.size() != kKeyLabel.size() + 8) return std::nullopt;
      answer.toolchain = static_cast<std::uint32_t>(*key);
      key_seen = true;
    } else if (line.starts_with(kDirectoryLabel)) {
      line.remove_prefix(kDirectoryLabel.size());
      const std::size_t blank = line.find(' ');
      if (blank == std::string_view::npos || blank + 1 == line.size()) return std::nullopt;
      std::optional<std::uint64_t> state = LibraryAnswer::kAbsentDirectory;
      if (line.substr(0, blank) != kAbsentWord) {
        if (blank != 16) return std::nullopt;
        state = hex_number(line.substr(0, blank));
      }
      if (!state) return std::nullopt;
      answer.directories.emplace_back(std::string(line.substr(blank + 1)), *state);
    } else if (line.starts_with(kTextLabel) && at == text.size()) {
      answer.text = line.substr(kTextLabel.size());
      if (!answer.text.empty() && answer.text.front() != ' ') return std::nullopt;
      return key_seen ? std::optional<LibraryAnswer>(std::move(answer)) : std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<std::uint64_t> directory_state(const std::string& directory) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(directory.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return LibraryAnswer::kAbsentDirectory;
    return std::nullopt;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return std::nullopt;
  // A file where a directory is named is as good as none, and changes its time too.
  return static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
         data.ftLastWriteTime.dwLowDateTime;
}

std::uint32_t library_question_key(std::uint32_t report_fingerprint) {
  if (report_fingerprint == 0) return 0;
  std::string question = hex_text(report_fingerprint, 8);
  for (const char* name : {"LIBRARY_PATH", "GCC_EXEC_PREFIX"}) {
    question += '\0';
    question += environment_value(name);
  }
  question += '\0';
  question += kCompilerLibraries;
  const std::uint32_t key = crc32_update(0, question.data(), static_cast<std::uint32_t>(question.size()));
  return key == 0 ? 1 : key;
}

std::string toolchain_library_text(const std::string& capture_file, std::string_view base_directory,
                                   std::uint32_t question_key) {
  const bool keeping = !base_directory.empty() && question_key != 0;
  std::string answer_file;
  if (keeping) {
    answer_file = std::string(base_directory);
    if (answer_file.back() != '\\') answer_file += '\\';
    answer_file += kLibraryAnswerFile;
    if (std::optional<std::string> kept = kept_answer(answer_file, question_key)) return *std::move(kept);
  }

  const std::string every_library = kCompilerLibraries;
  platform::remove_file(capture_file.c_str());
  std::int32_t started = 0;
  bool captured = true;
  std::fflush(stdout);
  std::fflush(stderr);
  const std::uint32_t status = run_captured(kSearchDirsCommand, nullptr, &started, capture_file.c_str(), &captured);
  const std::string report = started != 0 && captured && status == 0 ? read_report(capture_file) : std::string();
  platform::remove_file(capture_file.c_str());
  const std::optional<std::vector<std::string>> directories = library_directories(report);
  if (!directories) return every_library;

  LibraryAnswer answer;
  answer.toolchain = question_key;
  bool trusted = keeping;
  std::unordered_set<std::string> files, places;
  bool listed = false;
  for (const std::string& directory : *directories) {
    const std::string place = full_directory(directory);
    if (!places.insert(lower_case(place)).second) continue;
    // Taken before the search: a change during it shows at the next compile.
    std::optional<std::uint64_t> state = directory_state(place);
    const bool searched = add_library_files(directory, files);
    listed = listed || searched;
    if (!state || (!searched && *state != LibraryAnswer::kAbsentDirectory)) trusted = false;
    if (!state) continue;
    std::pair<std::string, std::uint64_t> recorded(place, *state);
    if (*state == LibraryAnswer::kAbsentDirectory) recorded = nearest_present(place).value_or(recorded);
    if (std::find(answer.directories.begin(), answer.directories.end(), recorded) == answer.directories.end()) {
      answer.directories.push_back(std::move(recorded));
    }
  }
  if (!listed) return every_library;
  answer.text = library_text([&files](std::string_view name) {
    for (const std::string& file : library_file_names(lower_case(name))) {
      if (files.count(file) != 0) return true;
    }
    return false;
  });
  const std::uint64_t settled_before = now() - kSettleTime;
  for (const auto& [place, state] : answer.directories) {
    if (state != LibraryAnswer::kAbsentDirectory && state > settled_before) trusted = false;
  }
  if (trusted) keep_answer(base_directory, answer_file, answer);
  return answer.text;
}

}  // namespace zeb::cache
