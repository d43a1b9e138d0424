// What the drawing code shares between its files: the objects behind GDI handles.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/host/host_pixels.h"

namespace platform {

class TBitmapFont;

enum class GdiKind { Pen, Brush, Font, Bitmap };

struct GdiObject {
  GdiKind kind;
  bool stock = false;
  bool deletePending = false;  // DeleteObject came while it was selected somewhere
  int selections = 0;
  // Pen and brush.
  bool null = false;
  int width = 1;
  std::uint32_t pixel = 0;  // 0x00RRGGBB
  // Font.
  const TBitmapFont* font = nullptr;
  // Bitmap.
  int bmWidth = 0;
  int bmHeight = 0;
  int bitsPixel = 32;
  std::vector<std::uint32_t> bits;
};

constexpr std::uint32_t kWhite = 0xFFFFFF;

struct DeviceContext {
  bool memory = false;
  TSurface* surface = nullptr;  // surface contexts only
  POINT origin{0, 0};
  std::vector<RECT> clip;  // target coordinates, disjoint; memory contexts: the bitmap
  GdiObject* pen = nullptr;
  GdiObject* brush = nullptr;
  GdiObject* font = nullptr;
  GdiObject* bitmap = nullptr;  // memory contexts only
  std::uint32_t bk = kWhite;    // 0x00RRGGBB
  std::uint32_t text = 0;
  int bkMode = OPAQUE;
};

// The live context behind `dc`, or nullptr.
DeviceContext* DcOf(HDC dc);
// A brush handle, including the (HBRUSH)(COLOR_x + 1) convention; nullptr for none.
GdiObject* BrushOf(HBRUSH h);

// Registers a new object and answers its handle.
HGDIOBJ NewGdiObject(GdiObject* object);
// The live object behind `handle`, or nullptr.
GdiObject* GdiObjectOf(HGDIOBJ handle);
// A bitmap holding `pixels` (width*height, rows top to bottom) reported at `bitsPixel`.
HBITMAP MakeBitmap(int width, int height, int bitsPixel, std::vector<std::uint32_t> pixels);

// Writes the clipped part of `src` (width*height 0xAARRGGBB, top to bottom) at logical
// (x, y), skipping pixels whose alpha is zero.
BOOL DrawMaskedImage(HDC dc, int x, int y, const std::uint32_t* src, int width, int height);

// The stock font handles: SYSTEM_FONT and DEFAULT_GUI_FONT; nullptr for any other.
HGDIOBJ StockFont(int which);

// `rects` made pairwise disjoint into `out`, keeping their union; drops empty ones.
void DisjointRects(const std::vector<RECT>& rects, std::vector<RECT>& out);

}  // namespace platform
