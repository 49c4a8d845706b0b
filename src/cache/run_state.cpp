#include "cache/run_state.h"


namespace zeb::cache {

ExtraArgs extra_args;
std::int32_t program_exit_status = 0;

void fill_extra_args(int argc, const char* const* argv) {
  extra_args.slots.clear();
  for (int index = 2; index < argc && argv[index] != nullptr; ++index) extra_args.slots.emplace_back(argv[index]);
}

}  // namespace zeb::cache
