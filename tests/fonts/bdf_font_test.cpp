#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bdf_font.h"

namespace {

using fontc::ReadBdf;
using fontc::TBdfError;
using fontc::TCellFont;

// A two-glyph font: ascent 3, descent 1. 'A' is a 3x3 block on the baseline; 'j' starts
// one pixel left of its origin and reaches below the baseline.
const char kHeader[] =
    "STARTFONT 2.1\n"         // 1
    "FONT test\n"             // 2
    "STARTPROPERTIES 4\n"     // 3
    "FONT_ASCENT 3\n"         // 4
    "FONT_DESCENT 1\n"        // 5
    "WEIGHT_NAME \"Bold\"\n"  // 6
    "DEFAULT_CHAR 65\n"       // 7
    "ENDPROPERTIES\n";        // 8
const char kGlyphA[] =
    "STARTCHAR A\n"   // 10
    "ENCODING 65\n"   // 11
    "SWIDTH 500 0\n"  // 12
    "DWIDTH 4 0\n"    // 13
    "BBX 3 3 0 0\n"   // 14
    "BITMAP\n"        // 15
    "E0\n"            // 16
    "A0\n"            // 17
    "E0\n"            // 18
    "ENDCHAR\n";      // 19
const char kGlyphJ[] =
    "STARTCHAR j\n"    // 20
    "ENCODING 106\n"   // 21
    "DWIDTH 2 0\n"     // 22
    "BBX 2 4 -1 -1\n"  // 23
    "BITMAP\n"         // 24
    "40\n"             // 25
    "40\n"             // 26
    "40\n"             // 27
    "80\n"             // 28
    "ENDCHAR\n";       // 29

std::string Font(const std::string& chars = "CHARS 2\n", const std::string& a = kGlyphA,
                 const std::string& j = kGlyphJ, const std::string& end = "ENDFONT\n") {
  return std::string(kHeader) + chars + a + j + end;
}

TCellFont Read(const std::string& text, int extra = 0) {
  std::istringstream in(text);
  return ReadBdf(in, "t.bdf", extra);
}

std::string Cell(const TCellFont& f, int code) {
  const fontc::TCell& c = f.cells[static_cast<std::size_t>(code)];
  const int stride = (c.advance + 7) / 8;
  std::string out;
  for (int y = 0; y < f.Height(); ++y) {
    for (int x = 0; x < c.advance; ++x) {
      out += (c.bits[static_cast<std::size_t>(y * stride + x / 8)] >> (7 - x % 8)) & 1 ? '#' : '.';
    }
    out += '\n';
  }
  return out;
}

// Replaces the first `from` in `s` with `to`.
std::string Swap(std::string s, const std::string& from, const std::string& to) {
  const auto at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

TEST(BdfReader, BuildsCellsOnTheBaseline) {
  const TCellFont f = Read(Font());
  EXPECT_EQ(f.ascent, 3);
  EXPECT_EQ(f.descent, 1);
  EXPECT_EQ(f.weight, 700);
  EXPECT_EQ(f.defaultChar, 65);
  EXPECT_TRUE(f.cells['A'].present);
  EXPECT_FALSE(f.cells['B'].present);
  EXPECT_EQ(f.cells['A'].advance, 4);
  EXPECT_EQ(Cell(f, 'A'), "###.\n#.#.\n###.\n....\n");
  // Widened leftwards by the pixel before the origin, so its advance grows to 3.
  EXPECT_EQ(f.cells['j'].advance, 3);
  EXPECT_EQ(Cell(f, 'j'), ".#.\n.#.\n.#.\n#..\n");
  EXPECT_EQ(f.maxCharWidth, 4);
  EXPECT_EQ(f.aveCharWidth, 4);  // no 'x': falls back on the widest
  EXPECT_EQ(f.internalLeading, 0);
}

TEST(BdfReader, ExtraRowsLeadingClippingAndOverhang) {
  // Extra rows go above the ascent and count as internal leading.
  TCellFont f = Read(Font(), 2);
  EXPECT_EQ(f.ascent, 5);
  EXPECT_EQ(f.Height(), 6);
  EXPECT_EQ(f.internalLeading, 2);
  EXPECT_EQ(Cell(f, 'A'), "....\n....\n###.\n#.#.\n###.\n....\n");

  // PIXEL_SIZE sets the internal leading; ink above the ascent is cut off.
  std::string text = Swap(Font(), "STARTPROPERTIES 4", "STARTPROPERTIES 5");
  text = Swap(text, "FONT_ASCENT 3\n", "FONT_ASCENT 3\nPIXEL_SIZE 3\n");
  text = Swap(text, "BBX 3 3 0 0", "BBX 3 3 0 1");
  f = Read(text);
  EXPECT_EQ(f.internalLeading, 1);
  EXPECT_EQ(Cell(f, 'A'), "#.#.\n###.\n....\n....\n");

  // Ink right of the advance widens the cell; padding bits past the width are no ink.
  text = Swap(Font(), "DWIDTH 4 0", "DWIDTH 2 0");
  text = Swap(text, "A0\n", "BF\n");
  f = Read(text);
  EXPECT_EQ(f.cells['A'].advance, 3);
  EXPECT_EQ(Cell(f, 'A'), "###\n#.#\n###\n...\n");

  // Unencoded glyphs and codes beyond 255 are left out, and so not duplicates.
  text = Swap(Font(), "ENCODING 106", "ENCODING -1");
  EXPECT_FALSE(Read(text).cells['j'].present);
  // 362 = 256 + 'j': must not wrap around onto 'j'.
  text = Swap(Font(), "ENCODING 106", "ENCODING 362");
  f = Read(Swap(text, "STARTCHAR j", "STARTCHAR big"));
  EXPECT_FALSE(f.cells['j'].present);
  EXPECT_TRUE(f.cells['A'].present);
}

struct BadCase {
  const char* what;
  std::string text;
  const char* message;  // the whole of what() must be exactly this
};

TEST(BdfReader, MalformedFontsFailWithFileLineAndReason) {
  const BadCase cases[] = {
      {"empty file", "", "t.bdf:0: not a BDF font (expected STARTFONT)"},
      {"not BDF", "P4\n1 1\n", "t.bdf:1: not a BDF font (expected STARTFONT)"},
      {"no ENDFONT", Font("CHARS 2\n", kGlyphA, kGlyphJ, ""),
       "t.bdf:29: end of file before ENDFONT"},
      {"CHARS too high", Font("CHARS 3\n"), "t.bdf:30: CHARS announces 3 glyphs, found 2"},
      {"no CHARS", Font("", kGlyphA, ""), "t.bdf:9: STARTCHAR before CHARS"},
      {"property count", Swap(Font(), "STARTPROPERTIES 4", "STARTPROPERTIES 7"),
       "t.bdf:3: STARTPROPERTIES announces 7, found 4"},
      {"no descent", Swap(Font(), "FONT_DESCENT 1", "X_HEIGHT 1"),
       "t.bdf:30: FONT_ASCENT and FONT_DESCENT are required"},
      {"bad number", Swap(Font(), "FONT_ASCENT 3", "FONT_ASCENT 3x"),
       "t.bdf:4: FONT_ASCENT: '3x' is not a number"},
      {"missing number", Swap(Font(), "BBX 3 3 0 0", "BBX 3 3 0"),
       "t.bdf:14: BBX needs 4 number(s)"},
      {"huge bbx", Swap(Font(), "BBX 3 3 0 0", "BBX 3 100000 0 0"),
       "t.bdf:14: BBX size 3x100000 is out of range 0..64"},
      {"negative bbx", Swap(Font(), "BBX 3 3 0 0", "BBX -3 3 0 0"),
       "t.bdf:14: BBX size -3x3 is out of range 0..64"},
      {"bad dwidth", Swap(Font(), "DWIDTH 4 0", "DWIDTH -4 0"),
       "t.bdf:13: DWIDTH -4 is out of range 0..64"},
      {"short row", Swap(Font(), "A0\n", "A\n"), "t.bdf:17: bitmap row 'A' should be 2 hex digits"},
      {"bad hex", Swap(Font(), "A0\n", "AG\n"), "t.bdf:17: bad hex digit 'G' in bitmap row"},
      {"too few rows", Swap(Font(), "E0\nENDCHAR", "ENDCHAR"),
       "t.bdf:18: glyph 'A' has 2 bitmap rows, BBX says 3"},
      {"no ENDCHAR", Swap(Font(), "E0\nENDCHAR\n", "E0\n"),
       "t.bdf:19: STARTCHAR inside glyph 'A' (missing ENDCHAR)"},
      {"cut in a bitmap",
       std::string(kHeader) + "CHARS 1\nSTARTCHAR A\nENCODING 65\n"
                              "DWIDTH 4 0\nBBX 3 3 0 0\nBITMAP\nE0\n",
       "t.bdf:15: end of file inside the bitmap of glyph 'A'"},
      {"no encoding", Swap(Font(), "ENCODING 65\n", ""), "t.bdf:10: glyph 'A' has no ENCODING"},
      {"no dwidth", Swap(Font(), "DWIDTH 4 0\n", ""), "t.bdf:10: glyph 'A' has no DWIDTH"},
      {"bitmap before bbx", Swap(Font(), "BBX 3 3 0 0\n", ""),
       "t.bdf:14: BITMAP before BBX in glyph 'A'"},
      {"duplicate code", Swap(Font(), "ENCODING 106", "ENCODING 65"),
       "t.bdf:20: code 65 defined twice (first at line 10)"},
      {"default char missing", Swap(Font(), "DEFAULT_CHAR 65", "DEFAULT_CHAR 66"),
       "t.bdf:30: DEFAULT_CHAR 66 has no glyph"},
      {"stray ENDCHAR", Font("CHARS 2\nENDCHAR\n"), "t.bdf:10: ENDCHAR outside a glyph"},
      {"no ENDPROPERTIES", "STARTFONT 2.1\nSTARTPROPERTIES 1\nFONT_ASCENT 3\n",
       "t.bdf:2: STARTPROPERTIES without ENDPROPERTIES"},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Read(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const TBdfError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
