#include "driver/commands.h"

#include "cache/cache_registry.h"
#include "driver/state_directory.h"

namespace zeb::driver {

int handle_command(int argc, const char* const* argv) {
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return 0;
  return cache::run_command(argv[1], [] { return state_directory(); });
}

int cache_registry(int mode, std::string* path) {
  return cache::registry_at(state_directory(), mode, path);
}

}  // namespace zeb::driver
