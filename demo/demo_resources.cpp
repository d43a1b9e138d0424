#include "demo/demo_resources.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/resources/resource_table.h"

namespace demo {
namespace {

constexpr int kSide = 32;

using TBytes = std::vector<std::uint8_t>;

void Put16(TBytes& b, unsigned v) {
  b.push_back(std::uint8_t(v & 0xFF));
  b.push_back(std::uint8_t((v >> 8) & 0xFF));
}

void Put32(TBytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void PutInfoHeader(TBytes& b, int bitCount) {
  Put32(b, 40);
  Put32(b, kSide);
  Put32(b, kSide * 2);  // colour rows and mask rows
  Put16(b, 1);
  Put16(b, unsigned(bitCount));
  for (int i = 0; i < 6; ++i) Put32(b, 0);  // compression, size, resolutions, colours
}

// 'B' black, 'W' white, ' ' transparent: what a cursor pixel at (x, y) is.
using TCursorArt = char (*)(int x, int y);

char Cross(int x, int y) {
  auto black = [](int px, int py) {
    bool upright = std::abs(px - 15) <= 1 && py >= 4 && py <= 26;
    bool across = std::abs(py - 15) <= 1 && px >= 4 && px <= 26;
    return upright || across;
  };
  if (black(x, y)) return 'B';
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (black(x + dx, y + dy)) return 'W';  // an outline, to be seen on dark ground
    }
  }
  return ' ';
}

char Box(int x, int y) {
  if (x > 19 || y > 19) return ' ';
  return (x == 0 || y == 0 || x == 19 || y == 19) ? 'B' : 'W';
}

// Hot spot, header, black and white, XOR rows, AND rows; rows bottom-up, 4 bytes each.
TBytes CursorBytes(TCursorArt art, int hotX, int hotY) {
  TBytes b;
  Put16(b, unsigned(hotX));
  Put16(b, unsigned(hotY));
  PutInfoHeader(b, 1);
  Put32(b, 0x00000000);
  Put32(b, 0x00FFFFFF);
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = kSide - 1; y >= 0; --y) {
      std::uint32_t row = 0;
      for (int x = 0; x < kSide; ++x) {
        char c = art(x, y);
        bool bit = pass == 0 ? c == 'W' : c == ' ';
        if (bit) row |= 0x80000000u >> x;
      }
      for (int shift = 24; shift >= 0; shift -= 8) b.push_back(std::uint8_t(row >> shift));
    }
  }
  return b;
}

// A red disc with a yellow middle on a transparent ground.
TBytes IconBytes() {
  TBytes b;
  PutInfoHeader(b, 4);
  const std::uint32_t palette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (std::uint32_t rgb : palette) {
    b.push_back(std::uint8_t(rgb & 0xFF));  // RGBQUAD: blue, green, red, 0
    b.push_back(std::uint8_t((rgb >> 8) & 0xFF));
    b.push_back(std::uint8_t((rgb >> 16) & 0xFF));
    b.push_back(0);
  }
  auto distance2 = [](int x, int y) { return (x - 15) * (x - 15) + (y - 15) * (y - 15); };
  for (int y = kSide - 1; y >= 0; --y) {
    for (int x = 0; x < kSide; x += 2) {
      auto index = [&](int px) { return distance2(px, y) <= 36 ? 11 : 9; };
      b.push_back(std::uint8_t((index(x) << 4) | index(x + 1)));
    }
  }
  for (int y = kSide - 1; y >= 0; --y) {
    std::uint32_t row = 0;
    for (int x = 0; x < kSide; ++x) {
      if (distance2(x, y) > 225) row |= 0x80000000u >> x;
    }
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(std::uint8_t(row >> shift));
  }
  return b;
}

}  // namespace

HINSTANCE DemoModule() {
  // The table must outlive the module, which lives as long as the process.
  static const TBytes cross = CursorBytes(Cross, 15, 15);
  static const TBytes box = CursorBytes(Box, 2, 3);
  static const TBytes icon = IconBytes();
  static const platform::ResourceEntry entries[] = {
      {platform::ResourceKind::Cursor, kCrossCursor, cross.data(), cross.size()},
      {platform::ResourceKind::Cursor, kBoxCursor, box.data(), box.size()},
      {platform::ResourceKind::Icon, kIcon, icon.data(), icon.size()},
  };
  static const platform::ResourceTable table{entries, std::size(entries)};
  return platform::RegisterModule(table);
}

}  // namespace demo
