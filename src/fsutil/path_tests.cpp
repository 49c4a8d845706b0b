#include "fsutil/path_tests.h"

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::fsutil {

namespace {

constexpr const char* kFileNameRule = "the file name has invalid characters | \\ \" > < ? * / or : ";
constexpr const char* kPathRule = "the path has invalid characters | \" > < ?\t* / or :: ";

// The argument as a private copy, or nothing when it is too long to hold.
std::optional<std::string> private_copy(const char* path) {
  const std::string_view text = path != nullptr ? std::string_view(path) : std::string_view();
  if (text.size() > kPathArgumentMaxLength) return std::nullopt;
  return std::string(text);
}

bool absolute_form(const std::string& path) {
  if (path.size() < 2) return false;
  if (path[0] == '\\' && path[1] == '\\') return true;
  const char drive = strlib::fold_to_lower(path[0]);
  return drive >= 'a' && drive <= 'z' && path[1] == ':';
}

// The attributes of an absolute path, or nothing when the path is too long,
// not absolute or cannot be queried.
std::optional<DWORD> absolute_attributes(const char* path) {
  const std::optional<std::string> copy = private_copy(path);
  if (!copy || !absolute_form(*copy)) return std::nullopt;
  const DWORD attributes = GetFileAttributesA(copy->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool is_directory_attribute(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

int count_of(const char* text, const char* character) { return strlib::count_nocase(text, character); }

}  // namespace

int file_exists(const char* path) {
  const std::optional<std::string> copy = private_copy(path);
  if (!copy || copy->empty()) return 0;
  const DWORD attributes = GetFileAttributesA(copy->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  return is_directory_attribute(attributes) ? 0 : 1;
}

int is_directory(const char* path) {
  const std::optional<DWORD> attributes = absolute_attributes(path);
  return attributes && is_directory_attribute(*attributes) ? 1 : 0;
}

int is_file(const char* path) {
  const std::optional<DWORD> attributes = absolute_attributes(path);
  return attributes && !is_directory_attribute(*attributes) && (*attributes & FILE_ATTRIBUTE_DEVICE) == 0 ? 1 : 0;
}

int path_exists(const char* path) { return absolute_attributes(path) ? 1 : 0; }

int is_absolute_path(const char* path) {
  const std::optional<std::string> copy = private_copy(path);
  return copy && absolute_form(*copy) ? 1 : 0;
}

int directory_read_only(const char* path) {
  const std::optional<DWORD> attributes = absolute_attributes(path);
  if (!attributes || !is_directory_attribute(*attributes)) return -1;
  return directory_writable(path) == 1 ? 0 : 1;
}

int directory_writable(const char* directory) {
  std::string probe_directory = directory != nullptr ? directory : "";
  // Refused, like any directory that cannot take a probe file.
  if (probe_directory.size() > kProbeDirectoryMaxLength) return 0;
  strlib::trim_trailing_spaces(probe_directory);
  if (strlib::last_char(probe_directory.c_str()) != '\\') probe_directory += '\\';
  char probe_name[MAX_PATH + 1] = {};
  if (GetTempFileNameA(probe_directory.c_str(), kProbeFilePrefix, 0, probe_name) == 0) return 0;
  DeleteFileA(probe_name);
  return 1;
}

int can_enter_directory(const char* path) {
  // Sized from the platform's own answer, so that a long current directory
  // is still restored exactly.
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  std::string saved(needed, '\0');
  const DWORD length = needed != 0 ? GetCurrentDirectoryA(needed, saved.data()) : 0;
  saved.resize(length < needed ? length : 0);
  // A directory that cannot be read cannot be returned to: the test is not
  // made, so that the process stays where it is.
  if (saved.empty()) return 0;

  const bool entered = path != nullptr && SetCurrentDirectoryA(path) != 0;
  SetCurrentDirectoryA(saved.c_str());
  return entered ? 1 : 0;
}

int invalid_file_name_char(const char* name) {
  if (name == nullptr) return 0;
  if (count_of(name, ":") > 0) return 1;
  const char* const others[] = {"/", "*", "?", "<", ">", "\"", "\\", "|"};
  int result = 2;
  for (const char* character : others) {
    if (count_of(name, character) > 0) return result;
    ++result;
  }
  return 0;
}

int invalid_path_char(const char* path) {
  if (path == nullptr) return 0;
  if (count_of(path, ":") > 1) return 1;
  const char* const others[] = {"/", "*", "?", "<", ">", "\"", "|"};
  int result = 2;
  for (const char* character : others) {
    if (count_of(path, character) > 0) return result;
    ++result;
  }
  return 0;
}

const char* file_name_rule_text() { return kFileNameRule; }

const char* path_rule_text() { return kPathRule; }

}  // namespace zeb::fsutil
