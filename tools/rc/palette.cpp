#include "tools/rc/palette.h"

namespace klop::rc {

const TPalette& StandardPalette() {
  static const TPalette kPalette = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                    0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  return kPalette;
}

std::optional<int> PaletteIndex(const TPalette& palette, std::uint32_t rgb) {
  for (int i = 0; i < 16; ++i) {
    if (palette[static_cast<std::size_t>(i)] == rgb) return i;
  }
  return std::nullopt;
}

}  // namespace klop::rc
