#include "driver/source_path.h"

#include <algorithm>
#include <array>
#include <optional>

#include "cache/process_runner.h"
#include "base/strlib/path_names.h"
#include "cache/result_codes.h"
#include "platform/portable/path_text.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::driver {

using cache::ArgumentTooLong;
using cache::LeadingBackslash;
using cache::LeadingDot;
using cache::Success;

namespace {

// The stored name of the entry `path` names, from the platform's directory
// search.
bool find_stored_name(const std::string& path, std::string& stored_name) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  // The name array is filled by the platform; never read past its end.
  const char* const begin = found.cFileName;
  const char* const end = std::find(begin, begin + sizeof found.cFileName, '\0');
  stored_name.assign(begin, end);
  FindClose(search);
  return true;
}

}  // namespace

const char* exe_directory() {
  static bool computed = false;
  static bool available = false;
  static std::string directory;
  if (computed) return available ? directory.c_str() : nullptr;
  computed = true;

  const HMODULE module = GetModuleHandleA(nullptr);
  if (module == nullptr) return nullptr;
  std::array<char, kMaxPathLength + 1> file_name{};
  const DWORD length =
      GetModuleFileNameA(module, file_name.data(), static_cast<DWORD>(file_name.size()));
  // A name that filled the buffer was cut by the platform: a cut directory
  // would be some other directory, so it counts as unavailable.
  if (length == 0 || length >= file_name.size()) return nullptr;
  std::string name;
  if (strlib::split_path(file_name.data(), &directory, &name) != 0) {
    directory.clear();
    return nullptr;
  }
  available = true;
  return directory.c_str();
}

int resolve_source_path(std::string& out, const char* argument) {
  const std::string typed = argument != nullptr ? argument : "";
  const char first = typed.empty() ? '\0' : typed[0];
  const char second = typed.size() < 2 ? '\0' : typed[1];
  if (first == '\\' && second != '\\') return LeadingBackslash;
  if (first == '.') return LeadingDot;

  std::string full;
  const bool drive_relative = second == ':' && (typed.size() == 2 || (typed[2] != '\\' && typed[2] != '/'));
  if (drive_relative) {
    // "c:x.zebc" is x.zebc in drive C's current directory; the run changes
    // directory later, which would make it some other file.
    const std::optional<std::string> resolved = platform::full_path(typed);
    if (!resolved) return ArgumentTooLong;
    full = *resolved;
  } else if ((first == '\\' && second == '\\') || second == ':') {
    full = typed;
  } else {
    full = current_directory();
    // Without its anchor a relative name would be taken from wherever the
    // run happens to be later.
    if (full.empty()) return ArgumentTooLong;
    strlib::add_trailing_backslash(full);
    full += typed;
  }
  if (full.size() > kMaxPathLength) return ArgumentTooLong;
  out = full;
  return Success;
}

int normalize_path_case(std::string& path) { return normalize_path_case_with(path, find_stored_name); }

int normalize_path_case_with(std::string& path, const StoredNameLookup& lookup) {
  if (path.size() < 2 || path[1] != ':' || path.size() > kMaxPathLength) return 0;
  // A wildcard would make the look-up report some other entry's name.
  if (path.find_first_of("*?") != std::string::npos) return 0;

  const std::string typed = path;
  std::string rebuilt;
  std::string stored;
  bool found = false;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] != '\\') continue;
    if (i + 1 <= 3) {
      // The drive root keeps the letter as typed.
      rebuilt = typed.substr(0, i + 1);
      continue;
    }
    if (!lookup(typed.substr(0, i), stored)) continue;
    found = true;
    strlib::add_trailing_backslash(rebuilt);
    rebuilt += stored;
    if (rebuilt.size() > kMaxPathLength) return 0;
  }
  if (!found || rebuilt.empty()) return 0;

  strlib::add_trailing_backslash(rebuilt);
  if (!lookup(typed, stored)) return 0;
  rebuilt += stored;
  if (rebuilt.size() > kMaxPathLength) return 0;
  // A look-up that failed on the way left its name out: the rebuilt path
  // would then name some other file. Only the case of each name may change.
  if (!platform::equal_nocase(typed, rebuilt)) return 0;
  // Already the stored names: nothing to rewrite, nothing to measure.
  if (rebuilt == typed) return 0;
  // The same size is the last guard that the rebuilt path names the same file.
  if (cache::file_size(typed.c_str()) != cache::file_size(rebuilt.c_str())) return 0;
  path = rebuilt;
  return 1;
}

}  // namespace zeb::driver
