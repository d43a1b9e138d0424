// The state of one game and the rules that change it, free of any window: the game
// window derives from TGameRules and turns the hooks into drawing, timer and menu calls.
#pragma once

#include <array>
#include <cstdint>

#include "game/random.h"

struct THole {
  std::int32_t Time = 0;  // last tick on which the critter is still up; 0 = empty hole
  bool Dead = false;      // hit; meaningful only while Time is not 0
};

struct THoleOrigin {
  int X;
  int Y;
};

// Top-left corners of the holes' 72 x 72 target squares, in client pixels.
inline constexpr std::array<THoleOrigin, 5> HoleOrigins{{
    {10, 10},
    {200, 10},
    {100, 100},
    {10, 200},
    {200, 200},
}};

inline constexpr int HoleSize = 72;

class TGameRules {
 public:
  explicit TGameRules(std::uint32_t seed);
  virtual ~TGameRules() = default;

  void NewGame();
  void StopGame();
  void PauseOrContinue();
  void Tick();
  void Swing(int x, int y);

  bool NewEnabled() const { return GameOver; }
  bool OptionsEnabled() const { return GameOver; }
  bool StopEnabled() const { return !GameOver && !Paused; }

  // Counters are 32-bit and wrap around modulo 2^32 rather than overflow.
  std::array<THole, 5> Holes{};
  std::int32_t Ticks = 0;
  std::int32_t Score = 0;
  std::int32_t LiveTime = 10;
  std::int32_t SpawnRange = 20;
  std::int32_t GameTime = 150;
  std::int32_t Hits = 0;
  std::int32_t Misses = 0;
  std::int32_t Escaped = 0;
  bool GameOver = true;
  bool Paused = false;

 protected:
  // Told at the exact step of each operation at which the change happens.
  virtual void HoleChanged(int /*index*/) {}
  virtual void PanelChanged() {}
  virtual void StartClock() {}
  virtual void StopClock() {}
  virtual void SetPauseItem(const char* /*text*/, bool /*grayed*/) {}
  virtual void InvalidateAll() {}  // the whole window, background erased

 private:
  TRandom Random;
};
