#include "game/rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// Records every hook in order, with the pieces of state a window would read at that point.
class TRecorder : public TGameRules {
 public:
  explicit TRecorder(std::uint32_t seed = 1) : TGameRules(seed) {}
  Log Calls;

  Log Take() {
    Log out;
    out.swap(Calls);
    return out;
  }

 protected:
  void HoleChanged(int index) override { Calls.push_back("hole " + std::to_string(index)); }
  void PanelChanged() override { Calls.push_back("panel"); }
  void StartClock() override { Calls.push_back("start"); }
  void StopClock() override { Calls.push_back("stop"); }
  void SetPauseItem(const char* text, bool grayed) override {
    Calls.push_back(std::string(text) + (grayed ? " grayed" : " enabled"));
  }
  void InvalidateAll() override {
    Calls.push_back(GameOver ? "invalidate over" : "invalidate running");
  }
};

// A running game with no random spawns, so tests place critters themselves.
TRecorder Running() {
  TRecorder g;
  g.SpawnRange = INT32_MAX;  // a draw below 5 is vanishingly rare: fixed seed, checked below
  g.NewGame();
  g.Take();
  return g;
}

TEST(Rules, ConstructionIsTheOverState) {
  TRecorder g;
  EXPECT_EQ(g.Ticks, 0);
  EXPECT_EQ(g.Score, 0);
  EXPECT_EQ(g.LiveTime, 10);
  EXPECT_EQ(g.SpawnRange, 20);
  EXPECT_EQ(g.GameTime, 150);
  EXPECT_EQ(g.Hits + g.Misses + g.Escaped, 0);
  EXPECT_TRUE(g.GameOver);
  EXPECT_FALSE(g.Paused);
  EXPECT_TRUE(g.NewEnabled());
  EXPECT_TRUE(g.OptionsEnabled());
  EXPECT_FALSE(g.StopEnabled());
  EXPECT_TRUE(g.Calls.empty());
}

TEST(Rules, HoleOriginsAndSquaresDoNotOverlap) {
  const THoleOrigin expected[5] = {{10, 10}, {200, 10}, {100, 100}, {10, 200}, {200, 200}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(HoleOrigins[i].X, expected[i].X);
    EXPECT_EQ(HoleOrigins[i].Y, expected[i].Y);
    for (int j = i + 1; j < 5; ++j) {
      const bool apart = HoleOrigins[i].X + HoleSize <= HoleOrigins[j].X ||
                         HoleOrigins[j].X + HoleSize <= HoleOrigins[i].X ||
                         HoleOrigins[i].Y + HoleSize <= HoleOrigins[j].Y ||
                         HoleOrigins[j].Y + HoleSize <= HoleOrigins[i].Y;
      EXPECT_TRUE(apart) << i << " and " << j;
    }
  }
}

TEST(Rules, NewGameTellsItsStepsInOrderAndKeepsTheSettings) {
  TRecorder g;
  g.LiveTime = 3;
  g.SpawnRange = 7;
  g.GameTime = 40;
  g.Score = -9;
  g.Hits = 4;
  g.Holes[2] = {12, true};
  g.NewGame();
  // The window is invalidated and the clock started before the state is reset.
  EXPECT_EQ(g.Take(), (Log{"&Pause enabled", "invalidate over", "start"}));
  EXPECT_FALSE(g.GameOver);
  EXPECT_EQ(g.Score, 0);
  EXPECT_EQ(g.Hits, 0);
  EXPECT_EQ(g.Holes[2].Time, 0);
  EXPECT_FALSE(g.Holes[2].Dead);
  EXPECT_EQ(g.LiveTime, 3);
  EXPECT_EQ(g.SpawnRange, 7);
  EXPECT_EQ(g.GameTime, 40);
}

TEST(Rules, NewGameWhilePausedStartsUnpaused) {
  TRecorder g;
  g.NewGame();
  g.PauseOrContinue();
  g.Take();
  g.NewGame();
  EXPECT_EQ(g.Take(), (Log{"&Pause enabled", "invalidate running", "start", "&Pause enabled"}));
  EXPECT_FALSE(g.Paused);
  EXPECT_TRUE(g.StopEnabled());
}

TEST(Rules, PauseAndContinue) {
  TRecorder g;
  g.PauseOrContinue();  // no game: nothing at all
  EXPECT_TRUE(g.Calls.empty());
  EXPECT_FALSE(g.Paused);

  g.NewGame();
  g.Take();
  EXPECT_FALSE(g.NewEnabled());
  EXPECT_FALSE(g.OptionsEnabled());
  EXPECT_TRUE(g.StopEnabled());

  g.PauseOrContinue();
  EXPECT_EQ(g.Take(), (Log{"stop", "&Continue enabled"}));
  EXPECT_TRUE(g.Paused);
  EXPECT_FALSE(g.NewEnabled());
  EXPECT_FALSE(g.OptionsEnabled());
  EXPECT_FALSE(g.StopEnabled());  // a paused game is continued before it can be stopped

  g.PauseOrContinue();
  EXPECT_EQ(g.Take(), (Log{"&Pause enabled", "start"}));
  EXPECT_FALSE(g.Paused);
}

TEST(Rules, StopEndsTheGameAndShowsNoTimeLeft) {
  TRecorder g = Running();
  g.Holes[1] = {g.Ticks + 5, false};  // a critter still up counts no escape
  g.Score = 7;
  g.Ticks = 20;
  g.PauseOrContinue();
  g.Take();
  g.StopGame();
  EXPECT_EQ(g.Take(), (Log{"stop", "&Pause grayed", "invalidate over"}));
  EXPECT_TRUE(g.GameOver);
  EXPECT_FALSE(g.Paused);
  EXPECT_EQ(g.Ticks, g.GameTime);
  EXPECT_EQ(g.Escaped, 0);
  EXPECT_EQ(g.Score, 7);
  EXPECT_EQ(g.Holes[1].Time, 5);  // holes are left as they were
}

// With SpawnRange 1 every draw names hole 0.
TEST(Rules, SpawnEscapeAndLifetime) {
  TRecorder g;
  g.SpawnRange = 1;
  g.LiveTime = 1;
  g.NewGame();
  g.Take();

  g.Tick();  // comes up: up during ticks 1 and 2
  EXPECT_EQ(g.Take(), (Log{"hole 0", "panel"}));
  EXPECT_EQ(g.Holes[0].Time, 2);
  EXPECT_FALSE(g.Holes[0].Dead);

  g.Tick();  // the same hole drawn again while occupied: nothing comes up, no second draw
  EXPECT_EQ(g.Take(), (Log{"panel"}));
  EXPECT_EQ(g.Holes[0].Time, 2);

  g.Tick();  // the spawn step sees the hole still occupied, then it empties
  EXPECT_EQ(g.Take(), (Log{"hole 0", "panel"}));
  EXPECT_EQ(g.Holes[0].Time, 0);
  EXPECT_EQ(g.Escaped, 1);
  EXPECT_EQ(g.Score, -1);

  g.Tick();
  EXPECT_EQ(g.Take(), (Log{"hole 0", "panel"}));
  EXPECT_EQ(g.Holes[0].Time, 5);
}

TEST(Rules, SpawnClearsTheDeadFlagAndZeroRangeNamesHoleZero) {
  TRecorder g;
  g.NewGame();
  g.SpawnRange = 0;  // no draw at all; r is 0
  g.Holes[0] = {0, true};
  g.Tick();
  EXPECT_EQ(g.Holes[0].Time, 1 + g.LiveTime);
  EXPECT_FALSE(g.Holes[0].Dead);
}

TEST(Rules, HitDeadCritterEmptyingCountsNoEscape) {
  TRecorder g = Running();
  g.Ticks = 4;
  g.Holes[3] = {6, false};
  g.Swing(HoleOrigins[3].X + 1, HoleOrigins[3].Y + 1);
  EXPECT_EQ(g.Take(), (Log{"hole 3", "panel"}));
  EXPECT_EQ(g.Holes[3].Time, 4 + 2 * g.LiveTime);  // shown dead for twice the live time
  for (int t = 0; t < 2 * g.LiveTime + 1; ++t) g.Tick();
  EXPECT_EQ(g.Holes[3].Time, 0);
  EXPECT_EQ(g.Escaped, 0);
  EXPECT_EQ(g.Score, 5);
  EXPECT_EQ(g.Hits, 1);
}

TEST(Rules, SwingSquareEdgesAndMisses) {
  struct Case {
    int dx, dy;
    bool hit;
  };
  const Case cases[] = {{0, 0, true},   {71, 71, true},  {72, 0, false},
                        {0, 72, false}, {-1, 30, false}, {30, -1, false}};
  for (int hole = 0; hole < 5; ++hole) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "hole " << hole << " at +" << c.dx << ",+" << c.dy);
      TRecorder g = Running();
      g.Holes[hole] = {8, false};
      g.Swing(HoleOrigins[hole].X + c.dx, HoleOrigins[hole].Y + c.dy);
      EXPECT_EQ(g.Holes[hole].Dead, c.hit);
      EXPECT_EQ(g.Score, c.hit ? 5 : -2);
      EXPECT_EQ(g.Hits, c.hit ? 1 : 0);
      EXPECT_EQ(g.Misses, c.hit ? 0 : 1);
      EXPECT_EQ(g.Take(), c.hit ? (Log{"hole " + std::to_string(hole), "panel"}) : (Log{"panel"}));
    }
  }
}

TEST(Rules, SwingAtDeadOrEmptyHoleIsAMissAndScoreGoesNegative) {
  TRecorder g = Running();
  g.Holes[2] = {9, true};
  g.Swing(120, 120);  // dead critter
  g.Swing(20, 20);    // empty hole
  g.Swing(-5, 1000);  // off the board
  EXPECT_EQ(g.Score, -6);
  EXPECT_EQ(g.Misses, 3);
  EXPECT_EQ(g.Hits, 0);
  EXPECT_EQ(g.Holes[2].Time, 9);
}

TEST(Rules, SwingsOutsideRunningChangeNothing) {
  TRecorder over;
  over.Holes[0] = {5, false};
  over.Swing(20, 20);
  EXPECT_TRUE(over.Calls.empty());
  EXPECT_EQ(over.Score, 0);
  EXPECT_FALSE(over.Holes[0].Dead);

  TRecorder paused = Running();
  paused.Holes[0] = {5, false};
  paused.PauseOrContinue();
  paused.Take();
  paused.Swing(20, 20);
  paused.Swing(500, 500);
  EXPECT_TRUE(paused.Calls.empty());
  EXPECT_EQ(paused.Score, 0);
  EXPECT_EQ(paused.Misses, 0);
}

TEST(Rules, GameEndsOnTheTickThatReachesGameTime) {
  TRecorder g = Running();
  g.GameTime = 3;
  g.Tick();
  g.Tick();
  g.Holes[4] = {10, false};
  g.Swing(HoleOrigins[4].X, HoleOrigins[4].Y);  // before the last tick: counts
  EXPECT_EQ(g.Hits, 1);
  g.Take();
  g.Tick();
  // The last tick still runs its spawn, escapes and panel before the game stops.
  EXPECT_EQ(g.Take(), (Log{"panel", "stop", "&Pause grayed", "invalidate over"}));
  EXPECT_TRUE(g.GameOver);
  EXPECT_EQ(g.Ticks, 3);
  g.Swing(HoleOrigins[4].X, HoleOrigins[4].Y);  // after it: nothing
  EXPECT_EQ(g.Misses, 0);
  EXPECT_EQ(g.Score, 5);
}

// The whole default game for seed 12345, against an independent model of the rules
// written with arbitrary-precision integers: 18 critters come up, 17 escape, and the one
// that came up at tick 140 is still up when the game ends.
TEST(Rules, WholeDefaultGameMatchesTheModel) {
  TRecorder g(12345);
  g.NewGame();
  g.Take();
  std::vector<std::pair<int, int>> spawns;
  int ticks = 0;
  while (!g.GameOver) {
    const std::int32_t before[5] = {g.Holes[0].Time, g.Holes[1].Time, g.Holes[2].Time,
                                    g.Holes[3].Time, g.Holes[4].Time};
    g.Tick();
    ++ticks;
    for (int i = 0; i < 5; ++i) {
      if (before[i] == 0 && g.Holes[i].Time != 0) spawns.emplace_back(g.Ticks, i);
    }
    ASSERT_LE(ticks, 150);
  }
  EXPECT_EQ(ticks, 150);
  ASSERT_EQ(spawns.size(), 18u);
  using Spawns = std::vector<std::pair<int, int>>;
  const Spawns first = {{1, 0}, {19, 2}, {20, 3}, {24, 1}, {25, 4}, {29, 0}};
  EXPECT_EQ(Spawns(spawns.begin(), spawns.begin() + 6), first);
  EXPECT_EQ(g.Escaped, 17);
  EXPECT_EQ(g.Score, -17);
  EXPECT_EQ(g.Holes[2].Time, 150);
  EXPECT_EQ(g.Ticks, 150);
}

TEST(Rules, NoSpawnsWithAHugeRangeForTheFixedSeed) {
  TRecorder g = Running();
  for (int t = 0; t < 300; ++t) g.Tick();
  for (const THole& h : g.Holes) EXPECT_EQ(h.Time, 0);
}

// Counters are plain 32-bit values that wrap around; none of this may overflow (the
// sanitized build aborts on a signed overflow).
TEST(Rules, CountersWrapAroundInsteadOfOverflowing) {
  TRecorder g = Running();
  g.Score = INT32_MAX;
  g.Hits = INT32_MAX;
  g.Holes[0] = {5, false};
  g.Swing(HoleOrigins[0].X, HoleOrigins[0].Y);
  EXPECT_EQ(g.Score, INT32_MIN + 4);
  EXPECT_EQ(g.Hits, INT32_MIN);

  g.Score = INT32_MIN;
  g.Misses = INT32_MAX;
  g.Swing(INT_MIN, INT_MAX);  // far off any square: a miss
  EXPECT_EQ(g.Score, INT32_MAX - 1);
  EXPECT_EQ(g.Misses, INT32_MIN);

  g.Ticks = INT32_MAX;
  g.GameTime = INT32_MAX;
  g.SpawnRange = 0;
  g.LiveTime = INT32_MAX;
  g.Holes[0] = {};
  g.Tick();  // Ticks wraps to the lowest value, so the game goes on
  EXPECT_EQ(g.Ticks, INT32_MIN);
  EXPECT_EQ(g.Holes[0].Time, -1);  // INT32_MIN + INT32_MAX
  EXPECT_FALSE(g.GameOver);

  g.Swing(HoleOrigins[0].X, HoleOrigins[0].Y);  // dead time = Ticks + 2 * LiveTime, wrapped
  EXPECT_EQ(g.Holes[0].Time, static_cast<std::int32_t>(0x80000000u + 0xFFFFFFFEu));

  g.SpawnRange = INT32_MIN;  // any range is accepted; a draw is never negative
  g.Holes = {};
  g.Tick();
  EXPECT_FALSE(g.GameOver);
}

}  // namespace
