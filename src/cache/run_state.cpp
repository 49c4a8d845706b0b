#include "cache/run_state.h"

#include <cstring>

namespace zeb::cache {

ExtraArgs extra_args;
std::int32_t program_exit_status = 0;

bool fill_extra_args(int argc, const char* const* argv) {
  for (std::string& slot : extra_args.slots) slot.clear();
  for (std::size_t slot = 0; slot < kExtraArgCount; ++slot) {
    const int index = static_cast<int>(slot) + 2;
    if (argc <= index || argv[index] == nullptr) break;
    const std::size_t length = std::strlen(argv[index]);
    if (length >= kExtraArgCapacity) {
      for (std::string& s : extra_args.slots) s.clear();
      return false;
    }
    extra_args.slots[slot].assign(argv[index], length);
  }
  return true;
}

}  // namespace zeb::cache
