// The library's pseudo-random generator: MT19937 (Matsumoto and Nishimura)
// with its original seeding by the linear congruence x * 69069, which gives
// other sequences than std::mt19937 seeded with the same number. One
// process-wide generator; not synchronised.
#pragma once

#include <cstdint>

namespace zeb::strlib {

// The seed used when random_next runs before any random_seed.
inline constexpr std::uint32_t kDefaultRandomSeed = 4357;

// Restarts the sequence from `seed`.
void random_seed(std::uint32_t seed);

// The next 32-bit output. Unseeded, the sequence begins 3510405877,
// 4290933890, 2191955339 (seed kDefaultRandomSeed).
std::uint32_t random_next();

// A value strictly between -n and n: |r mod n| for the next output r read
// as a signed 32-bit value, negated unless r > 0; so it is never negative
// for outputs below 2^31 and never positive for the others. For n <= 0
// there is no such value: returns 0 without drawing an output.
int random_signed_below(int n);

}  // namespace zeb::strlib
