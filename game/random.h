// The game's own pseudo-random generator: a 64-bit linear congruential generator whose
// draws are the state's bits 32 to 62, so the same seed always gives the same game.
#pragma once

#include <cstdint>

class TRandom {
 public:
  // The seed fills the lower half of the state; the upper half starts at zero.
  explicit TRandom(std::uint32_t seed) : State(seed) {}

  // Advances the state and answers 0 to 2147483647.
  std::int32_t Draw() {
    State = State * kMultiplier + 1;  // unsigned: wraps modulo 2^64
    return static_cast<std::int32_t>((State >> 32) & 0x7FFFFFFFu);
  }

 private:
  static constexpr std::uint64_t kMultiplier = 0x000015A4'00004E35ull;
  std::uint64_t State;
};
