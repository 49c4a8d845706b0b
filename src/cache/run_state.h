// State that one run shares between the driver and the compile pipeline.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zeb::cache {

// Each extra argument fits a 300-byte slot: 299 characters and the terminator
// of the original fixed slots. Longer arguments are refused, never cut.
inline constexpr std::size_t kExtraArgCapacity = 300;
inline constexpr std::size_t kExtraArgCount = 4;

// The four extra arguments (argv[2] to argv[5]); an empty slot is skipped
// when the compiled program's command line is built.
struct ExtraArgs {
  std::array<std::string, kExtraArgCount> slots;
};

extern ExtraArgs extra_args;

// The compiled program's exit status, returned by `main` on success.
extern std::int32_t program_exit_status;

// Clears the slots and copies argv[2] to argv[5] into them (missing or empty
// arguments leave their slot empty; later arguments are ignored). Returns
// false, with every slot cleared, when an argument does not fit its slot.
bool fill_extra_args(int argc, const char* const* argv);

}  // namespace zeb::cache
