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

void TGameWindow::DrawNumber(TDC& dc, int box, std::int64_t value) {
  const TNumberBox& b = kBoxes[box];
  // The fill under each number is what erases the number drawn before.
  FillBox(dc, b.Fill);
  if (box == 0) {
    const auto time = TimeText(value);
    dc.TextOut(b.Text.x, b.Text.y, time.data(), 4);
  } else {
    const std::string text = CounterText(static_cast<std::int32_t>(value));
    dc.TextOut(b.Text.x, b.Text.y, text.c_str(), static_cast<int>(text.size()));
  }
}

void TGameWindow::DrawScore(TDC& dc) {
  TBrush olive(kOlive);
  dc.SelectObject(olive);
  dc.SelectStockObject(NULL_PEN);
  dc.SetBkMode(TRANSPARENT);
  const std::array<std::int64_t, 5> values = PanelValues();
  for (int i = 0; i < 5; ++i) DrawNumber(dc, i, values[i]);
  dc.RestoreBrush();
  // A paint may have drawn them only where its region lets it.
  ShownKnown = false;
}

void TGameWindow::DrawChangedScore(TDC& dc) {
  const std::array<std::int64_t, 5> values = PanelValues();
  if (ShownKnown && values == Shown) return;
  TBrush olive(kOlive);
  dc.SelectObject(olive);
  dc.SelectStockObject(NULL_PEN);
  dc.SetBkMode(TRANSPARENT);
  for (int i = 0; i < 5; ++i) {
    if (!ShownKnown || values[i] != Shown[i]) DrawNumber(dc, i, values[i]);
  }
  dc.RestoreBrush();
  Shown = values;
  ShownKnown = true;
}

std::array<std::int64_t, 5> TGameWindow::PanelValues() const {
  return {static_cast<std::int64_t>(GameTime) - Ticks, Hits, Misses, Escaped, Score};
}
