// Where a run keeps what it writes: the registry, the capture file, the lock
// file and cache\. Normally beside the executable; for a user who cannot
// write there (an installation shared from a directory only its owner may
// change), in a directory of that user's own.
#pragma once

#include <string>

namespace zeb::driver {

// The directory below the user's data directory (LOCALAPPDATA) that holds a
// user's own state.
inline constexpr const char* kUserStateDirectory = "zeb_c";

// Written to standard error, with the directory, before the result that a
// refused choice gives.
inline constexpr const char* kStateNotCreated = "cannot make a cache directory of this user's own: %s \n";
inline constexpr const char* kStateNotPrivate = "%s is not this user's own: another user owns it or may change it \n";

// What became of the choice: the directory (ending in a backslash), or none;
// when the user's own directory was wanted and could not be used, why, and
// which directory that was.
struct StateChoice {
  enum class Refusal { None, NotCreated, NotPrivate };
  std::string directory;
  Refusal refusal = Refusal::None;
  std::string tried;
};

// The state directory of this run, ending in a backslash, or null when there
// is none: the executable's directory is unknown, or the user's own directory
// is not private to them (state_refusal tells). The installation directory
// when this user can create (or open for writing) its lock file there;
// otherwise LOCALAPPDATA\zeb_c\, created with its parents when missing (the
// last for this user alone), and only when nobody else owns or may change
// it. When that directory cannot be made, or no LOCALAPPDATA is known, the
// installation directory again, so that the commands act there as they always
// have. Chosen on the first call; the rest of the process keeps that choice.
// The text is static.
const char* state_directory();

// For a run of a source: 0 when its state directory is usable; else writes
// to standard error which directory was refused and returns the result: 20 when the user's own
// directory could not be made (or none is known), 29 when it is not private.
// For a command (`for_command`), only the refusal of a directory that is not
// private counts: the commands act on the installation otherwise.
int state_refusal(bool for_command);

// The choice itself, for an installation directory and the user's data
// directory (empty when unknown); exposed for tests.
StateChoice choose_state_directory(const std::string& installation, const std::string& user_data);

}  // namespace zeb::driver
