#include "game/rules.h"

namespace {

// Two's complement sum modulo 2^32: the conversion back to signed is well defined.
std::int32_t Add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

TGameRules::TGameRules(std::uint32_t seed) : Random(seed) {}

void TGameRules::NewGame() {
  SetPauseItem("&Pause", false);
  InvalidateAll();
  StartClock();
  Holes.fill(THole{});
  Ticks = 0;
  Score = 0;
  Hits = 0;
  Misses = 0;
  Escaped = 0;
  GameOver = false;
  if (Paused) {
    Paused = false;
    SetPauseItem("&Pause", false);
  }
}

void TGameRules::StopGame() {
  StopClock();
  SetPauseItem("&Pause", true);
  Paused = false;
  GameOver = true;
  InvalidateAll();
  Ticks = GameTime;
}

void TGameRules::PauseOrContinue() {
  if (GameOver) return;
  if (Paused) {
    Paused = false;
    SetPauseItem("&Pause", false);
    StartClock();
  } else {
    Paused = true;
    StopClock();
    SetPauseItem("&Continue", false);
  }
}

void TGameRules::Tick() {
  Ticks = Add(Ticks, 1);

  // A draw is never negative, so r is 0 or more whatever the sign of SpawnRange.
  const std::int32_t r = SpawnRange != 0 ? Random.Draw() % SpawnRange : 0;
  if (r < 5 && Holes[r].Time == 0) {
    Holes[r].Time = Add(Ticks, LiveTime);
    Holes[r].Dead = false;
    HoleChanged(r);
  }

  for (int i = 0; i < 5; ++i) {
    THole& hole = Holes[i];
    if (hole.Time != 0 && hole.Time < Ticks) {
      hole.Time = 0;
      if (!hole.Dead) {
        Score = Add(Score, -1);
        Escaped = Add(Escaped, 1);
      }
      HoleChanged(i);
    }
  }

  PanelChanged();
  if (Ticks >= GameTime) StopGame();
}

void TGameRules::Swing(int x, int y) {
  if (GameOver || Paused) return;

  bool hit = false;
  for (int i = 0; i < 5; ++i) {
    THole& hole = Holes[i];
    // Compared in 64 bits so that no point, however far off, overflows the test.
    const long long dx = static_cast<long long>(x) - HoleOrigins[i].X;
    const long long dy = static_cast<long long>(y) - HoleOrigins[i].Y;
    if (hole.Time != 0 && !hole.Dead && dx >= 0 && dx < HoleSize && dy >= 0 && dy < HoleSize) {
      Score = Add(Score, 5);
      hole.Dead = true;
      hole.Time = Add(Ticks, Add(LiveTime, LiveTime));
      Hits = Add(Hits, 1);
      hit = true;
      HoleChanged(i);
    }
  }
  if (!hit) {
    Score = Add(Score, -2);
    Misses = Add(Misses, 1);
  }
  PanelChanged();
}
