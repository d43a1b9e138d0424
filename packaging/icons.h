// The desktop's icons made from the game's own 32 x 32 icon: whole-number
// nearest-neighbour sizes for the icon theme, and an SVG of the same pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/rc/xpm_reader.h"

namespace klop::packaging {

struct TIcon {
  int Side = 0;
  std::vector<std::uint32_t> Pixels;  // 0xAARRGGBB, alpha 0 or 255, rows top to bottom
};

// The XPM's pixels; nothing when the picture is not square.
std::optional<TIcon> IconFromXpm(const rc::TXpmImage& image);

// The largest side made: icon themes stop at 512.
constexpr int kMaxIconSide = 1024;

// `side` a whole multiple of the icon's side: every pixel becomes a block. The icon's side
// a whole multiple of `side`: every block becomes its most frequent colour, a tie going
// to the lightest colour and transparency losing every tie, which keeps thin outlines,
// the critter's light speech bubble and its feet. Nothing for any other side, or one
// above kMaxIconSide.
std::optional<TIcon> ScaleIcon(const TIcon& icon, int side);

// An SVG of the icon: one rectangle per run of equal opaque pixels in a row, grouped by
// colour, drawn with crisp edges.
std::string IconSvg(const TIcon& icon);

}  // namespace klop::packaging
