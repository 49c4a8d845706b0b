// MT19937: 624 words of state regenerated in one pass every 624 outputs,
// each output tempered on the way out.
#include "base/strlib/random.h"

#include <array>
#include <cstdlib>

namespace zeb::strlib {

namespace {

constexpr std::size_t kWords = 624;
constexpr std::size_t kShift = 397;
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7fffffffu;
constexpr std::uint32_t kTwist = 0x9908b0dfu;
constexpr std::uint32_t kSeedMultiplier = 69069u;
// kWords means every word has been used; one more marks a generator that
// was never seeded.
constexpr std::size_t kNeverSeeded = kWords + 1;

std::array<std::uint32_t, kWords> words;
std::size_t next_index = kNeverSeeded;

void regenerate() {
  // In place and in increasing order: words regenerated earlier in the pass
  // are read as they now stand.
  for (std::size_t k = 0; k < kWords; ++k) {
    const std::uint32_t y = (words[k] & kUpperMask) | (words[(k + 1) % kWords] & kLowerMask);
    words[k] = words[(k + kShift) % kWords] ^ (y >> 1) ^ ((y & 1u) != 0 ? kTwist : 0u);
  }
}

}  // namespace

void random_seed(std::uint32_t seed) {
  words[0] = seed;
  for (std::size_t i = 1; i < kWords; ++i) words[i] = kSeedMultiplier * words[i - 1];
  next_index = kWords;
}

std::uint32_t random_next() {
  if (next_index >= kWords) {
    if (next_index == kNeverSeeded) random_seed(kDefaultRandomSeed);
    regenerate();
    next_index = 0;
  }
  std::uint32_t y = words[next_index++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680u;
  y ^= (y << 15) & 0xefc60000u;
  y ^= y >> 18;
  return y;
}

int random_signed_below(int n) {
  if (n <= 0) return 0;
  const auto r = static_cast<std::int32_t>(random_next());
  // |r % n| < n, so neither the remainder nor its magnitude can overflow.
  const int magnitude = std::abs(r % n);
  return r > 0 ? magnitude : -magnitude;
}

}  // namespace zeb::strlib
