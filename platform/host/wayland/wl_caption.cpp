#include "platform/host/wayland/wl_caption.h"

#include <algorithm>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/host/host_pixels.h"
#include "platform/host/host_text.h"
#include "platform/ui/look.h"

namespace platform::wl {
namespace {

constexpr int kBox = kCaptionHeight - 1;  // the boxes are square, the dark line below them

// The caption text's colour of an inactive window (COLOR_INACTIVECAPTIONTEXT).
constexpr int kInactiveCaptionText = 19;

int MinimizeLeft(int width) { return width - 2 * kBox; }
int CloseLeft(int width) { return width - kBox; }

}  // namespace

TCaptionPart CaptionPartAt(int width, bool minimizeBox, int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= kCaptionHeight) return TCaptionPart::None;
  if (x >= CloseLeft(width)) return TCaptionPart::Close;
  if (minimizeBox && x >= MinimizeLeft(width)) return TCaptionPart::Minimize;
  if (x < kBox) return TCaptionPart::Icon;
  return TCaptionPart::Title;
}

void DrawCaption(std::uint32_t* pixels, int stride, int width, int scale,
                 const TCaptionLook& look) {
  scale = std::max(scale, 1);
  const int w = width / scale;
  if (w <= 0) return;
  // Drawn at the platform's scale in the platform's look, then enlarged.
  TSurface strip(w, kCaptionHeight);
  HDC dc = CreateSurfaceDC(strip, POINT{0, 0}, {RECT{0, 0, w, kCaptionHeight}});
  if (dc == nullptr) return;
  look::FillColor(dc, RECT{0, 0, w, kCaptionHeight},
                  look.Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  look::FillColor(dc, RECT{0, kBox, w, kBox + 1}, COLOR_WINDOWFRAME);

  // The icon, shrunk to the box by taking every n-th pixel; its alpha is kept at half.
  const int right = look.MinimizeBox ? MinimizeLeft(w) : CloseLeft(w);
  if (const CursorShape* icon = look.Icon; icon != nullptr && icon->width > 0 &&
      icon->height > 0 && icon->pixels.size() >= std::size_t(icon->width) * icon->height) {
    const int side = kBox - 2;
    const int step = std::max((std::max(icon->width, icon->height) + side - 1) / side, 1);
    for (int y = 0; y * step < icon->height && y < side; ++y) {
      for (int x = 0; x * step < icon->width && x < side; ++x) {
        const std::uint32_t p = icon->pixels[std::size_t(y * step) * icon->width + x * step];
        if ((p >> 24) >= 0x80) SetPixel(dc, 1 + x, 1 + y, SwapRB(p & 0xFFFFFF));
      }
    }
  }

  // The title in the font's Latin-1 cells, centred in what the boxes leave, cut a pixel
  // short of the boxes when too long.
  const TBitmapFont& font = SystemFont();
  const std::string text = Latin1Of(look.Title);
  const int textWidth = font.TextWidth(text.data(), int(text.size()));
  const int room = right - kBox;
  const int pen = kBox + std::max((room - textWidth) / 2, 2);
  const int top = std::max((kBox - font.Metrics().height) / 2, 0);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(look.Active ? COLOR_CAPTIONTEXT : kInactiveCaptionText));
  const RECT clip{0, 0, right - 1, kCaptionHeight};
  ExtTextOutA(dc, pen, top, ETO_CLIPPED, &clip, text.data(), UINT(text.size()), nullptr);

  if (look.MinimizeBox) {
    const int minimize = MinimizeLeft(w);
    look::DrawCaptionBox(dc, RECT{minimize, 0, minimize + kBox, kBox},
                         look::CaptionBox::Minimize, look.Pressed == TCaptionPart::Minimize);
  }
  const int close = CloseLeft(w);
  look::DrawCaptionBox(dc, RECT{close, 0, close + kBox, kBox}, look::CaptionBox::Close,
                       look.Pressed == TCaptionPart::Close);
  ReleaseSurfaceDC(dc);

  const std::uint32_t* from = strip.Data();
  for (int y = 0; y < kCaptionHeight; ++y) {
    for (int sy = 0; sy < scale; ++sy) {
      std::uint32_t* row = pixels + std::size_t(y * scale + sy) * std::size_t(stride);
      const std::uint32_t* line = from + std::size_t(y) * w;
      for (int x = 0; x < w; ++x) std::fill_n(row + x * scale, scale, line[x]);
    }
  }
}

}  // namespace platform::wl
