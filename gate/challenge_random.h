// The challenge's random value. The library keeps its own copy of the C
// runtime's rand() generator (same multiplier, increment and 15-bit output),
// seeded with the time as srand(time) would be: the values are the ones the
// runtime would give, while the host's own srand/rand sequence and its
// per-thread runtime data stay untouched. A generator lives on the check's
// stack, so threads share nothing.
#pragma once

#include <cstdint>

namespace vk {

class ChallengeRandom {
 public:
  explicit ChallengeRandom(std::uint32_t seed) : state_(seed) {}

  // What rand() would return next: 0 to 32767.
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

  // A challenge value is never 0 (the answer divides by it). The generator
  // gives 0 about once in 32768 draws; a few more draws make a zero
  // practically impossible, and the last resort keeps the division defined.
  std::uint32_t nextNonZero() {
    for (int k = 0; k < kDraws; ++k) {
      const int r = next();
      if (r != 0) return static_cast<std::uint32_t>(r);
    }
    return 1u;
  }

 private:
  static constexpr int kDraws = 16;
  std::uint32_t state_;
};

}  // namespace vk
