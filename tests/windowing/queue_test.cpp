// The queue: retrieval order, filters, quitting, waiting and presenting.
#include "windowing_fixture.h"

namespace klop_test {
namespace {

using TQueue = TWindowingTest;

TEST_F(TQueue, PostedThenInputThenPaintThenTimerThenQuitAfterPosted) {
  HWND top = MakeTop(100, 100);
  Pump();  // the first paint
  const POINT p = Screen(top, 10, 10);
  ASSERT_NE(SetTimer(top, 1, 100, nullptr), 0u);
  host.AdvanceTime(Ms(150));  // the timer is due
  InvalidateRect(top, nullptr, FALSE);
  host.MoveAt(Ms(150), p.x, p.y);
  PostMessageA(top, WM_USER, 0, 0);
  PostQuitMessage(3);
  PostMessageA(top, WM_USER + 1, 0, 0);
  std::vector<UINT> order;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(m.message);
    if (m.message == WM_QUIT) {
      EXPECT_EQ(m.wParam, 3u);
      continue;
    }
    DispatchMessageA(&m);
  }
  EXPECT_EQ(order,
            (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT, WM_MOUSEMOVE, WM_PAINT, WM_TIMER}));
}

TEST_F(TQueue, NoRemoveLeavesTheMessageAndTheTimerAsTheyAre) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 9, 100, nullptr);
  host.AdvanceTime(Ms(100));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(m.wParam, 9u);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  PostMessageA(top, WM_USER, 5, 6);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_EQ(m.lParam, 6);
}

TEST_F(TQueue, WindowAndRangeFiltersPickOnlyWhatTheyAsk) {
  HWND a = MakeTop();
  HWND b = MakeTop();
  HWND bChild = MakeChild(b, 0, 0, 10, 10);
  Pump();
  PostMessageA(a, WM_USER, 1, 0);
  PostMessageA(bChild, WM_USER, 2, 0);
  PostMessageA(nullptr, WM_USER, 3, 0);  // a thread message
  PostMessageA(a, WM_COMMAND, 4, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u) << "a window filter takes its children's messages too";
  EXPECT_FALSE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(m.wParam, 4u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 1u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_EQ(m.wParam, 3u);
  // What cannot be honoured fails.
  EXPECT_FALSE(PeekMessageA(&m, reinterpret_cast<HWND>(0x99), 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, 0x00F00000));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(GetMessageA(&m, reinterpret_cast<HWND>(0x99), 0, 0), -1);
}

TEST_F(TQueue, GetMessageAnswersZeroForQuitAndWaitsForInputMeanwhile) {
  HWND top = MakeTop();
  Pump();
  const POINT p = Screen(top, 5, 5);
  host.MoveAt(Ms(2000), p.x, p.y);
  handlers[top] = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_MOUSEMOVE) PostQuitMessage(7);
    return std::nullopt;
  };
  MSG m;
  int got = 0;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    DispatchMessageA(&m);
    ++got;
  }
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(got, 1);
  EXPECT_EQ(host.Now(), Ms(2000)) << "the wait jumped straight to the input";
  EXPECT_EQ(host.LastWaitDeadline(), platform::HostTime::max()) << "no timer: wait for input";
}

TEST_F(TQueue, WaitMessageSleepsUntilTheNextTimerDeadline) {
  HWND top = MakeTop();
  Pump();
  SetTimer(top, 1, 250, nullptr);
  SetTimer(top, 2, 100, nullptr);
  const int waits = host.Waits();
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(host.Waits(), waits + 1);
  EXPECT_EQ(host.LastWaitDeadline(), Ms(100));
  EXPECT_EQ(host.Now(), Ms(100));
  // With something waiting it does not sleep at all.
  PostMessageA(top, WM_USER, 0, 0);
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(host.Waits(), waits + 1);
}

TEST_F(TQueue, AFilteredGetMessageSleepsThroughMessagesItDoesNotWant) {
  HWND a = MakeTop(100, 80);
  HWND b = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 80, 100, 80,
                           nullptr, nullptr, nullptr, nullptr);
  Pump();
  SetTimer(a, 1, 100, nullptr);
  PostMessageA(a, WM_USER, 0, 0);
  const POINT p = Screen(b, 5, 5);
  host.MoveAt(Ms(450), p.x, p.y);
  const int waits = host.Waits();
  MSG m;
  ASSERT_EQ(GetMessageA(&m, b, 0, 0), TRUE);
  EXPECT_EQ(m.hwnd, b);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(host.Now(), Ms(450));
  // One sleep to the timer's first deadline, then (its tick unwanted) one to the input.
  EXPECT_EQ(host.Waits() - waits, 2);
  // Everything a's still waits.
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
}

TEST_F(TQueue, AWaitThatOnlyInputCouldEndThrowsInsteadOfHanging) {
  MakeTop();
  Pump();
  MSG m;
  EXPECT_FALSE(host.RanOut());
  EXPECT_THROW(GetMessageA(&m, nullptr, 0, 0), platform::THeadlessRunOut);
  EXPECT_TRUE(host.RanOut());
  // It stays run out, even if a catch-all swallowed the first one.
  EXPECT_THROW(WaitMessage(), platform::THeadlessRunOut);
}

TEST_F(TQueue, ARunOutCanEndTheProcessInstead) {
  MakeTop();
  Pump();
  host.AbortOnRunOut(true);
  MSG m;
  EXPECT_DEATH(GetMessageA(&m, nullptr, 0, 0), "script has no more");
}

TEST_F(TQueue, ChangedPixelsArePresentedWhenTheQueueRunsDryNotPerDrawing) {
  HWND top = MakeTop(50, 40);
  Pump();
  const int presents = host.Presents();
  HDC dc = GetDC(top);
  const RECT r1{0, 0, 5, 5};
  const RECT r2{30, 30, 35, 35};
  FillRect(dc, &r1, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  FillRect(dc, &r2, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(top, dc);
  EXPECT_EQ(host.Presents(), presents);
  EXPECT_EQ(host.ShownPixelAt(top, 1, 1), 0xFFFFFFu) << "not shown before the queue is idle";
  EXPECT_EQ(host.PixelAt(top, 1, 1), 0u) << "but drawn";
  const std::size_t rects = host.PresentedRects();
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(host.Presents(), presents + 1);
  EXPECT_EQ(host.PresentedRects(), rects + 2) << "only the two changed rectangles";
  EXPECT_EQ(host.ShownPixelAt(top, 1, 1), 0u);
  EXPECT_EQ(host.ShownPixelAt(top, 32, 32), 0u);
  EXPECT_EQ(host.ShownPixelAt(top, 10, 10), 0xFFFFFFu);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(host.Presents(), presents + 1) << "nothing changed, nothing presented";
}

// However long the program ran before its first window, that window's first picture
// is its painted one: the present that keeps a busy queue's pictures coming never shows
// a window before it was painted.
TEST_F(TQueue, AWindowsFirstPictureIsItsPaintedOne) {
  host.AdvanceTime(Ms(1000));
  HWND top = MakeTop(50, 40);
  handlers[top] = [](HWND h, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_ERASEBKGND) return std::nullopt;
    RECT r;
    GetClientRect(h, &r);
    FillRect(reinterpret_cast<HDC>(w), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return 1;
  };
  Pump();
  EXPECT_EQ(host.Presents(), 1);
  EXPECT_EQ(host.ShownPixelAt(top, 10, 10), 0u);
}

TEST_F(TQueue, AQueueThatNeverRunsDryStillShowsItsPictures) {
  HWND top = MakeTop(50, 40);
  Pump();
  SetTimer(top, 1, 100, nullptr);
  int ticks = 0;
  handlers[top] = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_TIMER) return std::nullopt;
    ++ticks;
    HDC dc = GetDC(h);
    const RECT r{0, 0, ticks, 5};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(h, dc);
    host.AdvanceTime(Ms(150));  // slower than its timer: the next tick is always due
    return 0;
  };
  host.AdvanceTime(Ms(100));
  MSG m;
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "never idle";
    DispatchMessageA(&m);
  }
  EXPECT_EQ(ticks, 10);
  EXPECT_EQ(host.ShownPixelAt(top, 8, 2), 0u) << "shown without the queue going idle";
}

TEST_F(TQueue, ExposureShowsTheKeptPixelsAgainWithoutRepainting) {
  HWND top = MakeTop(50, 40);
  Pump();
  ClearLog();
  const std::size_t rects = host.PresentedRects();
  host.ExposeAt(Ms(0), platform::THeadlessHost::HostOf(top), {0, 0, 10, 10});
  Pump();
  EXPECT_EQ(host.PresentedRects(), rects + 1);
  EXPECT_EQ(Kinds({WM_PAINT}).size(), 0u);
}

TEST_F(TQueue, AWindowThatIgnoresWmPaintIsNotRepaintedForEver) {
  HWND top = MakeTop();
  handlers[top] = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_PAINT) return 0;  // never calls BeginPaint
    return std::nullopt;
  };
  EXPECT_LT(Pump(), 5);
  EXPECT_EQ(Kinds({WM_PAINT}).size(), 1u);
}

}  // namespace
}  // namespace klop_test
