// The two bitmap fonts that text is drawn with: the stock system font and the dialog font.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace platform {

struct TFontMetrics {
  int height, ascent, descent, internalLeading, externalLeading, aveCharWidth, maxCharWidth, weight;
};

// A font as generated from its BDF file: every code 0..255 has a cell (a missing glyph
// shares the default char's cell), `advances[c]` wide and `metrics.height` rows tall, its
// rows (advance + 7) / 8 bytes each, most significant bit leftmost, from bits[offsets[c]].
struct TFontData {
  TFontMetrics metrics;
  int defaultChar;
  const std::uint8_t* advances;
  const std::uint32_t* offsets;
  const std::uint8_t* bits;
  std::size_t bitsSize;
};

class TBitmapFont {
 public:
  explicit TBitmapFont(const TFontData& data) : Data_(data) {}

  const TFontMetrics& Metrics() const { return Data_.metrics; }
  int Advance(unsigned char c) const { return Data_.advances[c]; }  // pen advance in pixels
  // x, y relative to the cell's top-left (cell = Advance × height); false outside.
  bool Pixel(unsigned char c, int x, int y) const {  // inline: text asks it per pixel
    const int advance = Data_.advances[c];
    if (x < 0 || y < 0 || x >= advance || y >= Data_.metrics.height) return false;
    const std::size_t stride = static_cast<std::size_t>(advance + 7) / 8;
    const std::size_t at =
        Data_.offsets[c] + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8;
    if (at >= Data_.bitsSize) return false;  // the generator never does this; stay in bounds
    return (Data_.bits[at] >> (7 - x % 8)) & 1;
  }
  // Row y (0 <= y < height) of c's cell: its bits, most significant leftmost, and in
  // `bytes` how many of its bytes lie in the data (fewer only for a broken table).
  const std::uint8_t* Row(unsigned char c, int y, std::size_t& bytes) const {
    const std::size_t stride = static_cast<std::size_t>(Data_.advances[c] + 7) / 8;
    const std::size_t at = Data_.offsets[c] + static_cast<std::size_t>(y) * stride;
    bytes = at >= Data_.bitsSize ? 0 : std::min(stride, Data_.bitsSize - at);
    return Data_.bits + (bytes == 0 ? 0 : at);
  }
  // Sum of the advances of text[0..count); 0 for a null text or count <= 0.
  int TextWidth(const char* text, int count) const;
  int DefaultChar() const { return Data_.defaultChar; }

 private:
  const TFontData& Data_;
};

const TBitmapFont& SystemFont();  // stock SYSTEM_FONT: bold sans-serif
const TBitmapFont& DialogFont();  // DEFAULT_GUI_FONT, the dialogs' 8-point sans-serif

// Defined by the source that tools/fontc generates at build time.
extern const TFontData kSystemFontData;
extern const TFontData kDialogFontData;

}  // namespace platform
