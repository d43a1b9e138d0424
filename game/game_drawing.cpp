// The game window's picture: background, board, panel numbers, holes or the game-over
// picture. Every fill is a Rectangle with the null pen, which fills the rectangle less
// its right column and bottom row.
#include <string>

#include "game/game_window.h"
#include "game/panel_text.h"

namespace {

constexpr COLORREF kBackground = RGB(192, 192, 192);
constexpr COLORREF kOlive = RGB(128, 128, 0);

struct TNumberBox {
  RECT Fill;  // corners passed to Rectangle
  POINT Text;
};

// Time, hits, misses, escaped, score, in drawing order. The time box's area leaves
// the box's nine left-hand olive columns to the board picture; the score's box is a
// row shorter than the other three.
constexpr TNumberBox kBoxes[5] = {
    {{130, 252, 163, 275}, {130, 252}}, {{40, 310, 71, 329}, {40, 310}},
    {{77, 310, 117, 329}, {77, 310}},   {{133, 310, 174, 329}, {133, 310}},
    {{203, 310, 239, 328}, {203, 310}},
};

void FillBox(TDC& dc, const RECT& r) {
  ::Rectangle(dc.GetHandle(), r.left, r.top, r.right, r.bottom);
}

}  // namespace

void DrawBitmap(TDC& dc, int x, int y, TBitmap& bitmap) {
  TMemoryDC memDC(dc);
  memDC.SelectObject(bitmap);
  BITMAP info{};
  ::GetObjectA(bitmap.GetHandle(), sizeof info, &info);
  ::BitBlt(dc.GetHandle(), x, y, info.bmWidth, info.bmHeight, memDC.GetHandle(), 0, 0, SRCCOPY);
}

void TGameWindow::LoadPictures() {
  const TModule& module = *GetModule();
  LiveBmp = std::make_unique<TBitmap>(module, "Live");
  DeadBmp = std::make_unique<TBitmap>(module, "Dead");
  GameOverBmp = std::make_unique<TBitmap>(module, "GameOver");
  BoardBmp = std::make_unique<TBitmap>(module, "Board");
}

bool TGameWindow::EraseBackground(HDC hdc) {
  TDC dc(hdc);  // not ours: the paint handling releases it
  dc.SetBkColor(kBackground);
  RECT client{};
  ::GetClientRect(GetHandle(), &client);
  ::ExtTextOutA(dc.GetHandle(), 0, 0, ETO_OPAQUE, &client, "", 0, nullptr);
  return true;
}

void TGameWindow::DrawAll(TDC& dc) {
  DrawBoard(dc);
  DrawScore(dc);
  if (GameOver) {
    DrawGameOver(dc);
  } else {
    for (int i = 0; i < 5; ++i) DrawHole(dc, i);
  }
}

void TGameWindow::DrawBoard(TDC& dc) {
  DrawBitmap(dc, 11, 214, *BoardBmp);
}

void TGameWindow::DrawGameOver(TDC& dc) {
  DrawBitmap(dc, 10, 70, *GameOverBmp);
}

void TGameWindow::DrawHole(TDC& dc, int index) {
  const THole& hole = Holes[index];
  const int x = HoleOrigins[index].X;
  const int y = HoleOrigins[index].Y;
  if (hole.Time != 0) {
    TMemoryDC memDC(dc);
    memDC.SelectObject(hole.Dead ? *DeadBmp : *LiveBmp);
    ::BitBlt(dc.GetHandle(), x, y, HoleSize, HoleSize, memDC.GetHandle(), 0, 0, SRCCOPY);
  } else {
    // An empty hole is plain background; the brush and pen stay selected.
    dc.SelectStockObject(LTGRAY_BRUSH);
    dc.SelectStockObject(NULL_PEN);
    ::Rectangle(dc.GetHandle(), x, y, x + HoleSize + 1, y + HoleSize + 1);
  }
}

void TGameWindow::DrawScore(TDC& dc) {
  TBrush olive(kOlive);
  dc.SelectObject(olive);
  dc.SelectStockObject(NULL_PEN);
  dc.SetBkMode(TRANSPARENT);

  // The fill under each number is what erases the number drawn before.
  FillBox(dc, kBoxes[0].Fill);
  const auto time = TimeText(static_cast<std::int64_t>(GameTime) - Ticks);
  dc.TextOut(kBoxes[0].Text.x, kBoxes[0].Text.y, time.data(), 4);

  const std::int32_t counters[4] = {Hits, Misses, Escaped, Score};
  for (int i = 0; i < 4; ++i) {
    const TNumberBox& box = kBoxes[i + 1];
    FillBox(dc, box.Fill);
    const std::string text = CounterText(counters[i]);
    dc.TextOut(box.Text.x, box.Text.y, text.c_str(), static_cast<int>(text.size()));
  }
  dc.RestoreBrush();
}
