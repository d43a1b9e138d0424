#include "tests/game/game_support.h"

#include <stdexcept>

#include "game/rules.h"
#include "platform/platform.h"
#include "res/klop_resources.h"

namespace klop_test {

TImage ResourceBitmap(const char* name) {
  HBITMAP bitmap = ::LoadBitmapA(klop::Module(), name);
  if (bitmap == nullptr) throw std::runtime_error(std::string("no bitmap ") + name);
  BITMAP info{};
  ::GetObjectA(bitmap, sizeof info, &info);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  TImage image{info.bmWidth, info.bmHeight, {}};
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) {
      const COLORREF c = ::GetPixel(dc, x, y);
      image.Pixels.push_back((std::uint32_t{GetRValue(c)} << 16) |
                             (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c));
    }
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(bitmap);
  return image;
}

namespace {

void Put(TImage& onto, const TImage& picture, int left, int top) {
  for (int y = 0; y < picture.Height; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      onto.Pixels[static_cast<std::size_t>((top + y) * onto.Width + left + x)] = picture.At(x, y);
    }
  }
}

}  // namespace

TImage ExpectedPicture(bool gameOver, const int (&holes)[5]) {
  static const TImage board = ResourceBitmap("Board");
  static const TImage over = ResourceBitmap("GameOver");
  static const TImage live = ResourceBitmap("Live");
  static const TImage dead = ResourceBitmap("Dead");
  const TImage empty{72, 72, std::vector<std::uint32_t>(72 * 72, 0xC0C0C0)};
  TImage picture{282, 400, std::vector<std::uint32_t>(282 * 400, 0xC0C0C0)};
  Put(picture, board, 11, 214);
  if (gameOver) {
    Put(picture, over, 10, 70);
  } else {
    for (int i = 0; i < 5; ++i) {
      Put(picture,
          holes[i] == 0   ? empty
          : holes[i] == 1 ? live
                          : dead,
          HoleOrigins[i].X, HoleOrigins[i].Y);
    }
  }
  return picture;
}

bool PanelShows(const platform::THeadlessHost& host, HWND game, int box, const std::string& text) {
  static constexpr RECT kAreas[5] = {{130, 252, 162, 274},
                                     {40, 310, 70, 328},
                                     {77, 310, 116, 328},
                                     {133, 310, 173, 328},
                                     {203, 310, 238, 327}};
  const RECT& area = kAreas[box];
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  HDC screen = ::GetDC(game);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  ::ReleaseDC(game, screen);
  HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
  HBRUSH olive = ::CreateSolidBrush(RGB(128, 128, 0));
  const RECT all{0, 0, width, height};
  ::FillRect(dc, &all, olive);
  ::SetBkMode(dc, TRANSPARENT);
  ::TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
  bool same = true;
  for (int y = 0; y < height && same; ++y) {
    for (int x = 0; x < width && same; ++x) {
      const COLORREF c = ::GetPixel(dc, x, y);
      const std::uint32_t want = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
      same = host.PixelAt(game, area.left + x, area.top + y) == want;
    }
  }
  ::SelectObject(dc, oldBitmap);
  ::DeleteObject(olive);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  return same;
}

bool InNumberArea(int x, int y) {
  const bool lower = y >= 310 && y <= 327;
  return (x >= 130 && x <= 161 && y >= 252 && y <= 273) || (lower && x >= 40 && x <= 69) ||
         (lower && x >= 77 && x <= 115) || (lower && x >= 133 && x <= 172) ||
         (y >= 310 && y <= 326 && x >= 203 && x <= 237);
}

}  // namespace klop_test
