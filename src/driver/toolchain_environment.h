// The process's PATH, extended once so that every child process finds the
// toolchain beside the executable before any other copy on the machine.
#pragma once

#include <cstddef>

namespace zeb::driver {

// The PATH value is read into a buffer of this many bytes: a value of more
// than kPathValueCapacity - 1 characters does not fit.
inline constexpr std::size_t kPathValueCapacity = 100000;

// The toolchain's directory below the executable directory.
inline constexpr const char* kToolchainSubdirectory = "mingw\\bin\\";

// The value of PATH in one static buffer, refilled on every call (valid until
// the next one); empty when PATH is unset, empty, or does not fit
// kPathValueCapacity.
const char* read_path_variable();

// On its first call only, puts the executable directory followed by
// kToolchainSubdirectory and ";" in front of the process's PATH
// (C:\tools\mingw\bin\;C:\Windows\system32 for C:\tools\ and
// C:\Windows\system32). PATH is left as it is when the executable directory
// is unavailable, when the working text cannot be allocated, or when the
// current value does not fit kPathValueCapacity (it would otherwise be lost).
// Failures are not reported: the toolchain check then fails its own way.
// Always returns 0.
int prepare_toolchain_environment();

}  // namespace zeb::driver
