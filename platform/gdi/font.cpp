#include "platform/gdi/font.h"

namespace platform {

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
