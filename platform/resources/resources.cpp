// Module resource tables, the decoders of their image formats, and the loaders.
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/faults.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/resources/cursor_icon.h"
#include "platform/resources/decoders.h"
#include "platform/resources/resource_table.h"
#include "platform/resources/resources.h"

namespace platform {
namespace {

constexpr std::size_t kInfoHeader = 40;

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

struct Header {
  int width = 0;
  int height = 0;  // as stored
  int bitCount = 0;
  std::uint32_t sizeImage = 0;
  std::uint32_t clrUsed = 0;
};

// Reads and checks the fixed part of a BITMAPINFOHEADER at `p` (`size` bytes left).
bool ReadHeader(const std::uint8_t* p, std::size_t size, Header& h) {
  if (size < kInfoHeader) return false;
  if (U32(p) != kInfoHeader) return false;
  const auto w = static_cast<std::int32_t>(U32(p + 4));
  const auto ht = static_cast<std::int32_t>(U32(p + 8));
  if (U16(p + 12) != 1) return false;
  if (U32(p + 16) != 0) return false;  // compressed images are not supported
  if (w <= 0 || ht <= 0 || w > kMaxResourceImageSide || ht > 2 * kMaxResourceImageSide) {
    return false;
  }
  h.width = w;
  h.height = ht;
  h.bitCount = U16(p + 14);
  h.sizeImage = U32(p + 20);
  h.clrUsed = U32(p + 32);
  return true;
}

std::size_t Stride(int width, int bits) {
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

// Reads `count` RGBQUADs into 0x00RRGGBB.
void ReadPalette(const std::uint8_t* p, int count, std::uint32_t* out) {
  for (int i = 0; i < count; ++i) {
    out[i] = (static_cast<std::uint32_t>(p[4 * i + 2]) << 16) |
             (static_cast<std::uint32_t>(p[4 * i + 1]) << 8) | p[4 * i];
  }
}

int Nibble(const std::uint8_t* row, int x) {
  return (x & 1) ? row[x / 2] & 0xF : row[x / 2] >> 4;
}
bool Bit(const std::uint8_t* row, int x) {
  return (row[x / 8] >> (7 - x % 8)) & 1;
}

// The masked image formats: colour (bits 1 or 4) rows then AND rows, heights doubled.
// Only cursors (1 bit) know the screen-inverting pixel; icons are masked by AND alone.
bool DecodeMasked(const std::uint8_t* data, std::size_t size, int bits, CursorShape& out) {
  Header h;
  if (!ReadHeader(data, size, h)) return false;
  if (h.bitCount != bits || h.height % 2 != 0) return false;
  const int colours = 1 << bits;
  if (h.clrUsed != 0 && h.clrUsed != static_cast<std::uint32_t>(colours)) return false;
  const int height = h.height / 2;
  if (height > kMaxResourceImageSide) return false;
  const std::size_t colourStride = Stride(h.width, bits);
  const std::size_t maskStride = Stride(h.width, 1);
  const std::size_t colourBytes = colourStride * static_cast<std::size_t>(height);
  const std::size_t maskBytes = maskStride * static_cast<std::size_t>(height);
  const std::size_t table = static_cast<std::size_t>(colours) * 4;
  const std::size_t need = kInfoHeader + table + colourBytes + maskBytes;
  if (size < need) return false;
  if (h.sizeImage != 0 && h.sizeImage != colourBytes + maskBytes) return false;
  std::uint32_t palette[16];
  ReadPalette(data + kInfoHeader, colours, palette);
  const std::uint8_t* colour = data + kInfoHeader + table;
  const std::uint8_t* mask = colour + colourBytes;
  out.width = h.width;
  out.height = height;
  out.pixels.assign(static_cast<std::size_t>(h.width) * height, 0);
  for (int y = 0; y < height; ++y) {
    const std::size_t src = static_cast<std::size_t>(height - 1 - y);
    const std::uint8_t* crow = colour + src * colourStride;
    const std::uint8_t* mrow = mask + src * maskStride;
    for (int x = 0; x < h.width; ++x) {
      const int index = bits == 4 ? Nibble(crow, x) : Bit(crow, x);
      std::uint32_t px;
      if (!Bit(mrow, x)) {
        px = 0xFF000000u | palette[index];
      } else if (index == 0 || bits == 4) {
        px = 0;  // transparent (an icon's mask alone decides)
      } else {
        px = 0xFF000000u;  // would invert the screen: shown black
      }
      out.pixels[static_cast<std::size_t>(y) * h.width + x] = px;
    }
  }
  return true;
}

std::uint64_t NextShapeId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

}  // namespace

bool DecodeBitmap(const std::uint8_t* data, std::size_t size, DecodedBitmap& out) {
  if (data == nullptr) return false;
  Header h;
  if (!ReadHeader(data, size, h)) return false;
  if (h.bitCount != 4 || h.height > kMaxResourceImageSide) return false;
  if (h.clrUsed != 0 && h.clrUsed != 16) return false;
  const std::size_t stride = Stride(h.width, 4);
  const std::size_t bytes = stride * static_cast<std::size_t>(h.height);
  if (size < kInfoHeader + 64 + bytes) return false;
  if (h.sizeImage != 0 && h.sizeImage != bytes) return false;
  std::uint32_t palette[16];
  ReadPalette(data + kInfoHeader, 16, palette);
  const std::uint8_t* rows = data + kInfoHeader + 64;
  out.width = h.width;
  out.height = h.height;
  out.pixels.assign(static_cast<std::size_t>(h.width) * h.height, 0);
  for (int y = 0; y < h.height; ++y) {
    const std::uint8_t* row = rows + static_cast<std::size_t>(h.height - 1 - y) * stride;
    for (int x = 0; x < h.width; ++x) {
      out.pixels[static_cast<std::size_t>(y) * h.width + x] = palette[Nibble(row, x)];
    }
  }
  return true;
}

bool DecodeCursor(const std::uint8_t* data, std::size_t size, CursorShape& out) {
  if (data == nullptr || size < 4) return false;
  CursorShape shape;
  if (!DecodeMasked(data + 4, size - 4, 1, shape)) return false;
  shape.hotX = U16(data);
  shape.hotY = U16(data + 2);
  if (shape.hotX >= shape.width || shape.hotY >= shape.height) return false;
  out = std::move(shape);
  return true;
}

bool DecodeIcon(const std::uint8_t* data, std::size_t size, CursorShape& out) {
  if (data == nullptr) return false;
  CursorShape shape;
  if (!DecodeMasked(data, size, 4, shape)) return false;
  out = std::move(shape);
  return true;
}

namespace {

struct Module {
  const ResourceTable* table;
};

std::map<const ResourceTable*, std::unique_ptr<Module>>& Modules() {
  static std::map<const ResourceTable*, std::unique_ptr<Module>> modules;
  return modules;
}

Module* ModuleOf(HINSTANCE h) {
  for (auto& [table, m] : Modules()) {
    if (reinterpret_cast<HINSTANCE>(m.get()) == h) return m.get();
  }
  return nullptr;
}

bool SameName(const char* a, const char* b) {
  for (;; ++a, ++b) {
    auto ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
    if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 32);
    if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 32);
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

// Cursors and icons are shared: loading the same entry again gives the same handle.
struct ShapeRecord {
  CursorShape shape;
  bool icon;
};

std::unordered_map<const void*, std::unique_ptr<ShapeRecord>>& Shapes() {
  static std::unordered_map<const void*, std::unique_ptr<ShapeRecord>> shapes;
  return shapes;
}
std::unordered_map<const void*, ShapeRecord*>& ShapeByHandle() {
  static std::unordered_map<const void*, ShapeRecord*> byHandle;
  return byHandle;
}

HICON Publish(const void* key, CursorShape shape, bool icon) {
  auto& slot = Shapes()[key];
  if (!slot) {
    shape.id = NextShapeId();
    slot = std::make_unique<ShapeRecord>(ShapeRecord{std::move(shape), icon});
    ShapeByHandle()[slot.get()] = slot.get();
  }
  return reinterpret_cast<HICON>(slot.get());
}

const ShapeRecord* RecordOf(HICON h) {
  auto it = ShapeByHandle().find(h);
  return it == ShapeByHandle().end() ? nullptr : it->second;
}

// The standard arrow, 12x19: outline black, inside white, hot spot at the tip.
CursorShape StockArrow() {
  static const char* const kRows[] = {
      "X           ", "XX          ", "X.X         ", "X..X        ", "X...X       ",
      "X....X      ", "X.....X     ", "X......X    ", "X.......X   ", "X........X  ",
      "X.........X ", "X......XXXXX", "X...X..X    ", "X..XX..X    ", "X.X  X..X   ",
      "XX   X..X   ", "X     X..X  ", "      X..X  ", "       XX   "};
  CursorShape s;
  s.width = 12;
  s.height = 19;
  s.systemArrow = true;
  for (const char* row : kRows) {
    for (int x = 0; x < 12; ++x) {
      s.pixels.push_back(row[x] == 'X' ? 0xFF000000u : row[x] == '.' ? 0xFFFFFFFFu : 0u);
    }
  }
  return s;
}

// The default application icon, 32x32: a small window with a navy title bar.
CursorShape StockApplicationIcon() {
  CursorShape s;
  s.width = 32;
  s.height = 32;
  s.pixels.assign(32 * 32, 0);
  for (int y = 3; y < 29; ++y) {
    for (int x = 2; x < 30; ++x) {
      const bool frame = x == 2 || x == 29 || y == 3 || y == 28;
      const bool title = y >= 4 && y < 9;
      s.pixels[y * 32 + x] = frame ? 0xFF000000u : title ? 0xFF000080u : 0xFFFFFFFFu;
    }
  }
  return s;
}

const int kArrowKey = 0;
const int kAppIconKey = 0;

}  // namespace

HINSTANCE RegisterModule(const ResourceTable& table) {
  auto& slot = Modules()[&table];
  if (!slot) slot = std::make_unique<Module>(Module{&table});
  return reinterpret_cast<HINSTANCE>(slot.get());
}

const ResourceEntry* FindModuleResource(HINSTANCE module, ResourceKind kind, LPCSTR name) {
  Module* m = ModuleOf(module);
  if (m == nullptr || name == nullptr || IS_INTRESOURCE(name)) return nullptr;
  for (std::size_t i = 0; i < m->table->count; ++i) {
    const ResourceEntry& e = m->table->entries[i];
    if (e.kind == kind && e.name != nullptr && SameName(e.name, name)) return &e;
  }
  return nullptr;
}

const CursorShape* CursorShapeOf(HCURSOR cursor) {
  const ShapeRecord* r = RecordOf(cursor);
  return r && !r->icon ? &r->shape : nullptr;
}

const CursorShape* IconShapeOf(HICON icon) {
  const ShapeRecord* r = RecordOf(icon);
  return r && r->icon ? &r->shape : nullptr;
}

}  // namespace platform

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  if (platform::RefuseThisCall(platform::TOperation::LoadBitmapA)) return nullptr;
  const platform::ResourceEntry* e =
      platform::FindModuleResource(instance, platform::ResourceKind::Bitmap, name);
  platform::DecodedBitmap image;
  if (e == nullptr || !platform::DecodeBitmap(e->data, e->size, image)) return nullptr;
  return platform::MakeBitmap(image.width, image.height, 4, std::move(image.pixels));
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr) {
    if (name != IDC_ARROW) return nullptr;
    return platform::Publish(&platform::kArrowKey, platform::StockArrow(), false);
  }
  const platform::ResourceEntry* e =
      platform::FindModuleResource(instance, platform::ResourceKind::Cursor, name);
  platform::CursorShape shape;
  if (e == nullptr || !platform::DecodeCursor(e->data, e->size, shape)) return nullptr;
  return platform::Publish(e, std::move(shape), false);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr) {
    if (name != IDI_APPLICATION) return nullptr;
    return platform::Publish(&platform::kAppIconKey, platform::StockApplicationIcon(), true);
  }
  const platform::ResourceEntry* e =
      platform::FindModuleResource(instance, platform::ResourceKind::Icon, name);
  platform::CursorShape shape;
  if (e == nullptr || !platform::DecodeIcon(e->data, e->size, shape)) return nullptr;
  return platform::Publish(e, std::move(shape), true);
}

// Loaded cursors and icons are shared, so destroying one only checks the handle.
BOOL DestroyCursor(HCURSOR cursor) {
  return platform::CursorShapeOf(cursor) ? TRUE : FALSE;
}
BOOL DestroyIcon(HICON icon) {
  return platform::IconShapeOf(icon) ? TRUE : FALSE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  const platform::CursorShape* s = platform::IconShapeOf(icon);
  if (s == nullptr) s = platform::CursorShapeOf(icon);
  if (s == nullptr) return FALSE;
  return platform::DrawMaskedImage(dc, x, y, s->pixels.data(), s->width, s->height);
}
