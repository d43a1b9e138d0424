// GDI objects and device contexts: handles, stock objects, the system colours, and what
// a context holds selected; the drawing is gdi_drawing.cpp's.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/gdi_internal.h"

#include "platform/faults.h"
#include "platform/gdi/font.h"

namespace platform {
namespace {

constexpr int kMaxBitmapSide = 16384;
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;

// The handles given out and not yet freed, sorted: a handle is checked on every call,
// and a tick's contexts and brushes come and go without an allocation once the vector
// has grown to what a program holds.
class TLiveSet {
 public:
  bool Has(const void* p) const {
    return std::binary_search(Items_.begin(), Items_.end(), p, std::less<const void*>());
  }
  void Add(const void* p) {
    const auto at = std::lower_bound(Items_.begin(), Items_.end(), p, std::less<const void*>());
    if (at == Items_.end() || *at != p) Items_.insert(at, p);
  }
  void Remove(const void* p) {
    const auto at = std::lower_bound(Items_.begin(), Items_.end(), p, std::less<const void*>());
    if (at != Items_.end() && *at == p) Items_.erase(at);
  }
  std::size_t Size() const { return Items_.size(); }
  auto begin() const { return Items_.begin(); }
  auto end() const { return Items_.end(); }

 private:
  std::vector<const void*> Items_;
};

TLiveSet& LiveObjects() {
  static TLiveSet live;
  return live;
}
TLiveSet& LiveDCs() {
  static TLiveSet live;
  return live;
}

}  // namespace

DeviceContext* DcOf(HDC dc) {
  if (dc == nullptr || !LiveDCs().Has(dc)) return nullptr;
  return reinterpret_cast<DeviceContext*>(dc);
}

namespace {

// Freed contexts, kept for the next: a context per tick (and per paint) then costs no
// allocation, its clip list's storage included.
std::vector<std::unique_ptr<DeviceContext>>& SpareDCs() {
  static std::vector<std::unique_ptr<DeviceContext>> spare;
  return spare;
}

DeviceContext* NewDc() {
  std::vector<std::unique_ptr<DeviceContext>>& spare = SpareDCs();
  if (spare.empty()) return new DeviceContext{};
  DeviceContext* dc = spare.back().release();
  spare.pop_back();
  std::vector<RECT> clip = std::move(dc->clip);
  clip.clear();
  *dc = DeviceContext{};
  dc->clip = std::move(clip);
  return dc;
}

// Freed pens and brushes, kept for the next: a brush made and deleted in every tick
// then costs no allocation. Bitmaps, whose pixels would stay with them, are freed.
std::vector<std::unique_ptr<GdiObject>>& SpareObjects() {
  static std::vector<std::unique_ptr<GdiObject>> spare;
  return spare;
}

GdiObject* NewPenOrBrush(GdiKind kind) {
  std::vector<std::unique_ptr<GdiObject>>& spare = SpareObjects();
  GdiObject* o = nullptr;
  if (spare.empty()) {
    o = new GdiObject{};
  } else {
    o = spare.back().release();
    spare.pop_back();
    *o = GdiObject{};
  }
  o->kind = kind;
  return o;
}

void FreeObject(GdiObject* o) {
  LiveObjects().Remove(o);
  constexpr std::size_t kSpare = 8;
  if ((o->kind == GdiKind::Pen || o->kind == GdiKind::Brush) && SpareObjects().size() < kSpare) {
    SpareObjects().emplace_back(o);
  } else {
    delete o;
  }
}

GdiObject* MakeStock(GdiKind kind, std::uint32_t pixel, bool null) {
  auto* o = new GdiObject{};
  o->kind = kind;
  o->stock = true;
  o->pixel = pixel;
  o->null = null;
  NewGdiObject(o);
  return o;
}

GdiObject* StockMonoBitmap() {
  static GdiObject* bitmap = [] {
    auto* o = MakeStock(GdiKind::Bitmap, 0, false);
    o->bmWidth = 1;
    o->bmHeight = 1;
    o->bitsPixel = 1;
    o->bits.assign(1, 0);
    return o;
  }();
  return bitmap;
}

GdiObject* Stock(int which) {
  static GdiObject* objects[NULL_PEN + 1] = {MakeStock(GdiKind::Brush, kWhite, false),
                                             MakeStock(GdiKind::Brush, 0xC0C0C0, false),
                                             MakeStock(GdiKind::Brush, 0x808080, false),
                                             MakeStock(GdiKind::Brush, 0x404040, false),
                                             MakeStock(GdiKind::Brush, 0, false),
                                             MakeStock(GdiKind::Brush, 0, true),
                                             MakeStock(GdiKind::Pen, kWhite, false),
                                             MakeStock(GdiKind::Pen, 0, false),
                                             MakeStock(GdiKind::Pen, 0, true)};
  return objects[which];
}

// Frees an object once nothing holds it any more.
void Release(GdiObject* o) {
  if (o == nullptr) return;
  if (o->selections > 0) --o->selections;
  if (o->selections == 0 && o->deletePending && !o->stock) FreeObject(o);
}

void Hold(GdiObject* o) {
  ++o->selections;
}

void InitSelections(DeviceContext& dc) {
  dc.pen = Stock(BLACK_PEN);
  dc.brush = Stock(WHITE_BRUSH);
  dc.font = GdiObjectOf(StockFont(SYSTEM_FONT));
  Hold(dc.pen);
  Hold(dc.brush);
  if (dc.font) Hold(dc.font);
}

HDC Register(DeviceContext* dc) {
  LiveDCs().Add(dc);
  return reinterpret_cast<HDC>(dc);
}

void DestroyDc(DeviceContext* dc) {
  LiveDCs().Remove(dc);
  Release(dc->pen);
  Release(dc->brush);
  Release(dc->font);
  Release(dc->bitmap);
  // A few kept for reuse; beyond them (a program that held many at once) freed.
  constexpr std::size_t kSpare = 8;
  if (SpareDCs().size() < kSpare) {
    SpareDCs().emplace_back(dc);
  } else {
    delete dc;
  }
}

GdiObject* SysBrush(int index);

}  // namespace

std::size_t LiveDCsForTesting() {
  return LiveDCs().Size();
}

std::size_t LiveGdiObjectsForTesting() {
  return static_cast<std::size_t>(
      std::count_if(LiveObjects().begin(), LiveObjects().end(),
                    [](const void* o) { return !static_cast<const GdiObject*>(o)->stock; }));
}

HGDIOBJ NewGdiObject(GdiObject* object) {
  LiveObjects().Add(object);
  return object;
}

GdiObject* GdiObjectOf(HGDIOBJ handle) {
  if (handle == nullptr || !LiveObjects().Has(handle)) return nullptr;
  auto* o = static_cast<GdiObject*>(handle);
  return o->deletePending ? nullptr : o;
}

HBITMAP MakeBitmap(int width, int height, int bitsPixel, std::vector<std::uint32_t> pixels) {
  auto* o = new GdiObject{};
  o->kind = GdiKind::Bitmap;
  o->bmWidth = width;
  o->bmHeight = height;
  o->bitsPixel = bitsPixel;
  o->bits = std::move(pixels);
  return static_cast<HBITMAP>(NewGdiObject(o));
}

HDC CreateSurfaceDC(TSurface& surface, POINT origin, const std::vector<RECT>& clip) {
  DeviceContext* dc = NewDc();
  dc->surface = &surface;
  dc->origin = origin;
  DisjointRects(clip, dc->clip);
  InitSelections(*dc);
  return Register(dc);
}

bool ReleaseSurfaceDC(HDC hdc) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || dc->memory) return false;
  DestroyDc(dc);
  return true;
}

HGDIOBJ StockFont(int which) {
  static GdiObject* system = [] {
    GdiObject* o = MakeStock(GdiKind::Font, 0, false);
    o->font = &SystemFont();
    return o;
  }();
  static GdiObject* dialog = [] {
    GdiObject* o = MakeStock(GdiKind::Font, 0, false);
    o->font = &DialogFont();
    return o;
  }();
  if (which == SYSTEM_FONT) return system;
  if (which == DEFAULT_GUI_FONT) return dialog;
  return nullptr;
}

namespace {

std::uint32_t SysPixel(int index) {
  switch (index) {
    case COLOR_SCROLLBAR:
      return 0xC0C0C0;
    case COLOR_BACKGROUND:
      return 0x008080;
    case COLOR_ACTIVECAPTION:
      return 0x000080;
    case COLOR_INACTIVECAPTION:
      return 0x808080;
    case COLOR_MENU:
      return 0xC0C0C0;
    case COLOR_WINDOW:
      return kWhite;
    case COLOR_WINDOWFRAME:
      return 0;
    case COLOR_MENUTEXT:
      return 0;
    case COLOR_WINDOWTEXT:
      return 0;
    case COLOR_CAPTIONTEXT:
      return kWhite;
    case 10:  // active border
      return 0xC0C0C0;
    case 11:  // inactive border
      return 0xC0C0C0;
    case 12:  // application workspace
      return 0x808080;
    case COLOR_HIGHLIGHT:
      return 0x000080;
    case COLOR_HIGHLIGHTTEXT:
      return kWhite;
    case COLOR_BTNFACE:
      return 0xC0C0C0;
    case COLOR_BTNSHADOW:
      return 0x808080;
    case COLOR_GRAYTEXT:
      return 0x808080;
    case COLOR_BTNTEXT:
      return 0;
    case 19:  // inactive caption text
      return 0xC0C0C0;
    case COLOR_BTNHIGHLIGHT:
      return kWhite;
    case COLOR_3DDKSHADOW:
      return 0;
    case COLOR_3DLIGHT:
      return 0xC0C0C0;
    case 23:  // tooltip text
      return 0;
    case 24:  // tooltip background
      return 0xFFFFE1;
    default:
      return 0;
  }
}
constexpr int kSysColors = 25;

GdiObject* SysBrush(int index) {
  static GdiObject* brushes[kSysColors] = {};
  if (index < 0 || index >= kSysColors) return nullptr;
  if (brushes[index] == nullptr) brushes[index] = MakeStock(GdiKind::Brush, SysPixel(index), false);
  return brushes[index];
}

}  // namespace

// A brush handle, including the (HBRUSH)(COLOR_x + 1) convention.
GdiObject* BrushOf(HBRUSH h) {
  const auto v = reinterpret_cast<std::uintptr_t>(h);
  if (v >= 1 && v <= kSysColors) return SysBrush(static_cast<int>(v) - 1);
  GdiObject* o = GdiObjectOf(h);
  return o && o->kind == GdiKind::Brush ? o : nullptr;
}

}  // namespace platform

using platform::DcOf;
using platform::DeviceContext;
using platform::GdiKind;
using platform::GdiObject;
using platform::GdiObjectOf;
using platform::SwapRB;

DWORD GetSysColor(int index) {
  if (index < 0 || index >= platform::kSysColors) return 0;
  return SwapRB(platform::SysPixel(index));
}

HBRUSH GetSysColorBrush(int index) {
  return reinterpret_cast<HBRUSH>(platform::SysBrush(index));
}

HDC CreateCompatibleDC(HDC hdc) {
  if (platform::RefuseThisCall(platform::TOperation::CreateCompatibleDC)) return nullptr;
  if (hdc != nullptr && DcOf(hdc) == nullptr) return nullptr;
  DeviceContext* dc = platform::NewDc();
  dc->memory = true;
  dc->bitmap = platform::StockMonoBitmap();
  platform::Hold(dc->bitmap);
  dc->clip.assign(1, RECT{0, 0, 1, 1});
  platform::InitSelections(*dc);
  return platform::Register(dc);
}

BOOL DeleteDC(HDC hdc) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || !dc->memory) return FALSE;
  platform::DestroyDc(dc);
  return TRUE;
}

namespace {
bool SaneSize(int w, int h) {
  return w > 0 && h > 0 && w <= platform::kMaxBitmapSide && h <= platform::kMaxBitmapSide &&
         static_cast<long long>(w) * h <= platform::kMaxBitmapPixels;
}
}  // namespace

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr) return nullptr;
  if (width == 0 || height == 0) {
    return platform::MakeBitmap(1, 1, 1, std::vector<std::uint32_t>(1, 0));
  }
  if (!SaneSize(width, height)) return nullptr;
  // Compatible with a memory context means the depth of its bitmap: monochrome if the
  // stock one is still selected.
  const int bpp = dc->memory && dc->bitmap->bitsPixel == 1 ? 1 : 32;
  return platform::MakeBitmap(
      width, height, bpp,
      std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, bpp == 1 ? 0 : 0));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPixel, const void* bits) {
  if (planes != 1 || (bitsPixel != 1 && bitsPixel != 32) || !SaneSize(width, height)) {
    return nullptr;
  }
  std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * height, 0);
  if (bits != nullptr) {
    const auto* b = static_cast<const std::uint8_t*>(bits);
    if (bitsPixel == 32) {
      std::memcpy(px.data(), b, px.size() * 4);
      for (auto& p : px) p &= 0xFFFFFF;
    } else {
      const std::size_t stride = ((static_cast<std::size_t>(width) + 15) / 16) * 2;  // WORD rows
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const bool on = (b[y * stride + x / 8] >> (7 - x % 8)) & 1;
          px[static_cast<std::size_t>(y) * width + x] = on ? platform::kWhite : 0;
        }
      }
    }
  }
  return platform::MakeBitmap(width, height, static_cast<int>(bitsPixel), std::move(px));
}

int GetObjectA(HGDIOBJ handle, int size, LPVOID buffer) {
  GdiObject* o = GdiObjectOf(handle);
  if (o == nullptr || o->kind != GdiKind::Bitmap) return 0;
  if (buffer == nullptr) return sizeof(BITMAP);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP bm{};
  bm.bmType = 0;
  bm.bmWidth = o->bmWidth;
  bm.bmHeight = o->bmHeight;
  bm.bmWidthBytes = ((o->bmWidth * o->bitsPixel + 15) / 16) * 2;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = static_cast<WORD>(o->bitsPixel);
  bm.bmBits = nullptr;
  std::memcpy(buffer, &bm, sizeof bm);
  return sizeof(BITMAP);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
  DeviceContext* dc = DcOf(hdc);
  GdiObject* o = GdiObjectOf(handle);
  if (dc == nullptr || o == nullptr) return nullptr;
  GdiObject** slot = nullptr;
  switch (o->kind) {
    case GdiKind::Pen:
      slot = &dc->pen;
      break;
    case GdiKind::Brush:
      slot = &dc->brush;
      break;
    case GdiKind::Font:
      slot = &dc->font;
      break;
    case GdiKind::Bitmap:
      // Only memory contexts hold bitmaps, and a bitmap sits in one context at a time.
      if (!dc->memory) return nullptr;
      if (o != dc->bitmap && o->selections > 0 && !o->stock) return nullptr;
      slot = &dc->bitmap;
      break;
  }
  GdiObject* previous = *slot;
  if (previous == o) return previous;
  platform::Hold(o);
  *slot = o;
  if (o->kind == GdiKind::Bitmap) dc->clip.assign(1, RECT{0, 0, o->bmWidth, o->bmHeight});
  platform::Release(previous);
  return previous;
}

HGDIOBJ GetStockObject(int which) {
  if (which >= WHITE_BRUSH && which <= NULL_PEN) return platform::Stock(which);
  if (which == SYSTEM_FONT || which == DEFAULT_GUI_FONT) return platform::StockFont(which);
  return nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  if (platform::RefuseThisCall(platform::TOperation::CreateSolidBrush)) return nullptr;
  GdiObject* o = platform::NewPenOrBrush(GdiKind::Brush);
  o->pixel = SwapRB(color & 0xFFFFFF);
  return static_cast<HBRUSH>(platform::NewGdiObject(o));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_NULL) return nullptr;
  if (width < 0 || width > 1024) return nullptr;
  GdiObject* o = platform::NewPenOrBrush(GdiKind::Pen);
  o->null = style == PS_NULL;
  o->width = std::max(width, 1);
  o->pixel = SwapRB(color & 0xFFFFFF);
  return static_cast<HPEN>(platform::NewGdiObject(o));
}

BOOL DeleteObject(HGDIOBJ handle) {
  GdiObject* o = GdiObjectOf(handle);
  if (o == nullptr) return FALSE;
  if (o->stock) return TRUE;
  o->deletePending = true;
  if (o->selections == 0) platform::FreeObject(o);
  return TRUE;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr) return CLR_INVALID;
  const COLORREF old = SwapRB(dc->bk);
  dc->bk = SwapRB(color & 0xFFFFFF);
  return old;
}
COLORREF GetBkColor(HDC hdc) {
  DeviceContext* dc = DcOf(hdc);
  return dc ? SwapRB(dc->bk) : CLR_INVALID;
}
int SetBkMode(HDC hdc, int mode) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  const int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}
int GetBkMode(HDC hdc) {
  DeviceContext* dc = DcOf(hdc);
  return dc ? dc->bkMode : 0;
}
COLORREF SetTextColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr) return CLR_INVALID;
  const COLORREF old = SwapRB(dc->text);
  dc->text = SwapRB(color & 0xFFFFFF);
  return old;
}
COLORREF GetTextColor(HDC hdc) {
  DeviceContext* dc = DcOf(hdc);
  return dc ? SwapRB(dc->text) : CLR_INVALID;
}
