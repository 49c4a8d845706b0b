#include "driver/state_directory.h"

#include <array>
#include <cstdio>

#include "base/strlib/string_primitives.h"
#include "cache/cache_locks.h"
#include "cache/result_codes.h"
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

StateChoice choose_state_directory(const std::string& installation, const std::string& user_data) {
  if (can_write_in(installation)) return {installation, StateChoice::Refusal::None, {}};
  if (user_data.empty()) return {installation, StateChoice::Refusal::NotCreated, installation};
  std::string parent = user_data;
  strlib::add_trailing_backslash(parent);
  const std::string own = parent + kUserStateDirectory + '\\';
  if (!fsutil::is_directory(own.c_str())) {
    // The directories above are the user's as they come; the last, which
    // holds what zeb_c runs, is made for this user alone.
    const bool made = (fsutil::is_directory(parent.c_str()) || fsutil::create_directory_path(parent.c_str()) == 0) &&
                      platform::create_private_directory(own.substr(0, own.size() - 1).c_str());
    if (!made && !fsutil::is_directory(own.c_str())) {
      return {installation, StateChoice::Refusal::NotCreated, own};
    }
  }
  // Made by another user first, or opened to others: what it holds could be
  // anybody's program, stamped to pass for the user's own.
  if (!platform::is_private_directory(own.c_str())) return {"", StateChoice::Refusal::NotPrivate, own};
  return {own, StateChoice::Refusal::None, {}};
}

namespace {

const StateChoice& state_choice() {
  static bool computed = false;
  static StateChoice choice;
  if (!computed) {
    computed = true;
    if (const char* installation = exe_directory()) choice = choose_state_directory(installation, user_data_directory());
  }
  return choice;
}

}  // namespace

const char* state_directory() {
  const StateChoice& choice = state_choice();
  return choice.directory.empty() ? nullptr : choice.directory.c_str();
}

int state_refusal(bool for_command) {
  const StateChoice& choice = state_choice();
  if (choice.refusal == StateChoice::Refusal::NotPrivate) {
    std::fprintf(stderr, kStateNotPrivate, choice.tried.c_str());
    return cache::StateDirectoryNotPrivate;
  }
  if (choice.refusal == StateChoice::Refusal::NotCreated && !for_command) {
    std::fprintf(stderr, kStateNotCreated, choice.tried.c_str());
    return cache::CaptureFileUnopenable;
  }
  return 0;
}

}  // namespace zeb::driver
