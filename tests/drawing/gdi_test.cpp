#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/host/headless.h"

namespace {

using platform::TSurface;

constexpr std::uint32_t kW = 0xFFFFFF;

// 0x00RRGGBB to a COLORREF.
COLORREF SwapForTest(std::uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// Renders a surface region as rows of characters: '.' white, '#' `ink`, '?' other.
std::string Picture(const TSurface& s, std::uint32_t ink) {
  std::string out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const std::uint32_t p = s.Data()[y * s.Width() + x];
      out += p == kW ? '.' : p == ink ? '#' : '?';
    }
    out += '\n';
  }
  return out;
}

// Lends each window's pixels, as the X11 host lends shared memory, and spoils what it
// lent before (kept readable, so that a surface still reading it fails, not crashes).
class TLendingHost : public platform::THeadlessHost {
 public:
  std::uint32_t* WindowPixels(platform::HostWindow, int width, int height) override {
    if (!Blocks.empty()) std::fill(Blocks.back().begin(), Blocks.back().end(), 0xBADBADu);
    Blocks.emplace_back(std::size_t(width) * std::size_t(height), 0u);
    return Blocks.back().data();
  }
  std::vector<std::vector<std::uint32_t>> Blocks;
};

TEST(Surface, DrawsInLentPixelsAndKeepsThemThroughAResize) {
  TLendingHost host;
  TSurface s(3, 2, &host, 1);
  s.Resize(2, 2);
  EXPECT_TRUE(host.Blocks.empty()) << "nothing is lent before the pixels are needed";
  s.Data()[0] = 0x123456;
  s.Data()[3] = 0x654321;
  ASSERT_EQ(host.Blocks.size(), 1u);
  EXPECT_EQ(s.Data(), host.Blocks.back().data());
  s.Resize(3, 3);
  ASSERT_EQ(host.Blocks.size(), 2u);
  EXPECT_EQ(s.Data(), host.Blocks.back().data());
  const std::vector<std::uint32_t> expected{0x123456, kW, kW, kW, 0x654321, kW, kW, kW, kW};
  EXPECT_EQ(std::vector<std::uint32_t>(s.Data(), s.Data() + 9), expected);
}

struct RectCase {
  const char* name;
  int pen;  // stock pen
  RECT r;
  std::vector<RECT> clip;
  const char* expected;
};

TEST(Rectangle, ExactPixelsAndClipping) {
  const RectCase cases[] = {
      {"solid pen ring and fill", BLACK_PEN, {1, 1, 5, 5}, {{0, 0, 6, 6}},
       "......\n.####.\n.####.\n.####.\n.####.\n......\n"},
      {"null pen is one smaller", NULL_PEN, {1, 1, 5, 5}, {{0, 0, 6, 6}},
       "......\n.###..\n.###..\n.###..\n......\n......\n"},
      {"reversed corners are normalised", NULL_PEN, {5, 5, 1, 1}, {{0, 0, 6, 6}},
       "......\n.###..\n.###..\n.###..\n......\n......\n"},
      {"empty draws nothing", BLACK_PEN, {2, 2, 2, 5}, {{0, 0, 6, 6}},
       "......\n......\n......\n......\n......\n......\n"},
      {"clipped to the clip list", NULL_PEN, {0, 0, 7, 7}, {{0, 0, 2, 2}, {4, 4, 6, 6}},
       "##....\n##....\n......\n......\n....##\n....##\n"},
      {"clipped to the surface", NULL_PEN, {-3, -3, 3, 3}, {{-10, -10, 20, 20}},
       "##....\n##....\n......\n......\n......\n......\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSurface s(6, 6);
    HDC dc = platform::CreateSurfaceDC(s, {0, 0}, c.clip);
    ASSERT_NE(dc, nullptr);
    SelectObject(dc, GetStockObject(c.pen));
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(Rectangle(dc, c.r.left, c.r.top, c.r.right, c.r.bottom));
    EXPECT_EQ(Picture(s, 0), c.expected);
    EXPECT_TRUE(platform::ReleaseSurfaceDC(dc));
  }
}

TEST(Rectangle, PenAndBrushColoursAndOrigin) {
  TSurface s(5, 5);
  HDC dc = platform::CreateSurfaceDC(s, {1, 1}, {{0, 0, 5, 5}});
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  Rectangle(dc, 0, 0, 3, 3);  // lands at surface (1,1)..(3,3)
  EXPECT_EQ(s.Data()[1 * 5 + 1], 0xFF0000u);
  EXPECT_EQ(s.Data()[2 * 5 + 2], 0x0000FFu);
  EXPECT_EQ(s.Data()[3 * 5 + 3], 0xFF0000u);
  EXPECT_EQ(s.Data()[0], kW);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 255));
  platform::ReleaseSurfaceDC(dc);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST(FillRect, ExclusiveEdgesSysColourBrushesAndDirty) {
  TSurface s(6, 4);
  std::vector<RECT> dirty;
  s.TakeDirty(dirty);
  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 6, 4}});
  RECT r{1, 1, 3, 3};
  EXPECT_EQ(FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_BTNSHADOW + 1)), 1);
  EXPECT_EQ(Picture(s, 0x808080), "......\n.##...\n.##...\n......\n");
  s.TakeDirty(dirty);
  ASSERT_FALSE(dirty.empty());
  EXPECT_EQ(dirty[0].left, 1);
  EXPECT_EQ(dirty[0].right, 3);
  EXPECT_EQ(FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOWTEXT)), 1);
  EXPECT_EQ(s.Data()[6 + 1], 0u);
  EXPECT_EQ(FillRect(dc, &r, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(0x5000))), 0);
  platform::ReleaseSurfaceDC(dc);
}

TEST(SysColor, ClassicDesktopColours) {
  const struct {
    int index;
    COLORREF rgb;
  } cases[] = {{COLOR_WINDOW, RGB(255, 255, 255)},     {COLOR_BTNFACE, RGB(192, 192, 192)},
               {COLOR_BTNSHADOW, RGB(128, 128, 128)},  {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
               {COLOR_WINDOWTEXT, RGB(0, 0, 0)},       {COLOR_GRAYTEXT, RGB(128, 128, 128)},
               {COLOR_HIGHLIGHT, RGB(0, 0, 128)},      {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
               {COLOR_3DDKSHADOW, RGB(0, 0, 0)},       {COLOR_MENU, RGB(192, 192, 192)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(GetSysColor(c.index), c.rgb);
    EXPECT_NE(GetSysColorBrush(c.index), nullptr);
    EXPECT_TRUE(DeleteObject(GetSysColorBrush(c.index)));  // stock: refused harmlessly
    EXPECT_NE(GetSysColorBrush(c.index), nullptr);
  }
}

TEST(Objects, SelectAnswersPreviousAndDeletionWaitsForDeselect) {
  HDC mem = CreateCompatibleDC(nullptr);
  ASSERT_NE(mem, nullptr);
  BITMAP bm{};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  EXPECT_EQ(SelectObject(mem, red), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(mem, GetStockObject(BLACK_BRUSH)), red);
  EXPECT_EQ(SelectObject(mem, nullptr), nullptr);
  EXPECT_EQ(SelectObject(mem, reinterpret_cast<HGDIOBJ>(&bm)), nullptr);

  HBITMAP b = CreateBitmap(4, 3, 1, 32, nullptr);
  HGDIOBJ first = SelectObject(mem, b);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(GetObjectA(first, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  // A selected bitmap survives DeleteObject until it is deselected.
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_EQ(SetPixel(mem, 3, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(SelectObject(mem, b), nullptr);  // no longer a handle one may select...
  EXPECT_EQ(GetPixel(mem, 3, 2), RGB(1, 2, 3));  // ...but still drawn on
  EXPECT_EQ(SelectObject(mem, first), b);        // deselecting frees it
  EXPECT_EQ(GetPixel(mem, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mem, 3, 2), CLR_INVALID);
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_FALSE(DeleteDC(mem));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_FALSE(DeleteObject(red));
}

TEST(Objects, BitmapsAndPens) {
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(mem, 8, 8);  // like the stock bitmap: monochrome
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(mono, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 1);
  TSurface s(4, 4);
  HDC sdc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 4, 4}});
  HBITMAP colour = CreateCompatibleBitmap(sdc, 8, 8);
  ASSERT_EQ(GetObjectA(colour, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmWidth, 8);
  EXPECT_EQ(SelectObject(sdc, colour), nullptr);  // bitmaps go into memory contexts only
  EXPECT_EQ(CreateCompatibleBitmap(sdc, -1, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(sdc, 100000, 100000), nullptr);
  EXPECT_EQ(CreatePen(PS_INSIDEFRAME, 1, 0), nullptr);
  HDC other = CreateCompatibleDC(sdc);
  ASSERT_NE(SelectObject(mem, colour), nullptr);
  EXPECT_EQ(SelectObject(other, colour), nullptr);  // one context at a time
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_TRUE(DeleteObject(colour));
  EXPECT_TRUE(DeleteObject(mono));
  EXPECT_FALSE(DeleteObject(mono));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_NE(GetObjectA(GetStockObject(BLACK_PEN), 0, nullptr), 1);
  HDC notSurface = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(platform::ReleaseSurfaceDC(notSurface));
  EXPECT_TRUE(DeleteDC(notSurface));
  platform::ReleaseSurfaceDC(sdc);
}

struct BlitCase {
  const char* name;
  DWORD rop;
  std::uint32_t dst, src, expected;
};

TEST(BitBlt, RasterOperations) {
  const BlitCase cases[] = {
      {"copy", SRCCOPY, 0x00FF00, 0x123456, 0x123456},
      {"and", SRCAND, 0x0F0F0F, 0x3C3C3C, 0x0C0C0C},
      {"paint", SRCPAINT, 0x0F0000, 0x00F000, 0x0FF000},
      {"invert", SRCINVERT, 0xFF00FF, 0x0F0F0F, 0xF00FF0},
      {"dst invert", DSTINVERT, 0x123456, 0, 0xEDCBA9},
      {"blackness", BLACKNESS, 0x123456, 0, 0},
      {"whiteness", WHITENESS, 0x123456, 0, kW},
      {"pattern", PATCOPY, 0x123456, 0, 0x0000FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSurface s(4, 1);
    HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 4, 1}});
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP b = CreateCompatibleBitmap(dc, 2, 1);
    HGDIOBJ old = SelectObject(mem, b);
    SetPixel(mem, 0, 0, SwapForTest(c.src));
    SetPixel(mem, 1, 0, SwapForTest(c.src));
    for (int x = 0; x < 4; ++x) s.Data()[x] = c.dst;
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(dc, blue);
    EXPECT_TRUE(BitBlt(dc, 1, 0, 2, 1, mem, 0, 0, c.rop));
    EXPECT_EQ(s.Data()[0], c.dst);
    EXPECT_EQ(s.Data()[1], c.expected);
    EXPECT_EQ(s.Data()[2], c.expected);
    EXPECT_EQ(s.Data()[3], c.dst);
    SelectObject(mem, old);
    DeleteObject(b);
    DeleteDC(mem);
    platform::ReleaseSurfaceDC(dc);
    DeleteObject(blue);
  }
  TSurface s(2, 2);
  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 2, 2}});
  EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, 0x00BB0226));  // not supported
  EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  platform::ReleaseSurfaceDC(dc);
}

TEST(BitBlt, ClipsToSourceDestinationAndClipList) {
  TSurface src(3, 3), dst(5, 5);
  for (int i = 0; i < 9; ++i) src.Data()[i] = static_cast<std::uint32_t>(i + 1);
  HDC sdc = platform::CreateSurfaceDC(src, {0, 0}, {{0, 0, 3, 3}});
  // Overlapping clip rectangles must not apply an operation twice.
  HDC ddc = platform::CreateSurfaceDC(dst, {1, 1}, {{0, 0, 5, 3}, {0, 0, 3, 5}});
  EXPECT_TRUE(BitBlt(ddc, -1, -1, 6, 6, sdc, -1, -1, SRCCOPY));
  // Source (0,0) lands on logical (0,0) = surface (1,1); the source never goes past 3x3.
  EXPECT_EQ(dst.Data()[0], kW);
  EXPECT_EQ(dst.Data()[1 * 5 + 1], 1u);
  EXPECT_EQ(dst.Data()[2 * 5 + 2], 5u);
  EXPECT_EQ(dst.Data()[3 * 5 + 3], kW);  // outside both clip rectangles
  EXPECT_EQ(dst.Data()[3 * 5 + 2], 8u);
  EXPECT_TRUE(BitBlt(ddc, 0, 0, 5, 5, nullptr, 0, 0, DSTINVERT));
  EXPECT_EQ(dst.Data()[1 * 5 + 1], 1u ^ kW);  // inverted once, not twice
  // Overlapping copy within one surface moves the pixels like memmove.
  TSurface row(5, 1);
  for (int i = 0; i < 5; ++i) row.Data()[i] = static_cast<std::uint32_t>(i);
  HDC rdc = platform::CreateSurfaceDC(row, {0, 0}, {{0, 0, 5, 1}});
  EXPECT_TRUE(BitBlt(rdc, 1, 0, 4, 1, rdc, 0, 0, SRCCOPY));
  EXPECT_EQ(row.Data()[1], 0u);
  EXPECT_EQ(row.Data()[4], 3u);
  platform::ReleaseSurfaceDC(rdc);
  platform::ReleaseSurfaceDC(sdc);
  platform::ReleaseSurfaceDC(ddc);
}

TEST(Text, OpaqueRectangleIsFilledBeforeTheCountIsChecked) {
  TSurface s(6, 3);
  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 4, 3}});
  SetBkColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  RECT r{1, 1, 6, 3};
  EXPECT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
  EXPECT_EQ(Picture(s, 0), "......\n.###..\n.###..\n");
  EXPECT_FALSE(ExtTextOutA(dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
  EXPECT_EQ(SetBkMode(dc, 7), 0);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  platform::ReleaseSurfaceDC(dc);
}

TEST(Pixels, OutsideClipIsInvalid) {
  TSurface s(3, 3);
  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{1, 1, 2, 2}});
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(dc, 1, 1, RGB(10, 20, 30)), RGB(10, 20, 30));
  EXPECT_EQ(s.Data()[4], 0x0A141Eu);
  EXPECT_EQ(GetPixel(dc, 5, -1), CLR_INVALID);
  platform::ReleaseSurfaceDC(dc);
  EXPECT_EQ(GetPixel(dc, 1, 1), CLR_INVALID);  // released context
}


// Lends two blocks in turn, as a host that double-buffers for its display server: after
// a present the other block, brought up to date, with each pixel's top byte set.
class TFlippingHost : public platform::THeadlessHost {
 public:
  std::uint32_t* WindowPixels(platform::HostWindow, int width, int height) override {
    if (width > MaxWidth) return nullptr;
    const std::size_t n = std::size_t(width) * std::size_t(height);
    if (Blocks[0].size() != n) {
      Blocks[0].assign(n, 0);
      Blocks[1].assign(n, 0);
    } else if (Presented) {
      for (std::size_t i = 0; i < n; ++i) Blocks[1 - Lent][i] = Blocks[Lent][i] | 0xFF000000u;
      Lent = 1 - Lent;
    }
    Presented = false;
    return Blocks[Lent].data();
  }
  std::vector<std::uint32_t> Blocks[2];
  int Lent = 0;
  bool Presented = false;
  int MaxWidth = 1 << 15;
};

TEST(Surface, AsksAgainAfterAPresentAndReadsWindowPixelsWithoutTheHostsTopByte) {
  TFlippingHost host;
  TSurface s(2, 1, &host, 1);
  s.Data()[0] = 0x00FF0000;
  host.Presented = true;
  std::vector<RECT> dirty;
  s.TakeDirty(dirty);
  s.Data()[1] = 0x000000FF;
  EXPECT_EQ(host.Lent, 1) << "drawn in the block lent after the present";
  EXPECT_EQ(host.Blocks[0][1], kW) << "the presented block is left alone";
  EXPECT_EQ(host.Blocks[1][0], 0xFFFF0000u);

  HDC dc = platform::CreateSurfaceDC(s, {0, 0}, {{0, 0, 2, 1}});
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 1);
  HGDIOBJ old = SelectObject(mem, bitmap);
  ASSERT_TRUE(BitBlt(mem, 0, 0, 2, 1, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 0, 0)) << "a bitmap gets the plain colour";
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);

  // The host's top byte is no part of the colour: filling the same colour changes nothing.
  s.TakeDirty(dirty);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT first{0, 0, 1, 1};
  FillRect(dc, &first, red);
  EXPECT_FALSE(s.HasDirty());
  RECT second{1, 0, 2, 1};
  FillRect(dc, &second, red);
  EXPECT_TRUE(s.HasDirty());
  DeleteObject(red);
  platform::ReleaseSurfaceDC(dc);

  // Grown past what the host lends after a present: its own pixels, the picture kept.
  host.MaxWidth = 2;
  s.TakeDirty(dirty);
  s.Resize(3, 1);
  EXPECT_EQ(s.Data()[0] & kW, 0x00FF0000u);
}

}  // namespace
