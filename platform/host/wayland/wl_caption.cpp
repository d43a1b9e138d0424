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

int CloseLeft(int width) { return width - kBox; }
int MaximizeLeft(int width) { return width - 2 * kBox; }
bool HasMinimize(TCaptionBoxes b) {
  return b == TCaptionBoxes::All || b == TCaptionBoxes::MinimizeClose;
}
bool HasMaximize(TCaptionBoxes b) {
  return b == TCaptionBoxes::All || b == TCaptionBoxes::MaximizeClose;
}
// The minimise box is left of the maximise box, or of the close box where it is alone.
int MinimizeLeft(int width, TCaptionBoxes boxes) {
  return width - (boxes == TCaptionBoxes::All ? 3 : 2) * kBox;
}
// Where the boxes begin.
int BoxesLeft(int width, TCaptionBoxes boxes) {
  return HasMinimize(boxes) ? MinimizeLeft(width, boxes)
         : HasMaximize(boxes) ? MaximizeLeft(width)
                              : CloseLeft(width);
}

}  // namespace

TCaptionPart CaptionPartAt(int width, TCaptionBoxes boxes, int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= kCaptionHeight) return TCaptionPart::None;
  if (x >= CloseLeft(width)) return TCaptionPart::Close;
  if (HasMaximize(boxes) && x >= MaximizeLeft(width)) return TCaptionPart::Maximize;
  if (HasMinimize(boxes) && x >= MinimizeLeft(width, boxes)) {
    return TCaptionPart::Minimize;
  }
  if (x < kBox) return TCaptionPart::Icon;
  return TCaptionPart::Title;
}

int FrameEdgesAt(int width, int height, int frame, int corner, int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const bool left = x < frame, right = x >= width - frame;
  const bool top = y < frame, bottom = y >= height - frame;
  if (!left && !right && !top && !bottom) return 0;
  // Along an edge, the last `corner` pixels belong to the corner.
  const bool nearLeft = x < corner, nearRight = x >= width - corner;
  const bool nearTop = y < corner, nearBottom = y >= height - corner;
  int edges = 0;
  if (top || ((left || right) && nearTop)) edges |= 1;
  if (bottom || ((left || right) && nearBottom)) edges |= 2;
  if (left || ((top || bottom) && nearLeft)) edges |= 4;
  if (right || ((top || bottom) && nearRight)) edges |= 8;
  // A frame too small for both of its corners apart: the nearer one.
  if ((edges & 3) == 3) edges &= y < height / 2 ? ~2 : ~1;
  if ((edges & 12) == 12) edges &= x < width / 2 ? ~8 : ~4;
  return edges;
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
  const int right = BoxesLeft(w, look.Boxes);
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

  if (HasMinimize(look.Boxes)) {
    const int minimize = MinimizeLeft(w, look.Boxes);
    look::DrawCaptionBox(dc, RECT{minimize, 0, minimize + kBox, kBox},
                         look::CaptionBox::Minimize, look.Pressed == TCaptionPart::Minimize);
  }
  if (HasMaximize(look.Boxes)) {
    const int maximize = MaximizeLeft(w);
    look::DrawCaptionBox(dc, RECT{maximize, 0, maximize + kBox, kBox},
                         look.Maximized ? look::CaptionBox::Restore : look::CaptionBox::Maximize,
                         look.Pressed == TCaptionPart::Maximize);
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

void DrawFrame(std::uint32_t* pixels, int width, int height, int thickness, int scale) {
  scale = std::max(scale, 1);
  const int t = std::min({thickness, width / 2, height / 2});
  if (t <= 0) return;
  const std::uint32_t dark = SwapRB(GetSysColor(COLOR_WINDOWFRAME));
  const std::uint32_t grey = SwapRB(GetSysColor(COLOR_BTNFACE));
  const int line = std::min(scale, t);
  const int corner = std::max(kFrameCorner * scale, t);
  auto fill = [&](int x0, int y0, int x1, int y1, std::uint32_t c) {
    x0 = std::clamp(x0, 0, width), x1 = std::clamp(x1, 0, width);
    y0 = std::clamp(y0, 0, height), y1 = std::clamp(y1, 0, height);
    for (int y = y0; y < y1; ++y) {
      std::fill(pixels + std::size_t(y) * width + x0, pixels + std::size_t(y) * width + x1, c);
    }
  };
  // The ring: top, bottom, then the sides between them.
  fill(0, 0, width, t, grey);
  fill(0, height - t, width, height, grey);
  fill(0, t, t, height - t, grey);
  fill(width - t, t, width, height - t, grey);
  // The outer line, and the inner one around what the ring encloses.
  fill(0, 0, width, line, dark);
  fill(0, height - line, width, height, dark);
  fill(0, 0, line, height, dark);
  fill(width - line, 0, width, height, dark);
  fill(t - line, t - line, width - t + line, t, dark);
  fill(t - line, height - t, width - t + line, height - t + line, dark);
  fill(t - line, t - line, t, height - t + line, dark);
  fill(width - t, t - line, width - t + line, height - t + line, dark);
  // The corners' notches across the ring.
  for (int x : {corner - line, width - corner}) {
    fill(x, 0, x + line, t, dark);
    fill(x, height - t, x + line, height, dark);
  }
  for (int y : {corner - line, height - corner}) {
    fill(0, y, t, y + line, dark);
    fill(width - t, y, width, y + line, dark);
  }
}

}  // namespace platform::wl
