#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/resources/cursor_icon.h"
#include "platform/resources/decoders.h"
#include "platform/gdi/gdi.h"
#include "platform/resources/resource_table.h"
#include "platform/resources/resources.h"
#include "platform/gdi/surface.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void Header(Bytes& b, int w, int h, int bits, std::uint32_t clrUsed) {
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(w));
  Put32(b, static_cast<std::uint32_t>(h));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bits));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, clrUsed);
  Put32(b, 0);
}

// A 4-bit bitmap whose pixel (x, y) has colour index (x + y) % 16; palette i = (i,2i,3i).
Bytes MakeBitmap(int w, int h) {
  Bytes b;
  Header(b, w, h, 4, 16);
  for (int i = 0; i < 16; ++i) {
    b.push_back(static_cast<std::uint8_t>(3 * i));
    b.push_back(static_cast<std::uint8_t>(2 * i));
    b.push_back(static_cast<std::uint8_t>(i));
    b.push_back(0);
  }
  const int stride = ((w * 4 + 31) / 32) * 4;
  for (int row = h - 1; row >= 0; --row) {
    Bytes line(static_cast<std::size_t>(stride), 0);
    for (int x = 0; x < w; ++x) {
      const int v = (x + row) % 16;
      line[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

// A 1-bit cursor: left half opaque white, right half transparent; hot spot (1, 2).
Bytes MakeCursor(int w, int h) {
  Bytes b;
  Put16(b, 1);
  Put16(b, 2);
  Header(b, w, 2 * h, 1, 2);
  Put32(b, 0);
  Put32(b, 0x00FFFFFF);
  const int stride = ((w + 31) / 32) * 4;
  for (int pass = 0; pass < 2; ++pass) {  // XOR rows, then AND rows
    for (int row = 0; row < h; ++row) {
      Bytes line(static_cast<std::size_t>(stride), 0);
      for (int x = 0; x < w; ++x) {
        const bool left = x < w / 2;
        const bool bit = pass == 0 ? left : !left;
        if (bit) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
      b.insert(b.end(), line.begin(), line.end());
    }
  }
  return b;
}

// A 4-bit icon: colour index 9 everywhere, top row transparent.
Bytes MakeIcon(int w, int h) {
  Bytes b;
  Header(b, w, 2 * h, 4, 16);
  for (int i = 0; i < 16; ++i) Put32(b, i == 9 ? 0x00FF0000u : 0u);  // index 9: red
  const int stride = ((w * 4 + 31) / 32) * 4;
  for (int row = 0; row < h; ++row) {
    Bytes line(static_cast<std::size_t>(stride), 0);
    for (int x = 0; x < w; ++x) line[x / 2] |= static_cast<std::uint8_t>(x % 2 ? 9 : 0x90);
    b.insert(b.end(), line.begin(), line.end());
  }
  const int mstride = ((w + 31) / 32) * 4;
  for (int row = 0; row < h; ++row) {  // bottom-up: the last row stored is the top one
    Bytes line(static_cast<std::size_t>(mstride), row == h - 1 ? 0xFF : 0);
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

bool DecodeAny(int kind, const Bytes& b) {
  const std::uint8_t* p = b.empty() ? nullptr : b.data();
  platform::DecodedBitmap bmp;
  platform::CursorShape shape;
  switch (kind) {
    case 0:
      return platform::DecodeBitmap(p, b.size(), bmp);
    case 1:
      return platform::DecodeCursor(p, b.size(), shape);
    default:
      return platform::DecodeIcon(p, b.size(), shape);
  }
}

TEST(Decoders, WellFormedImagesDecode) {
  platform::DecodedBitmap bmp;
  Bytes b = MakeBitmap(5, 3);
  ASSERT_TRUE(platform::DecodeBitmap(b.data(), b.size(), bmp));
  ASSERT_EQ(bmp.width, 5);
  ASSERT_EQ(bmp.height, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::uint32_t i = static_cast<std::uint32_t>((x + y) % 16);
      EXPECT_EQ(bmp.pixels[y * 5 + x], (i << 16) | (2 * i << 8) | 3 * i) << x << "," << y;
    }
  }
  platform::CursorShape c;
  Bytes cb = MakeCursor(32, 4);
  ASSERT_TRUE(platform::DecodeCursor(cb.data(), cb.size(), c));
  EXPECT_EQ(c.hotX, 1);
  EXPECT_EQ(c.hotY, 2);
  EXPECT_EQ(c.pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(c.pixels[31], 0u);
  platform::CursorShape icon;
  Bytes ib = MakeIcon(3, 2);
  ASSERT_TRUE(platform::DecodeIcon(ib.data(), ib.size(), icon));
  EXPECT_EQ(icon.pixels[0], 0u);             // top row masked out
  EXPECT_EQ(icon.pixels[3], 0xFFFF0000u);    // second row red, opaque
}

TEST(Decoders, RefuseInconsistentHeaders) {
  struct Case {
    const char* name;
    int kind;
    std::size_t offset;
    std::uint32_t value;
    int width;  // 2 or 4 bytes
  } cases[] = {
      {"biSize", 0, 0, 12, 4},          {"zero width", 0, 4, 0, 4},
      {"negative width", 0, 4, 0xFFFFFFFF, 4}, {"top-down height", 0, 8, 0xFFFFFFFD, 4},
      {"huge width", 0, 4, 5000, 4},    {"planes", 0, 12, 2, 2},
      {"bit count", 0, 14, 8, 2},       {"compression", 0, 16, 2, 4},
      {"image size", 0, 20, 7, 4},      {"colour count", 0, 32, 256, 4},
      {"odd cursor height", 1, 12, 7, 4}, {"cursor bits", 1, 18, 4, 2},
      {"hot spot outside", 1, 0, 40, 2}, {"icon bits", 2, 14, 1, 2},
      {"huge icon", 2, 8, 0x7FFFFFFE, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes b = c.kind == 0 ? MakeBitmap(4, 4) : c.kind == 1 ? MakeCursor(32, 4) : MakeIcon(4, 4);
    ASSERT_TRUE(DecodeAny(c.kind, b));
    for (int i = 0; i < c.width; ++i) b[c.offset + i] = (c.value >> (8 * i)) & 0xFF;
    EXPECT_FALSE(DecodeAny(c.kind, b));
  }
}

TEST(Decoders, TruncationSweepAndRandomMutations) {
  const Bytes samples[] = {MakeBitmap(7, 5), MakeCursor(32, 32), MakeIcon(16, 16)};
  for (int kind = 0; kind < 3; ++kind) {
    const Bytes& full = samples[kind];
    ASSERT_TRUE(DecodeAny(kind, full));
    for (std::size_t n = 0; n < full.size(); ++n) {
      // An exactly sized copy, so the sanitizers see any read past the end.
      Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
      cut.shrink_to_fit();
      EXPECT_FALSE(DecodeAny(kind, cut)) << "kind " << kind << " length " << n;
    }
  }
  std::mt19937 rng(1234);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    const int kind = round % 3;
    Bytes b = samples[kind];
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i) {
      const std::size_t at = rng() % std::min<std::size_t>(b.size(), 64);  // mostly headers
      b[at] = static_cast<std::uint8_t>(rng());
    }
    if (rng() % 4 == 0) b.resize(rng() % b.size());
    b.shrink_to_fit();
    platform::DecodedBitmap bmp;
    platform::CursorShape shape;
    const std::uint8_t* p = b.empty() ? nullptr : b.data();
    bool ok = kind == 0   ? platform::DecodeBitmap(p, b.size(), bmp)
              : kind == 1 ? platform::DecodeCursor(p, b.size(), shape)
                          : platform::DecodeIcon(p, b.size(), shape);
    if (ok) {
      ++accepted;
      const auto size = kind == 0 ? bmp.pixels.size() : shape.pixels.size();
      const auto w = kind == 0 ? bmp.width : shape.width;
      const auto h = kind == 0 ? bmp.height : shape.height;
      EXPECT_EQ(size, static_cast<std::size_t>(w) * h);
    }
  }
  EXPECT_GT(accepted, 0);  // mutations of palettes and pixels are legitimate images
}

TEST(Resources, LookupLoadAndDraw) {
  static const Bytes bitmap = MakeBitmap(3, 2);
  static const Bytes cursor = MakeCursor(32, 4);
  static const Bytes icon = MakeIcon(3, 2);
  static const Bytes broken(bitmap.begin(), bitmap.begin() + 50);
  static const platform::ResourceEntry entries[] = {
      {platform::ResourceKind::Bitmap, "TILES", bitmap.data(), bitmap.size()},
      {platform::ResourceKind::Cursor, "HAND", cursor.data(), cursor.size()},
      {platform::ResourceKind::Icon, "APP", icon.data(), icon.size()},
      {platform::ResourceKind::Bitmap, "BROKEN", broken.data(), broken.size()},
  };
  static const platform::ResourceTable table{entries, 4};
  HINSTANCE m = platform::RegisterModule(table);
  EXPECT_EQ(platform::RegisterModule(table), m);
  EXPECT_EQ(platform::FindModuleResource(m, platform::ResourceKind::Bitmap, "tiles"), &entries[0]);
  EXPECT_EQ(platform::FindModuleResource(m, platform::ResourceKind::Icon, "tiles"), nullptr);
  EXPECT_EQ(platform::FindModuleResource(m, platform::ResourceKind::Bitmap, MAKEINTRESOURCEA(1)),
            nullptr);
  EXPECT_EQ(LoadBitmapA(m, "broken"), nullptr);
  EXPECT_EQ(LoadBitmapA(m, "missing"), nullptr);

  HBITMAP b = LoadBitmapA(m, "Tiles");
  ASSERT_NE(b, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(b, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmBitsPixel, 4);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, b);
  EXPECT_EQ(GetPixel(mem, 2, 1), RGB(3, 6, 9));  // index 3
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(b);

  HCURSOR hand = LoadCursorA(m, "hand");
  ASSERT_NE(platform::CursorShapeOf(hand), nullptr);
  EXPECT_EQ(platform::IconShapeOf(hand), nullptr);
  EXPECT_EQ(LoadCursorA(m, "HAND"), hand);  // shared
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  ASSERT_NE(platform::CursorShapeOf(arrow), nullptr);
  EXPECT_TRUE(platform::CursorShapeOf(arrow)->systemArrow);
  EXPECT_NE(platform::CursorShapeOf(arrow)->id, platform::CursorShapeOf(hand)->id);
  EXPECT_TRUE(DestroyCursor(hand));
  EXPECT_FALSE(DestroyCursor(reinterpret_cast<HCURSOR>(&bm)));

  HICON app = LoadIconA(m, "app");
  ASSERT_NE(platform::IconShapeOf(app), nullptr);
  ASSERT_NE(platform::IconShapeOf(LoadIconA(nullptr, IDI_APPLICATION)), nullptr);
  platform::TSurface s(4, 3);
  HDC dc = platform::CreateSurfaceDC(s, {1, 0}, {{0, 0, 4, 3}});
  EXPECT_TRUE(DrawIcon(dc, 0, 0, app));
  EXPECT_EQ(s.Data()[1], 0xFFFFFFu);           // masked row untouched
  EXPECT_EQ(s.Data()[4 + 1], 0xFF0000u);       // red, shifted by the origin
  EXPECT_EQ(s.Data()[4 + 0], 0xFFFFFFu);
  EXPECT_FALSE(DrawIcon(dc, 0, 0, nullptr));
  platform::ReleaseSurfaceDC(dc);
  EXPECT_TRUE(DestroyIcon(app));
}

}  // namespace
