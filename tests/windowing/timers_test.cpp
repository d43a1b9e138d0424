// Timers on the virtual clock: rhythm, coalescing, restarting, killing, refusing.
#include "windowing_fixture.h"

namespace klop_test {
namespace {

using TTimers = TWindowingTest;

TEST_F(TTimers, HundredMillisecondsGiveExactly150TicksIn15SecondsWithoutDrift) {
  HWND top = MakeTop();
  Pump();
  ASSERT_EQ(SetTimer(top, 1, 100, nullptr), 1u);
  int ticks = 0;
  platform::HostTime last{};
  handlers[top] = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_TIMER) return std::nullopt;
    ++ticks;
    last = host.Now();
    host.AdvanceTime(Ms(7));  // the handler's own work
    if (ticks == 150) {
      KillTimer(hwnd, 1);
      PostQuitMessage(0);
    }
    return 0;
  };
  // The game's loop, on a desktop that wakes every sleeper 3 ms late: neither the
  // lateness nor the handler's time may push the rhythm back.
  MSG m;
  bool quit = false;
  while (!quit) {
    while (!quit && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      quit = m.message == WM_QUIT;
      if (!quit) DispatchMessageA(&m);
    }
    if (quit) break;
    WaitMessage();
    host.AdvanceTime(Ms(3));
  }
  EXPECT_EQ(ticks, 150);
  EXPECT_EQ(last, Ms(15000 + 3)) << "the 150th deadline at exactly 15.000 s";
  // Killed: no further tick, so a wait now has only input to wait for.
  EXPECT_THROW(GetMessageA(&m, nullptr, 0, 0), platform::THeadlessRunOut);
}

TEST_F(TTimers, AStallLeavesOneTickPendingAndTheRhythmContinues) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 1, 100, nullptr);
  host.AdvanceTime(Ms(1050));  // a one-second stall
  MSG m;
  int pending = 0;
  while (PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) ++pending;
  EXPECT_EQ(pending, 1) << "missed periods are skipped, not delivered in a burst";
  // The next deadline stays on the 100 ms grid.
  WaitMessage();
  EXPECT_EQ(host.Now(), Ms(1100));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
}

TEST_F(TTimers, SettingALiveTimerAgainCountsTheNewPeriodFromTheRestart) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 1, 100, nullptr);
  host.AdvanceTime(Ms(80));
  EXPECT_EQ(SetTimer(top, 1, 100, nullptr), 1u);
  MSG m;
  host.AdvanceTime(Ms(50));  // 130 ms: the old deadline has passed
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  WaitMessage();
  EXPECT_EQ(host.Now(), Ms(180));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
}

TEST_F(TTimers, KillTimerDropsAPendingTickAndAnswersFalseForUnknownTimers) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 1, 100, nullptr);
  SetTimer(top, 2, 100, nullptr);
  host.AdvanceTime(Ms(100));
  EXPECT_TRUE(KillTimer(top, 1));
  EXPECT_FALSE(KillTimer(top, 1));
  EXPECT_FALSE(KillTimer(top, 77));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(TTimers, DestroyingTheWindowKillsItsTimers) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 1, 100, nullptr);
  DestroyWindow(top);
  host.AdvanceTime(Ms(500));
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(KillTimer(top, 1));
}

TEST_F(TTimers, RefusalAnswersZeroAndSetsNothing) {
  HWND top = MakeTop();
  Pump();
  platform::RefuseTimersForTesting(true);
  EXPECT_EQ(SetTimer(top, 1, 100, nullptr), 0u);
  platform::RefuseTimersForTesting(false);
  EXPECT_FALSE(KillTimer(top, 1));
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x4242), 1, 100, nullptr), 0u) << "no such window";
}

TEST_F(TTimers, ElapseIsRaisedToTheMinimum) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 1, 0, nullptr);
  WaitMessage();
  EXPECT_EQ(host.Now(), Ms(USER_TIMER_MINIMUM));
}

TEST_F(TTimers, ThreadTimersGetTheirOwnIdAndCallTheirProcedure) {
  static std::vector<UINT_PTR> called;
  called.clear();
  TIMERPROC proc = [](HWND hwnd, UINT msg, UINT_PTR id, DWORD) {
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_EQ(msg, static_cast<UINT>(WM_TIMER));
    called.push_back(id);
  };
  const UINT_PTR id = SetTimer(nullptr, 0, 50, proc);
  ASSERT_NE(id, 0u);
  EXPECT_NE(SetTimer(nullptr, 0, 50, proc), id) << "an unnamed thread timer is a new one";
  EXPECT_EQ(SetTimer(nullptr, id, 60, proc), id) << "naming an existing one replaces it";
  host.AdvanceTime(Ms(60));
  Pump();
  EXPECT_EQ(called.size(), 2u);
  KillTimer(nullptr, id);
}

}  // namespace
}  // namespace klop_test
