// The font converter's BDF reader and its C++ writer on any text; the first byte is
// the number of empty rows to add above every cell (0 to 3). TBdfError is the reader's
// one way to refuse. A font it accepts must have cells of the size the writer and the
// drawing code take for granted.
#include <cstdint>
#include <sstream>
#include <string>

#include "bdf_font.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  fontc::TCellFont font;
  try {
    font = fontc::ReadBdf(in, "fuzz.bdf", data[0] % 4);
  } catch (const fontc::TBdfError&) {
    return 0;
  }
  klop_fuzz::Check(font.ascent >= 0 && font.descent >= 0, "the font's ascent and descent");
  for (const fontc::TCell& c : font.cells) {
    const std::size_t row = static_cast<std::size_t>((c.advance + 7) / 8);
    klop_fuzz::Check(
        c.advance >= 0 && c.bits.size() == row * static_cast<std::size_t>(font.Height()),
        "a cell holds its advance's rows of the font's height");
  }
  fontc::EmitCpp({{"kFuzzFont", "fuzz.bdf", font}});
  return 0;
}
