#include "cache/toolchain_libraries.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <unordered_set>

#include "base/strlib/string_primitives.h"
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

// The directory as one text per place, whatever ".." or separators it was
// written with: gcc names most places several times.
std::string place_of(const std::string& directory) {
  std::array<char, MAX_PATH + 1> full{};
  const DWORD length = GetFullPathNameA(directory.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  std::string place = length > 0 && length < full.size() ? std::string(full.data(), length) : directory;
  for (char& c : place) c = c == '/' ? '\\' : c;
  if (place.back() != '\\') place += '\\';
  return lower_case(place);
}

// At most kSearchDirsReportLimit bytes of a file; empty when it cannot be read.
std::string read_report(const std::string& path) {
  std::FILE* raw = platform::open_stream(path.c_str(), "rb");
  if (raw == nullptr) return {};
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(raw, std::fclose);
  std::string report(kSearchDirsReportLimit, '\0');
  report.resize(std::fread(report.data(), 1, report.size(), in.get()));
  return report;
}

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

std::string toolchain_library_text(const std::string& capture_file) {
  const std::string every_library = kCompilerLibraries;
  platform::remove_file(capture_file.c_str());
  std::int32_t started = 0;
  bool captured = true;
  std::fflush(stdout);
  const std::uint32_t status = run_captured(kSearchDirsCommand, nullptr, &started, capture_file.c_str(), &captured);
  const std::string report = started != 0 && captured && status == 0 ? read_report(capture_file) : std::string();
  platform::remove_file(capture_file.c_str());
  const std::optional<std::vector<std::string>> directories = library_directories(report);
  if (!directories) return every_library;

  std::unordered_set<std::string> files, places;
  bool listed = false;
  for (const std::string& directory : *directories) {
    if (places.insert(place_of(directory)).second) listed = add_library_files(directory, files) || listed;
  }
  if (!listed) return every_library;
  return library_text([&files](std::string_view name) {
    for (const std::string& file : library_file_names(lower_case(name))) {
      if (files.count(file) != 0) return true;
    }
    return false;
  });
}

}  // namespace zeb::cache
