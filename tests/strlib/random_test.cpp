#include "strlib/random.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zeb::strlib {
namespace {

// MT19937 in its classic three-loop form, seeded by x * 69069, to check the
// generator's refills against an independent formulation.
class ReferenceGenerator {
 public:
  explicit ReferenceGenerator(std::uint32_t seed) {
    state_[0] = seed;
    for (std::size_t i = 1; i < kN; ++i) state_[i] = 69069u * state_[i - 1];
  }

  std::uint32_t next() {
    if (index_ >= kN) refill();
    std::uint32_t y = state_[index_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
  }

 private:
  static constexpr std::size_t kN = 624;
  static constexpr std::size_t kM = 397;

  static std::uint32_t twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
    return far ^ (y >> 1) ^ ((y & 1u) * 0x9908b0dfu);
  }

  void refill() {
    std::size_t k = 0;
    for (; k < kN - kM; ++k) state_[k] = twist(state_[k], state_[k + 1], state_[k + kM]);
    for (; k < kN - 1; ++k) state_[k] = twist(state_[k], state_[k + 1], state_[k + kM - kN]);
    state_[kN - 1] = twist(state_[kN - 1], state_[0], state_[kM - 1]);
    index_ = 0;
  }

  std::array<std::uint32_t, kN> state_{};
  std::size_t index_ = kN;
};

// Must run before anything in this program seeds or draws: it is the only
// test that sees the never-seeded generator.
TEST(Random, UnseededSequenceBeginsWithTheDefaultSeed) {
  EXPECT_EQ(random_next(), 3510405877u);
  EXPECT_EQ(random_next(), 4290933890u);
  EXPECT_EQ(random_next(), 2191955339u);
}

TEST(Random, SeedingWithTheDefaultSeedGivesTheSameStart) {
  random_seed(kDefaultRandomSeed);
  EXPECT_EQ(random_next(), 3510405877u);
  EXPECT_EQ(random_next(), 4290933890u);
  EXPECT_EQ(random_next(), 2191955339u);
}

TEST(Random, RefillsMatchTheReferenceAcrossSeveralPasses) {
  for (std::uint32_t seed : {kDefaultRandomSeed, 0u, 1u, 0xFFFFFFFFu, 19650218u}) {
    SCOPED_TRACE(seed);
    random_seed(seed);
    ReferenceGenerator reference(seed);
    for (int i = 0; i < 3 * 624 + 5; ++i) ASSERT_EQ(random_next(), reference.next()) << "output " << i;
  }
}

TEST(Random, ReseedingRestartsTheSequence) {
  random_seed(12345);
  std::vector<std::uint32_t> first;
  for (int i = 0; i < 700; ++i) first.push_back(random_next());
  random_seed(12345);
  for (int i = 0; i < 700; ++i) ASSERT_EQ(random_next(), first[static_cast<std::size_t>(i)]) << i;
  random_seed(12346);
  EXPECT_NE(random_next(), first[0]);
}

TEST(RandomSignedBelow, CarriesTheSignOfTheOutput) {
  for (int bound : {1, 2, 7, 1000, INT_MAX}) {
    SCOPED_TRACE(bound);
    random_seed(777);
    std::vector<std::uint32_t> raw;
    for (int i = 0; i < 2000; ++i) raw.push_back(random_next());
    random_seed(777);
    for (std::uint32_t output : raw) {
      const int value = random_signed_below(bound);
      const auto r = static_cast<std::int32_t>(output);
      ASSERT_GT(value, -bound);
      ASSERT_LT(value, bound);
      if (output < 0x80000000u) {
        ASSERT_GE(value, 0) << output;
      } else {
        ASSERT_LE(value, 0) << output;
      }
      ASSERT_EQ(std::abs(value), std::abs(r % bound)) << output;
    }
  }
}

TEST(RandomSignedBelow, BoundsWithoutValuesGiveZeroAndDrawNothing) {
  random_seed(99);
  const std::uint32_t expected = random_next();
  for (int bound : {0, -1, -5, INT_MIN}) {
    SCOPED_TRACE(bound);
    random_seed(99);
    EXPECT_EQ(random_signed_below(bound), 0);
    EXPECT_EQ(random_next(), expected);
  }
}

}  // namespace
}  // namespace zeb::strlib
