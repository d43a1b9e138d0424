#include "platform/host/wayland/wl_caption.h"

#include <algorithm>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/host/host_text.h"

namespace platform::wl {
namespace {

constexpr int kBox = kCaptionHeight - 1;  // the boxes are square, the dark line below them

// GetSysColor's 0x00BBGGRR as the surface's 0x00RRGGBB.
std::uint32_t Sys(int index) {
  const std::uint32_t c = GetSysColor(index);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

class TCanvas {
 public:
  TCanvas(std::uint32_t* p, int w, int h) : P_(p), W_(w), H_(h) {}
  void Fill(int x, int y, int w, int h, std::uint32_t c) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, W_), y1 = std::min(y + h, H_);
    for (int yy = y0; yy < y1; ++yy) std::fill(P_ + yy * W_ + x0, P_ + yy * W_ + std::max(x0, x1), c);
  }
  void Dot(int x, int y, std::uint32_t c) { Fill(x, y, 1, 1, c); }
  // A raised (or, pressed, sunken) button face.
  void Box(int x, int y, int w, int h, bool pressed) {
    Fill(x, y, w, h, Sys(COLOR_BTNFACE));
    const std::uint32_t light = Sys(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
    const std::uint32_t dark = pressed ? Sys(COLOR_BTNFACE) : Sys(COLOR_BTNSHADOW);
    Fill(x, y, w, 1, light);
    Fill(x, y, 1, h, light);
    Fill(x, y + h - 1, w, 1, pressed ? light : Sys(COLOR_3DDKSHADOW));
    Fill(x + w - 1, y, 1, h, pressed ? light : Sys(COLOR_3DDKSHADOW));
    if (!pressed) {
      Fill(x + 1, y + h - 2, w - 2, 1, dark);
      Fill(x + w - 2, y + 1, 1, h - 2, dark);
    }
  }
  int W() const { return W_; }

 private:
  std::uint32_t* P_;
  int W_, H_;
};

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

void DrawCaption(std::uint32_t* pixels, int stride, int width, int scale, const TCaptionLook& look,
                 std::vector<std::uint32_t>& scratch) {
  scale = std::max(scale, 1);
  const int w = width / scale;
  if (w <= 0) return;
  scratch.assign(std::size_t(w) * kCaptionHeight, 0);
  TCanvas c(scratch.data(), w, kCaptionHeight);
  const std::uint32_t bar = Sys(look.Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  const std::uint32_t ink = Sys(look.Active ? COLOR_CAPTIONTEXT : 19);
  c.Fill(0, 0, w, kCaptionHeight, bar);
  c.Fill(0, kBox, w, 1, Sys(COLOR_WINDOWFRAME));

  // The icon, shrunk to the box by taking every n-th pixel; its alpha is kept at half.
  const int right = look.MinimizeBox ? MinimizeLeft(w) : CloseLeft(w);
  if (const CursorShape* icon = look.Icon; icon != nullptr && icon->width > 0 &&
      icon->height > 0 && icon->pixels.size() >= std::size_t(icon->width) * icon->height) {
    const int side = kBox - 2;
    const int step = std::max((std::max(icon->width, icon->height) + side - 1) / side, 1);
    for (int y = 0; y * step < icon->height && y < side; ++y) {
      for (int x = 0; x * step < icon->width && x < side; ++x) {
        const std::uint32_t p = icon->pixels[std::size_t(y * step) * icon->width + x * step];
        if ((p >> 24) >= 0x80) c.Dot(1 + x, 1 + y, p & 0xFFFFFF);
      }
    }
  }

  // The title, centred in what the boxes leave, cut at the boxes when too long.
  const TBitmapFont& font = SystemFont();
  // The title in the font's Latin-1 cells.
  const std::string text = Latin1Of(look.Title);
  const int textWidth = font.TextWidth(text.data(), int(text.size()));
  const int room = right - kBox;
  int pen = kBox + std::max((room - textWidth) / 2, 2);
  const int top = std::max((kBox - font.Metrics().height) / 2, 0);
  for (char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    const int advance = font.Advance(u);
    for (int y = 0; y < font.Metrics().height; ++y) {
      for (int x = 0; x < advance; ++x) {
        if (pen + x < right - 1 && font.Pixel(u, x, y)) c.Dot(pen + x, top + y, ink);
      }
    }
    pen += advance;
    if (pen >= right) break;
  }

  // Minimise: a small triangle pointing down; close: a cross.
  const std::uint32_t glyph = Sys(COLOR_BTNTEXT);
  if (look.MinimizeBox) {
    const int x = MinimizeLeft(w);
    const bool in = look.Pressed == TCaptionPart::Minimize;
    c.Box(x, 0, kBox, kBox, in);
    for (int row = 0; row < 4; ++row) c.Fill(x + 5 + row + in, 7 + row + in, 7 - 2 * row, 1, glyph);
  }
  {
    const int x = CloseLeft(w);
    const bool in = look.Pressed == TCaptionPart::Close;
    c.Box(x, 0, kBox, kBox, in);
    for (int i = 0; i < 8; ++i) {
      c.Fill(x + 4 + i + in, 4 + i + in, 2, 1, glyph);
      c.Fill(x + 11 - i + in, 4 + i + in, 2, 1, glyph);
    }
  }

  for (int y = 0; y < kCaptionHeight; ++y) {
    for (int sy = 0; sy < scale; ++sy) {
      std::uint32_t* row = pixels + std::size_t(y * scale + sy) * std::size_t(stride);
      const std::uint32_t* from = scratch.data() + std::size_t(y) * w;
      for (int x = 0; x < w; ++x) std::fill_n(row + x * scale, scale, from[x]);
    }
  }
}

}  // namespace platform::wl
