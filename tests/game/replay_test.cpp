// A whole game replayed from the program's entry with a known seed: swings at critters,
// at empty ground and at a squashed critter, a double-click, a pause, and the about box
// open for a while. After every tick the window's state, its holes and each number it
// drew are held against a copy of the rules fed the same ticks and swings.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/ids.h"
#include "game/rules.h"
#include "tests/game/game_fixture.h"
#include "tests/game/game_support.h"

namespace klop_test {
namespace {

std::string Counter(std::int32_t v) {
  // One snprintf, not "-" + string (GCC 12 at -O3 warns falsely inside std::string's
  // insert); the magnitude widened, as the smallest value has none in 32 bits.
  char text[24];
  std::snprintf(text, sizeof text, "%s%03lld", v < 0 ? "-" : "",
                std::llabs(static_cast<long long>(v)));
  return text;
}

std::string TimeLeft(std::int32_t ticks) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%d", ticks / 10, ticks % 10);
  return text;
}

class TReplay : public TGameTest {
 protected:
  // Holds the window against the model, after catching the model up with the ticks.
  void Compare() {
    TGameWindow& game = Window();
    for (auto& action : pending) action();
    pending.clear();
    while (model.Ticks < game.Ticks && !model.GameOver) model.Tick();

    ASSERT_EQ(game.Ticks, model.Ticks) << "at " << Now().count() << " ms";
    ASSERT_EQ(game.GameOver, model.GameOver);
    ASSERT_EQ(game.Paused, model.Paused);
    EXPECT_EQ(game.Score, model.Score);
    EXPECT_EQ(game.Hits, model.Hits);
    EXPECT_EQ(game.Misses, model.Misses);
    EXPECT_EQ(game.Escaped, model.Escaped);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(game.Holes[i].Time, model.Holes[i].Time) << "hole " << i;
      if (model.Holes[i].Time != 0) {
        EXPECT_EQ(game.Holes[i].Dead, model.Holes[i].Dead) << i;
      }
      if (!model.GameOver) {
        const std::uint32_t middle = Pixel(HoleOrigins[i].X + 36, HoleOrigins[i].Y + 36);
        const std::uint32_t want = model.Holes[i].Time == 0 ? 0xC0C0C0u
                                   : model.Holes[i].Dead    ? 0x00FFFFu
                                                            : 0x000000u;
        EXPECT_EQ(middle, want) << "hole " << i << " at tick " << model.Ticks;
      }
    }
    EXPECT_TRUE(PanelShows(0, TimeLeft(model.GameTime - model.Ticks))) << model.Ticks;
    EXPECT_TRUE(PanelShows(1, Counter(model.Hits)));
    EXPECT_TRUE(PanelShows(2, Counter(model.Misses)));
    EXPECT_TRUE(PanelShows(3, Counter(model.Escaped)));
    EXPECT_TRUE(PanelShows(4, Counter(model.Score)));
  }

  void Swing(int x, int y) {
    ClickGame(0ms, x, y);
    pending.push_back([this, x, y] { model.Swing(x, y); });
  }

  // A live critter's hole, or -1.
  int LiveHole() const {
    for (int i = 0; i < 5; ++i) {
      if (model.Holes[i].Time != 0 && !model.Holes[i].Dead) return i;
    }
    return -1;
  }

  void Step();

  TGameRules model{kSeed};
  std::vector<std::function<void()>> pending;
  // What the script has done.
  int groundSwings = 0;
  int critterSwings = 0;
  int deadSwings = 0;
  int doubleClicks = 0;
  int pausedChecks = 0;
  int aboutChecks = 0;
  int aboutTicks = 0;
  int squashed = -1;  // the hole hit at the last check
  bool paused = false;
  bool pausedDone = false;
  bool aboutOpen = false;
  bool aboutDone = false;
};

void TReplay::Step() {
  Compare();
  if (HasFatalFailure()) {
    Close(0ms);
    return;
  }
  if (model.GameOver) {
    // The end: the game-over picture, no time left, the counters of the game.
    const auto picture = Picture();
    const int noHoles[5] = {};
    const TImage expected = ExpectedPicture(true, noHoles);
    int differing = 0;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 282; ++x) {
        if (!InNumberArea(x, y) && picture[y * 282 + x] != expected.At(x, y)) ++differing;
      }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(PanelShows(0, "00.0"));
    Close(0ms);
    return;
  }
  const int tick = model.Ticks;
  const int hole = LiveHole();

  if (paused) {
    // The clock stands while paused.
    if (++pausedChecks == 5) {
      Command(CM_PAUSE);
      pending.push_back([this] { model.PauseOrContinue(); });
      paused = false;
      pausedDone = true;
    }
  } else if (aboutOpen) {
    HWND box = Modal();
    EXPECT_NE(box, nullptr);
    if (box) {
      EXPECT_EQ(TextOf(box), "About ");
    }
    if (aboutChecks == 0) aboutTicks = tick;
    if (++aboutChecks == 6) {
      EXPECT_EQ(tick, aboutTicks + 5);  // the box does not pause the game
      Key(0ms, VK_RETURN);              // OK has the focus
      aboutOpen = false;
      aboutDone = true;
    }
  } else if (squashed >= 0 && model.Holes[squashed].Time != 0 && model.Holes[squashed].Dead &&
             deadSwings < 2) {
    const auto origin = HoleOrigins[squashed];
    Swing(origin.X + 20, origin.Y + 50);
    ++deadSwings;
    squashed = -1;
  } else if (tick >= 3 && groundSwings == 0) {
    Swing(141, 50);  // between the holes
    ++groundSwings;
  } else if (tick >= 40 && !pausedDone) {
    Command(CM_PAUSE);
    pending.push_back([this] { model.PauseOrContinue(); });
    paused = true;
  } else if (tick >= 80 && !aboutDone) {
    Command(CM_ABOUT);
    aboutOpen = true;
  } else if (hole >= 0 && tick >= 60 && doubleClicks == 0) {
    // Two quick presses on one critter: the second is a double-click, no swing.
    const auto origin = HoleOrigins[hole];
    Swing(origin.X + 30, origin.Y + 30);
    ClickGame(60ms, origin.X + 30, origin.Y + 30);
    ++doubleClicks;
  } else if (hole >= 0 && critterSwings < 6 && tick % 2 == 0) {
    const auto origin = HoleOrigins[hole];
    Swing(origin.X + 36, origin.Y + 36);
    ++critterSwings;
    squashed = hole;
  }
  At(Now() + 100ms, [this] { Step(); });
}

TEST_F(TReplay, WholeGameMatchesTheRules) {
  At(100ms, [&] {
    Command(CM_NEW);
    pending.push_back([this] { model.NewGame(); });
  });
  // Between the ticks, which come at 200 ms, 300 ms, ...
  At(250ms, [&] { Step(); });
  EXPECT_EQ(Run(), 0);

  EXPECT_TRUE(model.GameOver);
  EXPECT_EQ(model.Ticks, 150);
  EXPECT_GE(model.Hits, 3);
  EXPECT_GE(model.Misses, 3);  // the ground and squashed critters at least
  EXPECT_EQ(groundSwings, 1);
  EXPECT_GE(deadSwings, 1);
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_TRUE(pausedDone);
  EXPECT_TRUE(aboutDone);
}

}  // namespace
}  // namespace klop_test
