// The sixteen standard colours in the order of the bitmaps' colour tables.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace klop::rc {

using TPalette = std::array<std::uint32_t, 16>;  // 0xRRGGBB

// Black, dark red, dark green, olive, navy, purple, teal, grey, light grey, red,
// green, yellow, blue, magenta, cyan, white.
const TPalette& StandardPalette();

constexpr int kGreyIndex = 7;
constexpr int kLightGreyIndex = 8;

// The index of `rgb` in `palette`, if it is there.
std::optional<int> PaletteIndex(const TPalette& palette, std::uint32_t rgb);

}  // namespace klop::rc
