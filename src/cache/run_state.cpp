#include "cache/run_state.h"

#include <cstring>

namespace zeb::cache {

ExtraArgs extra_args;
std::int32_t program_exit_status = 0;

bool fill_extra_args(int argc, const char* const* argv) {
  extra_args.slots.clear();
  for (int index = 2; index < argc && argv[index] != nullptr; ++index) {
    const std::size_t length = std::strlen(argv[index]);
    if (length >= kExtraArgCapacity) {
      extra_args.slots.clear();
      return false;
    }
    extra_args.slots.emplace_back(argv[index], length);
  }
  return true;
}

}  // namespace zeb::cache
