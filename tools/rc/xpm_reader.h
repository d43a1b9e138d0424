// Reads the XPM subset our pictures use: the values line "w h ncolors cpp [xhot
// yhot]", colour lines with a `c` value of #RRGGBB (one of the standard colours) or
// None, and rows of any number of characters per pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace klop::rc {

struct TXpmColour {
  bool Transparent = false;
  std::uint32_t Rgb = 0;  // 0xRRGGBB when not transparent
  int Line = 0;           // where it is defined
};

struct TXpmImage {
  int Width = 0;
  int Height = 0;
  std::optional<int> HotX, HotY;
  int ValuesLine = 0;
  std::vector<TXpmColour> Colours;
  std::vector<int> Pixels;  // indexes into Colours, rows top to bottom
};

// Largest side we accept; the platform's decoders refuse anything larger.
constexpr int kMaxXpmSide = 4096;

// Parses `text`, the contents of `file`; throws TRcError at the offending line.
TXpmImage ReadXpm(std::string_view text, const std::string& file);

}  // namespace klop::rc
