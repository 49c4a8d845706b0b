// The commands and the registry of the installation zeb_c runs from: the
// cache's own operations, for this run's state directory (state_directory.h).
#pragma once

#include <string>

namespace zeb::driver {

// Performs the command named by argv[1] ("/flush", "/version",
// "/cachedfiles", compared exactly, case included) and returns 1; returns 0,
// doing nothing, for any other argv[1] or when there is none. The commands
// that use the registry work on it in the state directory (and do nothing
// when that is unknown).
int handle_command(int argc, const char* const* argv);

// cache::cache_registry_in for the state directory: `mode` is one of
// cache::kRegistryRegister, kRegistryFlush, kRegistryList; `path` is
// lower-cased in place when given. cache::kRegistryUnavailable when the
// state directory is unknown.
int cache_registry(int mode, std::string* path);

}  // namespace zeb::driver
