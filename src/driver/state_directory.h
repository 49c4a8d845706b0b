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

// The state directory of this run, ending in a backslash, or null when the
// executable's directory is unknown. The installation directory when this
// user can create (or open for writing) its lock file there; otherwise
// LOCALAPPDATA\zeb_c\, created with its parents when missing; the
// installation directory again when that cannot be made either, so that the
// run fails there as it always has. Chosen on the first call; the rest of the
// process keeps that choice. The text is static.
const char* state_directory();

// The choice itself, for an installation directory and the user's data
// directory (empty when unknown); exposed for tests.
std::string choose_state_directory(const std::string& installation, const std::string& user_data);

}  // namespace zeb::driver
