// State that one run shares between the driver and the compile pipeline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeb::cache {

// Every argument after the source (argv[2] on), in order; an empty one is
// skipped when the compiled program's command line is built.
struct ExtraArgs {
  std::vector<std::string> slots;
};

extern ExtraArgs extra_args;

// The compiled program's exit status, returned by `main` on success.
extern std::int32_t program_exit_status;

// Clears the slots and copies argv[2] onwards into them, whatever their
// length: the only limit is that of the program's whole command line
// (kMaxCommandLine, compile_and_run.h).
void fill_extra_args(int argc, const char* const* argv);

}  // namespace zeb::cache
