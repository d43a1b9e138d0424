// Golden images: a rendering compared pixel by pixel with a PNG kept in tests/golden.
// The PNGs are written only when KLOP_UPDATE_GOLDEN=1 is set (`make golden`), and such
// a run fails its golden tests so that a regenerated image is always looked at first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace klop::test {

// The pixels (0x00RRGGBB, rows top to bottom) of a PNG as EncodePng writes it, or
// false with `error` saying why (unreadable, not that kind of PNG, damaged).
bool ReadPng(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& pixels,
             std::string& error);

// Compares with tests/golden/<name>.png; on a difference the rendering is saved beside
// the test program as <name>.actual.png and the first differing pixels are reported.
void ExpectGolden(const std::string& name, int width, int height,
                  const std::vector<std::uint32_t>& pixels);

// A rendering taken for a golden, also read for the few facts its test states itself,
// which no rewrite of the golden can change.
struct TPixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  // 0xRRGGBB, or 0xFF000000 (no colour) outside the picture.
  std::uint32_t At(int x, int y) const;
  // Pixels of `color` in [left, right) x [top, bottom).
  int Count(int left, int top, int right, int bottom, std::uint32_t color) const;
};
inline void ExpectGolden(const std::string& name, const TPixels& p) {
  ExpectGolden(name, p.Width, p.Height, p.Pixels);
}

}  // namespace klop::test
