#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace {

using platform::TBitmapFont;

struct NamedFont {
  const char* name;
  const TBitmapFont& (*get)();
  int stock;
};
const NamedFont kFonts[] = {{"system", platform::SystemFont, SYSTEM_FONT},
                            {"dialog", platform::DialogFont, DEFAULT_GUI_FONT}};

// One cell as rows of '#' (ink) and '.', from the font's own Pixel answers.
std::string Cell(const TBitmapFont& f, unsigned char c) {
  std::string out;
  for (int y = 0; y < f.Metrics().height; ++y) {
    for (int x = 0; x < f.Advance(c); ++x) out += f.Pixel(c, x, y) ? '#' : '.';
    out += '\n';
  }
  return out;
}

int Width(const TBitmapFont& f, const std::string& s) {
  return f.TextWidth(s.data(), static_cast<int>(s.size()));
}

TEST(FontMetrics, SaneAndConsistent) {
  for (const auto& nf : kFonts) {
    SCOPED_TRACE(nf.name);
    const TBitmapFont& f = nf.get();
    const platform::TFontMetrics& m = f.Metrics();
    EXPECT_EQ(m.ascent + m.descent, m.height);
    EXPECT_GT(m.ascent, 0);
    EXPECT_GE(m.descent, 0);
    EXPECT_GE(m.internalLeading, 0);
    EXPECT_LT(m.internalLeading, m.ascent);
    EXPECT_EQ(m.externalLeading, 0);
    int widest = 0;
    for (int c = 0; c < 256; ++c)
      widest = std::max(widest, f.Advance(static_cast<unsigned char>(c)));
    EXPECT_EQ(m.maxCharWidth, widest);
    EXPECT_GT(m.aveCharWidth, 0);
    EXPECT_LE(m.aveCharWidth, m.maxCharWidth);
    // Every printable ASCII character has a glyph of its own, distinct from the default.
    for (int c = 0x21; c <= 0x7E; ++c) {
      SCOPED_TRACE(c);
      const auto uc = static_cast<unsigned char>(c);
      EXPECT_GT(f.Advance(uc), 0);
      EXPECT_NE(Cell(f, uc), Cell(f, static_cast<unsigned char>(f.DefaultChar())));
    }
    EXPECT_GT(f.Advance(' '), 0);
    EXPECT_EQ(Cell(f, ' ').find('#'), std::string::npos);
  }
  EXPECT_EQ(platform::SystemFont().Metrics().weight, 700);
  EXPECT_EQ(platform::DialogFont().Metrics().weight, 400);
}

TEST(FontMetrics, SystemFontFitsTheScorePanel) {
  const TBitmapFont& f = platform::SystemFont();
  // The panel's smallest number box is 18 rows tall, the time box 32 wide, a counter's 30.
  EXPECT_LE(f.Metrics().height, 18);
  EXPECT_LE(Width(f, "15.0"), 32);
  EXPECT_LE(Width(f, "000"), 30);
  // Figures share one width, so every three-digit count fits as "000" does and the
  // numbers do not jiggle as they change.
  for (char d = '0'; d <= '9'; ++d) EXPECT_EQ(f.Advance(d), f.Advance('0')) << d;
  // The full stop is narrower than a figure: "15.0" is not wider than four figures.
  EXPECT_LT(f.Advance('.'), f.Advance('0'));
}

TEST(FontMetrics, DialogFontGivesTheDialogBaseUnits) {
  // Dialog templates are laid out for a 13-row, 6-pixel base unit font; the base unit is
  // the rounded average advance of the 52 letters.
  const TBitmapFont& f = platform::DialogFont();
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  EXPECT_EQ((Width(f, letters) / 26 + 1) / 2, 6);
  EXPECT_EQ(f.Metrics().height, 13);
  EXPECT_EQ(f.Metrics().ascent, 11);
  EXPECT_EQ(f.Metrics().descent, 2);
  // Smaller than the system font, as a dialog font is.
  EXPECT_LT(f.Metrics().height, platform::SystemFont().Metrics().height);
  EXPECT_LT(Width(f, letters), Width(platform::SystemFont(), letters));
}

// Cells written out by hand from the BDF glyph bitmaps and their BBX placement.
TEST(FontGlyphs, KnownCellsFromTheBdfSources) {
  EXPECT_EQ(Cell(platform::SystemFont(), '1'),
            "........\n"
            "........\n"
            "...##...\n"
            ".####...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "........\n"
            "........\n"
            "........\n");
  // The bold f overhangs its 4-pixel advance; its cell is widened to keep the hook.
  EXPECT_EQ(Cell(platform::SystemFont(), 'f'),
            ".....\n"
            ".....\n"
            "..###\n"
            ".##..\n"
            ".##..\n"
            "####.\n"
            ".##..\n"
            ".##..\n"
            ".##..\n"
            ".##..\n"
            ".##..\n"
            ".##..\n"
            ".##..\n"
            ".....\n"
            ".....\n"
            ".....\n");
  // The dialog font carries one row of leading above the source's ascent.
  EXPECT_EQ(Cell(platform::DialogFont(), 'A'),
            ".......\n"
            ".......\n"
            ".......\n"
            "...#...\n"
            "...#...\n"
            "..#.#..\n"
            "..#.#..\n"
            ".#...#.\n"
            ".#####.\n"
            "#.....#\n"
            "#.....#\n"
            ".......\n"
            ".......\n");
  // j starts one pixel left of its origin; the cell grows leftwards to hold the tail.
  EXPECT_EQ(Cell(platform::DialogFont(), 'j'),
            "...\n...\n...\n.#.\n...\n.#.\n.#.\n.#.\n.#.\n.#.\n.#.\n.#.\n#..\n");
}

TEST(FontGlyphs, EveryByteIsSafeAndMissingOnesDrawTheDefaultChar) {
  for (const auto& nf : kFonts) {
    SCOPED_TRACE(nf.name);
    const TBitmapFont& f = nf.get();
    const int h = f.Metrics().height;
    const auto def = static_cast<unsigned char>(f.DefaultChar());
    ASSERT_GT(f.Advance(def), 0);
    for (int ci = 0; ci < 256; ++ci) {
      const auto c = static_cast<unsigned char>(ci);
      const int adv = f.Advance(c);
      ASSERT_GE(adv, 0);
      ASSERT_LE(adv, f.Metrics().maxCharWidth);
      for (int y = -3; y < h + 3; ++y) {
        for (int x = -3; x < adv + 3; ++x) {
          if (x < 0 || y < 0 || x >= adv || y >= h) {
            ASSERT_FALSE(f.Pixel(c, x, y)) << ci << " at " << x << "," << y;
          } else {
            (void)f.Pixel(c, x, y);  // in bounds under the sanitizers
          }
        }
      }
      EXPECT_FALSE(f.Pixel(c, 1 << 30, 1 << 30));
      EXPECT_FALSE(f.Pixel(c, -(1 << 30), 0));
    }
    // Control codes and the unassigned 0x80..0x9F have no glyph in the sources.
    for (int ci : {0x01, 0x0A, 0x1F, 0x7F, 0x80, 0x9F}) {
      SCOPED_TRACE(ci);
      const auto c = static_cast<unsigned char>(ci);
      EXPECT_EQ(f.Advance(c), f.Advance(def));
      EXPECT_EQ(Cell(f, c), Cell(f, def));
    }
    // Latin-1 letters do have their own.
    EXPECT_NE(Cell(f, 0xE9), Cell(f, def));
  }
}

TEST(FontGlyphs, TextWidthSumsAdvances) {
  const TBitmapFont& f = platform::SystemFont();
  const char text[] = "Hi\xFF\x85";
  EXPECT_EQ(f.TextWidth(text, 4),
            f.Advance('H') + f.Advance('i') + f.Advance(0xFF) + f.Advance(0x85));
  EXPECT_EQ(f.TextWidth(text, 2), f.Advance('H') + f.Advance('i'));
  EXPECT_EQ(f.TextWidth(text, 0), 0);
  EXPECT_EQ(f.TextWidth(text, -5), 0);
  EXPECT_EQ(f.TextWidth(nullptr, 3), 0);
}

// Text drawn through the drawing layer on a small surface.
class TextOnSurface : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kWhite = 0xFFFFFF;
  static constexpr std::uint32_t kRed = 0xFF0000;
  static constexpr std::uint32_t kBlue = 0x0000FF;

  std::uint32_t At(const platform::TSurface& s, int x, int y) {
    return s.Data()[static_cast<std::size_t>(y) * s.Width() + x];
  }
};

TEST_F(TextOnSurface, InkAndOpaqueBackgroundStayInsideTheCell) {
  constexpr int kX = 3, kY = 2;
  for (const auto& nf : kFonts) {
    SCOPED_TRACE(nf.name);
    const TBitmapFont& f = nf.get();
    const int h = f.Metrics().height;
    for (bool opaque : {false, true}) {
      for (bool clipped : {false, true}) {
        for (int ci = 0; ci < 256; ++ci) {
          const auto c = static_cast<unsigned char>(ci);
          const int adv = f.Advance(c);
          platform::TSurface s(adv + 2 * kX, h + 2 * kY);
          HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, s.Width(), s.Height()}});
          ASSERT_NE(dc, nullptr);
          ASSERT_NE(SelectObject(dc, GetStockObject(nf.stock)), nullptr);
          SetTextColor(dc, RGB(0, 0, 255));
          SetBkColor(dc, RGB(255, 0, 0));
          SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
          const char text[1] = {static_cast<char>(c)};
          // Clipped, the cell loses its first and last column and row.
          const RECT clip{kX + 1, kY + 1, kX + adv - 1, kY + h - 1};
          ASSERT_TRUE(ExtTextOutA(dc, kX, kY, clipped ? ETO_CLIPPED : 0, &clip, text, 1, nullptr));
          for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x) {
              const bool inCell =
                  clipped ? x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom
                          : x >= kX && x < kX + adv && y >= kY && y < kY + h;
              const std::uint32_t want = !inCell                      ? kWhite
                                         : f.Pixel(c, x - kX, y - kY) ? kBlue
                                         : opaque                     ? kRed
                                                                      : kWhite;
              ASSERT_EQ(At(s, x, y), want)
                  << "char " << ci << (opaque ? " opaque" : "") << (clipped ? " clipped" : "")
                  << " at " << x << "," << y;
            }
          }
          ASSERT_TRUE(platform::ReleaseSurfaceDC(dc));
        }
      }
    }
  }
}

TEST_F(TextOnSurface, StringAdvancesByTheGlyphWidths) {
  const TBitmapFont& f = platform::SystemFont();
  const std::string text = "15.0";
  const int w = Width(f, text), h = f.Metrics().height;
  platform::TSurface s(w + 4, h);
  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, s.Width(), s.Height()}});
  ASSERT_NE(dc, nullptr);
  SetBkColor(dc, RGB(255, 0, 0));
  ASSERT_TRUE(TextOutA(dc, 1, 0, text.data(), static_cast<int>(text.size())));
  // Default context: system font, black text, opaque background.
  int pen = 1;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < f.Advance(c); ++x) {
        ASSERT_EQ(At(s, pen + x, y), f.Pixel(c, x, y) ? 0x000000u : kRed)
            << ch << " at " << x << "," << y;
      }
    }
    pen += f.Advance(c);
  }
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(At(s, 0, y), kWhite);
    for (int x = pen; x < s.Width(); ++x) EXPECT_EQ(At(s, x, y), kWhite);
  }
  ASSERT_TRUE(platform::ReleaseSurfaceDC(dc));
}

TEST_F(TextOnSurface, ExtentAndMetricsComeFromTheSelectedFont) {
  platform::TSurface s(4, 4);
  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 4, 4}});
  ASSERT_NE(dc, nullptr);
  const std::vector<std::string> texts = {"",     "15.0",   "000",
                                          "Hits", "&Pause", "Game time \xE9\x90\x01"};
  for (const auto& nf : kFonts) {
    SCOPED_TRACE(nf.name);
    const TBitmapFont& f = nf.get();
    ASSERT_NE(SelectObject(dc, GetStockObject(nf.stock)), nullptr);
    for (const std::string& t : texts) {
      SCOPED_TRACE(t);
      SIZE size{-1, -1};
      ASSERT_TRUE(GetTextExtentPoint32A(dc, t.data(), static_cast<int>(t.size()), &size));
      EXPECT_EQ(size.cx, Width(f, t));
      EXPECT_EQ(size.cy, f.Metrics().height);
    }
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    const platform::TFontMetrics& m = f.Metrics();
    EXPECT_EQ(tm.tmHeight, m.height);
    EXPECT_EQ(tm.tmAscent, m.ascent);
    EXPECT_EQ(tm.tmDescent, m.descent);
    EXPECT_EQ(tm.tmInternalLeading, m.internalLeading);
    EXPECT_EQ(tm.tmAveCharWidth, m.aveCharWidth);
    EXPECT_EQ(tm.tmMaxCharWidth, m.maxCharWidth);
    EXPECT_EQ(tm.tmWeight, m.weight);
  }
  ASSERT_TRUE(platform::ReleaseSurfaceDC(dc));
}

}  // namespace
