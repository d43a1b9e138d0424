#include "platform/gdi/font.h"

namespace platform {

bool TBitmapFont::Pixel(unsigned char c, int x, int y) const {
  const int advance = Data_.advances[c];
  if (x < 0 || y < 0 || x >= advance || y >= Data_.metrics.height) return false;
  const std::size_t stride = static_cast<std::size_t>(advance + 7) / 8;
  const std::size_t at =
      Data_.offsets[c] + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8;
  if (at >= Data_.bitsSize) return false;  // the generator never does this; stay in bounds
  return (Data_.bits[at] >> (7 - x % 8)) & 1;
}

int TBitmapFont::TextWidth(const char* text, int count) const {
  if (text == nullptr) return 0;
  int width = 0;
  for (int i = 0; i < count; ++i) width += Data_.advances[static_cast<unsigned char>(text[i])];
  return width;
}

const TBitmapFont& SystemFont() {
  static const TBitmapFont font(kSystemFontData);
  return font;
}

const TBitmapFont& DialogFont() {
  static const TBitmapFont font(kDialogFontData);
  return font;
}

}  // namespace platform
