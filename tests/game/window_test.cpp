// The game window's events in the running program: the clock through minimise and
// restore, the mallet on presses, double-clicks and releases, and a refused timer.
#include <cstdlib>

#include "game/ids.h"
#include "platform/faults.h"
#include "res/klop_resources.h"
#include "tests/game/game_fixture.h"

namespace klop_test {
namespace {

TEST_F(TGameTest, MinimiseStopsTheClockAndRestoreRestartsIt) {
  std::int32_t ticks = 0;
  At(100ms, [&] { Command(CM_NEW); });
  At(550ms, [&] {
    ticks = Window().Ticks;
    EXPECT_EQ(ticks, 4);
    host.MinimizeAt(host.Now(), FrameHost());
  });
  At(1550ms, [&] {
    EXPECT_EQ(Window().Ticks, ticks);  // no tick while minimised
    host.RestoreAt(host.Now(), FrameHost());
  });
  At(2060ms, [&] {
    EXPECT_GE(Window().Ticks, ticks + 4);
    // Paused, a minimise and restore leave the clock stopped.
    Command(CM_PAUSE);
  });
  At(2100ms, [&] {
    ticks = Window().Ticks;
    EXPECT_TRUE(Window().Paused);
    host.MinimizeAt(host.Now(), FrameHost());
    host.RestoreAt(host.Now() + 300ms, FrameHost());
  });
  At(3000ms, [&] {
    EXPECT_EQ(Window().Ticks, ticks);
    Command(CM_PAUSE);
  });
  At(3550ms, [&] {
    EXPECT_GE(Window().Ticks, ticks + 4);
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TGameTest, DoubleClickOnACritterIsOneSwing) {
  At(100ms, [&] { Command(CM_NEW); });
  At(150ms, [&] {
    // A critter put up by hand in hole 2, for the whole test.
    TGameWindow& game = Window();
    game.Holes[2] = THole{1000, false};
    host.MoveToClientAt(host.Now(), Game(), 130, 130);
    host.PressAt(host.Now() + 10ms);
    host.ReleaseAt(host.Now() + 20ms);
    host.PressAt(host.Now() + 60ms);  // the second press of a double-click
  });
  At(240ms, [&] {
    // Held down after the double-click's press: the mallet stayed up, since that press is
    // not a swing.
    TGameWindow& game = Window();
    ASSERT_NE(::LoadCursorA(klop::Module(), "Malet"), nullptr);
    ASSERT_NE(::LoadCursorA(klop::Module(), "Malet"), ::LoadCursorA(klop::Module(), "MaletDown"));
    EXPECT_EQ(game.Hits, 1);
    EXPECT_EQ(game.Misses, 0);
    EXPECT_EQ(game.Score, 5);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(klop::Module(), "Malet"));
    host.ReleaseAt(host.Now());
  });
  At(260ms, [&] {
    EXPECT_EQ(Window().Hits, 1);
    // Pressed and held: the mallet swung down; released: up again.
    host.PressAt(host.Now() + 600ms);
  });
  At(900ms, [&] {
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(klop::Module(), "MaletDown"));
    EXPECT_EQ(Window().Misses, 1);  // the critter is squashed now: a miss
    host.ReleaseAt(host.Now());
  });
  At(950ms, [&] {
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(klop::Module(), "Malet"));
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TGameTest, SwingsWhileOverOrPausedChangeOnlyTheCursor) {
  At(0ms, [&] { ClickGame(0ms, 130, 130); });
  At(50ms, [&] {
    EXPECT_EQ(Window().Misses, 0);
    Command(CM_NEW);
    Command(CM_PAUSE);
  });
  At(100ms, [&] { ClickGame(0ms, 130, 130); });
  At(150ms, [&] {
    EXPECT_EQ(Window().Misses, 0);
    EXPECT_EQ(Window().Score, 0);
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

using TGameDeathTest = TGameTest;

TEST_F(TGameDeathTest, RefusedTimerShowsNoTimersLeftAndEndsWithOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform::RefuseForTesting(platform::TOperation::SetTimer, 1, true);
        At(0ms, [&] { Command(CM_NEW); });
        At(100ms, [&] {
          HWND box = ::GetActiveWindow();
          // The application has no name: the caption is empty.
          if (box && TextOf(box).empty() && TextOf(::GetDlgItem(box, 0xFFFF)) == "No Timers Left" &&
              ::GetDlgItem(box, IDOK) && !::GetDlgItem(box, IDCANCEL)) {
            std::fputs("no-timers-box\n", stderr);
          }
          Key(0ms, VK_RETURN);
        });
        Run();
        std::exit(7);  // not reached: the refusal ends the program
      },
      ::testing::ExitedWithCode(1), "no-timers-box");
}

}  // namespace
}  // namespace klop_test
