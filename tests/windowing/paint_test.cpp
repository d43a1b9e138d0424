// Update regions, WM_PAINT with erasing, clipping of paint and client contexts.
#include "platform/window/window_internal.h"
#include "windowing_fixture.h"

namespace klop_test {
namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

class TPaint : public TWindowingTest {
 protected:
  struct TPaintSeen {
    int paints = 0;
    int erasesInsideBeginPaint = 0;
    BOOL fErase = -1;
    RECT rcPaint{};
    bool inPaint = false;
  };

  // Paints with BeginPaint/EndPaint, filling the whole client area black.
  void PaintBlack(HWND hwnd, TPaintSeen& seen) {
    handlers[hwnd] = [&seen](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (msg == WM_ERASEBKGND && seen.inPaint) ++seen.erasesInsideBeginPaint;
      if (msg != WM_PAINT) return std::nullopt;
      ++seen.paints;
      PAINTSTRUCT ps;
      seen.inPaint = true;
      HDC dc = BeginPaint(h, &ps);
      seen.inPaint = false;
      EXPECT_NE(dc, nullptr);
      seen.fErase = ps.fErase;
      seen.rcPaint = ps.rcPaint;
      RECT all;
      GetClientRect(h, &all);
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      EndPaint(h, &ps);
      return 0;
    };
  }

  static bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

TEST_F(TPaint, InvalidatingWithEraseErasesInsideBeginPaintWithTheClassBrush) {
  HWND top = MakeTop(60, 40);
  TPaintSeen seen;
  handlers[top] = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_PAINT) return std::nullopt;
    ++seen.paints;
    PAINTSTRUCT ps;
    const std::size_t before = log.size();
    BeginPaint(h, &ps);
    for (std::size_t i = before; i < log.size(); ++i) {
      if (log[i].msg == WM_ERASEBKGND) ++seen.erasesInsideBeginPaint;
    }
    seen.fErase = ps.fErase;
    seen.rcPaint = ps.rcPaint;
    EndPaint(h, &ps);
    return 0;
  };
  Pump();
  seen = {};
  HDC dc = GetDC(top);
  const RECT all{0, 0, 60, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(top, dc);
  InvalidateRect(top, nullptr, TRUE);
  Pump();
  EXPECT_EQ(seen.paints, 1);
  EXPECT_EQ(seen.erasesInsideBeginPaint, 1);
  EXPECT_FALSE(seen.fErase) << "the default procedure erased it";
  EXPECT_TRUE(Same(seen.rcPaint, {0, 0, 60, 40}));
  const std::uint32_t window = GetSysColor(COLOR_WINDOW);
  const std::uint32_t want =
      (GetRValue(window) << 16) | (GetGValue(window) << 8) | GetBValue(window);
  EXPECT_EQ(host.PixelAt(top, 0, 0), want);
  EXPECT_EQ(host.PixelAt(top, 59, 39), want);
}

TEST_F(TPaint, WithoutEraseNoEraseMessageAndFEraseIsFalse) {
  HWND top = MakeTop(60, 40);
  TPaintSeen seen;
  PaintBlack(top, seen);
  Pump();
  seen = {};
  ClearLog();
  InvalidateRect(top, nullptr, FALSE);
  Pump();
  EXPECT_EQ(seen.paints, 1);
  EXPECT_EQ(Kinds({WM_ERASEBKGND}).size(), 0u);
  EXPECT_FALSE(seen.fErase);
}

TEST_F(TPaint, AnEraseLeftUndoneIsReportedInFErase) {
  HWND top = MakeTop(60, 40, WS_OVERLAPPEDWINDOW | WS_VISIBLE, kPlainClass);  // no class brush
  TPaintSeen seen;
  PaintBlack(top, seen);
  Pump();
  EXPECT_EQ(seen.erasesInsideBeginPaint, 1);
  EXPECT_TRUE(seen.fErase);
}

TEST_F(TPaint, TheRegionIsARectangleListAndRcPaintItsBoundingBox) {
  HWND top = MakeTop(60, 40);
  TPaintSeen seen;
  PaintBlack(top, seen);
  Pump();
  // Back to white everywhere, shown.
  HDC dc = GetDC(top);
  const RECT all{0, 0, 60, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(top, dc);
  Pump();
  seen = {};
  const RECT a{2, 3, 10, 8};
  const RECT b{30, 20, 40, 30};
  InvalidateRect(top, &a, FALSE);
  InvalidateRect(top, &b, FALSE);
  InvalidateRect(top, &a, FALSE);  // again: still one paint
  RECT box;
  EXPECT_TRUE(GetUpdateRect(top, &box, FALSE));
  EXPECT_TRUE(Same(box, {2, 3, 40, 30}));
  Pump();
  EXPECT_EQ(seen.paints, 1);
  EXPECT_TRUE(Same(seen.rcPaint, {2, 3, 40, 30}));
  // The whole-client fill landed only inside the two rectangles.
  EXPECT_EQ(host.PixelAt(top, 2, 3), kBlack);
  EXPECT_EQ(host.PixelAt(top, 9, 7), kBlack);
  EXPECT_EQ(host.PixelAt(top, 10, 7), kWhite);
  EXPECT_EQ(host.PixelAt(top, 39, 29), kBlack);
  EXPECT_EQ(host.PixelAt(top, 20, 15), kWhite) << "inside the box, outside the region";
  EXPECT_EQ(host.PixelAt(top, 40, 29), kWhite);
  EXPECT_FALSE(GetUpdateRect(top, &box, FALSE));
}

TEST_F(TPaint, ValidateRectRemovesPartsOfTheRegion) {
  HWND top = MakeTop(60, 40);
  TPaintSeen seen;
  PaintBlack(top, seen);
  Pump();
  seen = {};
  InvalidateRect(top, nullptr, FALSE);
  const RECT left{0, 0, 30, 40};
  ValidateRect(top, &left);
  RECT box;
  GetUpdateRect(top, &box, FALSE);
  EXPECT_TRUE(Same(box, {30, 0, 60, 40}));
  ValidateRect(top, nullptr);
  Pump();
  EXPECT_EQ(seen.paints, 0);
}

TEST_F(TPaint, UpdateWindowPaintsAtOnceParentBeforeChild) {
  HWND top = MakeTop(60, 40);
  HWND child = MakeChild(top, 5, 5, 10, 10);
  Pump();
  ClearLog();
  InvalidateRect(top, nullptr, TRUE);
  EXPECT_TRUE(UpdateWindow(top));
  std::vector<HWND> painted;
  for (const TRecorded& r : Log({WM_PAINT})) painted.push_back(r.hwnd);
  EXPECT_EQ(painted, (std::vector<HWND>{top, child})) << "no WS_CLIPCHILDREN: the child repaints";
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(TPaint, ClipChildrenKeepsTheParentOffItsChildren) {
  HWND clipping = MakeTop(60, 40, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND kid = MakeChild(clipping, 10, 10, 20, 10);
  TPaintSeen kidSeen;
  PaintBlack(kid, kidSeen);
  Pump();
  ClearLog();
  kidSeen = {};
  // The parent's client context leaves the child's pixels alone.
  HDC dc = GetDC(clipping);
  const RECT all{0, 0, 60, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  ReleaseDC(clipping, dc);
  Pump();
  EXPECT_EQ(host.PixelAt(clipping, 9, 10), 0x808080u);
  EXPECT_EQ(host.PixelAt(clipping, 10, 10), kBlack);
  EXPECT_EQ(host.PixelAt(clipping, 29, 19), kBlack);
  EXPECT_EQ(host.PixelAt(kid, 0, 0), kBlack);
  // Invalidating the parent does not invalidate the child.
  InvalidateRect(clipping, nullptr, TRUE);
  Pump();
  EXPECT_EQ(kidSeen.paints, 0);
  EXPECT_EQ(host.PixelAt(kid, 5, 5), kBlack);
}

TEST_F(TPaint, AChildDrawsThroughItsOriginAndNeverOutsideItself) {
  HWND top = MakeTop(60, 40);
  HWND kid = MakeChild(top, 10, 10, 20, 10);
  Pump();
  HDC dc = GetDC(kid);
  const RECT beyond{-5, -5, 100, 100};
  FillRect(dc, &beyond, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(kid, dc);
  Pump();
  EXPECT_EQ(host.PixelAt(top, 10, 10), kBlack);
  EXPECT_EQ(host.PixelAt(top, 29, 19), kBlack);
  EXPECT_EQ(host.PixelAt(top, 9, 10), kWhite);
  EXPECT_EQ(host.PixelAt(top, 30, 19), kWhite);
  EXPECT_EQ(host.PixelAt(top, 29, 20), kWhite);
}

TEST_F(TPaint, ClipSiblingsKeepsALowerChildOffTheOneAboveIt) {
  HWND top = MakeTop(60, 40);
  HWND upper = MakeChild(top, 0, 0, 20, 20);
  HWND clipped = MakeChild(top, 10, 10, 20, 20, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  HWND plain = MakeChild(top, 10, 0, 20, 5);
  Pump();
  const RECT all{0, 0, 20, 20};
  for (HWND h : {clipped, plain}) {
    HDC dc = GetDC(h);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(h, dc);
  }
  Pump();
  EXPECT_EQ(host.PixelAt(upper, 15, 15), kWhite) << "the clipped sibling stayed off";
  EXPECT_EQ(host.PixelAt(top, 25, 15), kBlack);
  EXPECT_EQ(host.PixelAt(upper, 15, 2), kBlack) << "without WS_CLIPSIBLINGS it draws over";
}

TEST_F(TPaint, OverlappingSiblingsPaintFromTheBottomUpSoTheUpperShows) {
  HWND top = MakeTop(60, 40, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND upper = MakeChild(top, 10, 10, 20, 20);  // created first: on top
  HWND lower = MakeChild(top, 10, 20, 20, 20);  // overlaps the upper one's bottom half
  TPaintSeen upperSeen, lowerSeen;
  PaintBlack(upper, upperSeen);
  handlers[lower] = [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_PAINT) return std::nullopt;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all{0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(h, &ps);
    return 0;
  };
  InvalidateRect(top, nullptr, TRUE);
  InvalidateRect(upper, nullptr, TRUE);
  InvalidateRect(lower, nullptr, TRUE);
  Pump();
  EXPECT_EQ(host.PixelAt(top, 15, 25), kBlack) << "the upper sibling is drawn last";
  EXPECT_EQ(host.PixelAt(top, 15, 35), kWhite);
}

TEST_F(TPaint, HidingAChildRepaintsWhatWasUnderIt) {
  HWND top = MakeTop(60, 40, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND kid = MakeChild(top, 10, 10, 20, 10);
  TPaintSeen kidSeen;
  PaintBlack(kid, kidSeen);
  Pump();
  EXPECT_EQ(host.PixelAt(top, 15, 15), kBlack);
  ClearLog();
  ShowWindow(kid, SW_HIDE);
  Pump();
  EXPECT_EQ(host.PixelAt(top, 15, 15), kWhite);
  const auto erases = Log({WM_ERASEBKGND});
  ASSERT_EQ(erases.size(), 1u);
  EXPECT_EQ(erases[0].hwnd, top);
  // A hidden window gets no paint.
  kidSeen = {};
  InvalidateRect(kid, nullptr, TRUE);
  Pump();
  EXPECT_EQ(kidSeen.paints, 0);
}

TEST_F(TPaint, ContextsAreCheckedOnReleaseAndDieWithTheirWindow) {
  HWND a = MakeTop(20, 20);
  HWND b = MakeTop(20, 20);
  Pump();
  HDC dc = GetDC(a);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(ReleaseDC(b, dc), 0) << "another window's context";
  PAINTSTRUCT ps{};
  ps.hdc = dc;
  EXPECT_FALSE(EndPaint(a, &ps)) << "not a paint context";
  DestroyWindow(a);
  const RECT r{0, 0, 5, 5};
  EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0)
      << "the context went with its window";
  EXPECT_EQ(ReleaseDC(a, dc), 0);
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  SIZE extent{};
  EXPECT_TRUE(GetTextExtentPoint32A(screen, "15.0", 4, &extent)) << "the screen context measures";
  EXPECT_GT(extent.cx, 0);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x77)), nullptr);
}

TEST_F(TPaint, TheNonClientStripIsPaintedFirstThroughTheWindowContext) {
  HWND top = MakeTop(60, 40);
  Pump();
  handlers[top] = [](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_NCPAINT) return std::nullopt;
    HDC dc = GetWindowDC(h);
    const RECT strip{0, 0, 60, 12};
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(h, dc);
    return 0;
  };
  ClearLog();
  ASSERT_TRUE(platform::SetNonClientTop(top, 12));
  Pump();
  EXPECT_EQ(Kinds({WM_NCPAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_NCPAINT, WM_ERASEBKGND}));
  EXPECT_EQ(host.PixelAt(top, 0, -12), kBlack);
  EXPECT_EQ(host.PixelAt(top, 59, -1), kBlack);
  EXPECT_EQ(host.PixelAt(top, 0, 0), kWhite) << "the client area starts below the strip";
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(client.bottom, 28);
  // Only the strip again: a paint comes, with nothing to erase in the client area.
  ClearLog();
  platform::InvalidateNonClient(top);
  Pump();
  EXPECT_EQ(Kinds({WM_NCPAINT, WM_PAINT, WM_ERASEBKGND}),
            (std::vector<UINT>{WM_PAINT, WM_NCPAINT}));
  EXPECT_EQ(GetWindowDC(MakeChild(top, 0, 0, 5, 5)), nullptr) << "children have no frame";
}

TEST_F(TPaint, GrowingAWindowPaintsItAgain) {
  HWND top = MakeTop(40, 30);
  TPaintSeen seen;
  PaintBlack(top, seen);
  Pump();
  seen = {};
  MoveWindow(top, 100, 80, 60, 50, FALSE);
  Pump();
  EXPECT_EQ(seen.paints, 1);
  EXPECT_EQ(host.PixelAt(top, 59, 49), kBlack);
}

}  // namespace
}  // namespace klop_test
