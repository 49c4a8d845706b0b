#include "driver/state_directory.h"

#include <array>

#include "base/strlib/string_primitives.h"
#include "cache/cache_locks.h"
#include "driver/source_path.h"
#include "fsutil/directory_creation.h"
#include "fsutil/path_tests.h"
#include "platform/win32.h"

namespace zeb::driver {
namespace {

// Whether this user can write in `directory`: its lock file, which every run
// opens for writing anyway and which is never deleted, can be opened so or
// created; the open is kept for the run's locks.
bool can_write_in(const std::string& directory) { return cache::open_lock_file(directory); }

std::string user_data_directory() {
  std::array<char, kMaxPathLength + 1> value{};
  const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", value.data(), static_cast<DWORD>(value.size()));
  // Unset, empty or too long to hold a cache below it: unknown.
  if (length == 0 || length >= value.size()) return {};
  return std::string(value.data(), length);
}

}  // namespace

std::string choose_state_directory(const std::string& installation, const std::string& user_data) {
  if (can_write_in(installation) || user_data.empty()) return installation;
  std::string own = user_data;
  strlib::add_trailing_backslash(own);
  own += kUserStateDirectory;
  own += '\\';
  if (!fsutil::is_directory(own.c_str()) && fsutil::create_directory_path(own.c_str()) != 0) return installation;
  return own;
}

const char* state_directory() {
  static bool computed = false;
  static std::string directory;
  if (!computed) {
    computed = true;
    if (const char* installation = exe_directory()) {
      directory = choose_state_directory(installation, user_data_directory());
    }
  }
  return directory.empty() ? nullptr : directory.c_str();
}

}  // namespace zeb::driver
