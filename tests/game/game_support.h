// Pictures the game's window must show, made independently of the game's drawing: the
// resource bitmaps read back pixel by pixel and put together on a light grey ground.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/headless.h"
#include "platform/types.h"

namespace klop_test {

struct TImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0x00RRGGBB, rows top to bottom
  std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
};

// A bitmap of the game's resources, as the platform decodes it.
TImage ResourceBitmap(const char* name);

// The client area a game window shows, without the numbers of its panel: background,
// board, then the game-over picture, or the holes given as 0 empty, 1 live, 2 dead.
TImage ExpectedPicture(bool gameOver, const int (&holes)[5]);

// Whether number box `box` of game window `game` (0 time, 1 hits, 2 misses, 3 escaped,
// 4 score) shows `text` as drawn so far: its pixels are compared with the box drawn
// again, olive and the text in the context's defaults, on a bitmap of its own with the
// platform's calls.
bool PanelShows(const platform::THeadlessHost& host, HWND game, int box, const std::string& text);

// Whether (x, y) lies in one of the panel's five number areas.
bool InNumberArea(int x, int y);

}  // namespace klop_test
