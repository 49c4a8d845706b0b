// State that one run shares between the driver and the compile pipeline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zeb::cache {

// Each extra argument fits a 300-byte slot: 299 characters and the terminator
// of the original fixed slots. Longer arguments are refused, never cut.
inline constexpr std::size_t kExtraArgCapacity = 300;

// Every argument after the source (argv[2] on), in order; an empty one is
// skipped when the compiled program's command line is built.
struct ExtraArgs {
  std::vector<std::string> slots;
};

extern ExtraArgs extra_args;

// The compiled program's exit status, returned by `main` on success.
extern std::int32_t program_exit_status;

// Clears the slots and copies argv[2] onwards into them. Returns false, with
// every slot cleared, when an argument does not fit its slot.
bool fill_extra_args(int argc, const char* const* argv);

}  // namespace zeb::cache
