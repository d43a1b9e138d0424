// Reads an X11 BDF bitmap font and turns it into fixed-height character cells, the form
// the drawing code wants: every cell is `advance` pixels wide and `ascent + descent` rows
// tall, with the glyph's ink inside it.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fontc {

// what() is "file:line: message", the form compilers use, so build logs link to it.
class TBdfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TCell {
  bool present = false;  // the font has a glyph for this code
  int advance = 0;       // cell width = pen advance, in pixels
  // Rows top to bottom, each (advance + 7) / 8 bytes, most significant bit leftmost.
  std::vector<std::uint8_t> bits;
};

struct TCellFont {
  int ascent = 0;   // rows above the baseline, including any added leading
  int descent = 0;  // rows below it
  int internalLeading = 0;
  int weight = 400;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int defaultChar = -1;  // code whose cell stands in for missing ones; -1: none
  std::array<TCell, 256> cells;

  int Height() const { return ascent + descent; }
};

// Reads `in` (named `fileName` in messages). `extraTopRows` adds that many empty rows above
// every cell, as internal leading. Codes above 255 and unencoded glyphs are skipped. Ink
// outside the font's ascent/descent is cut off; ink left of the origin or right of the
// advance widens that glyph's cell so nothing is lost. Throws TBdfError on malformed input.
TCellFont ReadBdf(std::istream& in, const std::string& fileName, int extraTopRows = 0);

struct TNamedFont {
  std::string symbol;  // C++ identifier of the generated platform::TFontData
  std::string source;  // file it came from, for the header comment
  TCellFont font;
};

// C++ source defining each font as a platform::TFontData (see platform/gdi/font.h). Missing
// codes share the default char's cell, or get an empty zero-width one.
std::string EmitCpp(const std::vector<TNamedFont>& fonts);

}  // namespace fontc
