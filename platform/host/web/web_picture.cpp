// The web host's pictures: each window's pixels copied, only in the rectangles that
// changed, into the RGBA picture its canvas is filled from, and only those rectangles
// put on the canvas. Our caption is drawn by the Wayland host's painter.
#include <algorithm>
#include <cstring>

#include "platform/host/host_pixels.h"
#include "platform/host/web/web_host_internal.h"

namespace platform::web {

namespace {

// 0x00RRGGBB to the canvas's R, G, B, A bytes.
void CopyRow(std::uint8_t* to, const std::uint32_t* from, int n) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t p = from[i];
    to[0] = std::uint8_t(p >> 16);
    to[1] = std::uint8_t(p >> 8);
    to[2] = std::uint8_t(p);
    to[3] = 0xFF;
    to += 4;
  }
}

constexpr int kBarWidth = 160;  // a minimised frame's bar, platform pixels

}  // namespace

void TWebHost::Reshape(TWindow& w) {
  const int width = w.Bounds.width;
  const int height = w.Bounds.height + w.Top;
  if (width == w.RgbaWidth && height == w.RgbaHeight) return;
  // Opaque white until painted. A memset: the fill constructor is a byte loop, which the
  // browser's first, unoptimised compile runs at a few nanoseconds a byte.
  std::vector<std::uint8_t> next(std::size_t(width) * std::size_t(height) * 4);
  std::memset(next.data(), 0xFF, next.size());
  const int keepW = std::min(width, w.RgbaWidth);
  for (int y = w.Top; y < std::min(height, w.RgbaHeight); ++y) {
    std::memcpy(&next[(std::size_t(y) * width) * 4], &w.Rgba[(std::size_t(y) * w.RgbaWidth) * 4],
                std::size_t(keepW) * 4);
  }
  w.Rgba.swap(next);
  w.RgbaWidth = width;
  w.RgbaHeight = height;
  if (!w.Seen) return;  // painted and put when first shown
  PaintCaption(w);
  PutAll(w);
}

void TWebHost::Put(TWindow& w, int x, int y, int width, int height) {
  if (!w.Seen) return;
  klop_window_put(int(w.Id), w.Rgba.data(), w.RgbaWidth, w.RgbaHeight, x, y, width, height);
}

void TWebHost::Present(HostWindow window, const std::uint32_t* pixels, int width, int height,
                       int stride, const HostRect* rects, std::size_t count) {
  TWindow* w = Find(window);
  if (w == nullptr || pixels == nullptr) return;
  const int cw = std::min(width, w->RgbaWidth);
  const int ch = std::min(height, w->RgbaHeight - w->Top);
  for (std::size_t i = 0; i < count; ++i) {
    HostRect r;
    if (!ClipRect(rects[i], cw, ch, r)) continue;
    for (int y = r.y; y < r.y + r.height; ++y) {
      CopyRow(&w->Rgba[(std::size_t(y + w->Top) * w->RgbaWidth + r.x) * 4],
              pixels + std::size_t(y) * std::size_t(stride) + r.x, r.width);
    }
    Put(*w, r.x, r.y + w->Top, r.width, r.height);
  }
  if (!Presented_ && w->Shown()) {
    Presented_ = true;
    klop_page_presented();
  }
}

void TWebHost::RedrawCaption(TWindow& w) {
  if (!w.Seen) return;
  PaintCaption(w);
  Put(w, 0, 0, w.RgbaWidth, w.Top);
}

void TWebHost::PaintCaption(TWindow& w) {
  if (w.Top == 0 || w.RgbaWidth == 0) return;
  Strip_.assign(std::size_t(w.RgbaWidth) * std::size_t(w.Top), 0);
  wl::TCaptionLook look;
  look.Title = w.Title;
  look.Icon = w.Icon.width > 0 ? &w.Icon : nullptr;
  look.Active = w.Id == Focused_ && PageFocused_;
  look.Boxes = CaptionBoxes(w);
  look.Maximized = w.State == HostShow::Maximized;
  look.Pressed = CaptionHeld_ == w.Id ? CaptionPart_ : TCaptionPart::None;
  wl::DrawCaption(Strip_.data(), w.RgbaWidth, w.RgbaWidth, Scale_, look);
  for (int y = 0; y < w.Top; ++y) {
    CopyRow(&w.Rgba[std::size_t(y) * w.RgbaWidth * 4], &Strip_[std::size_t(y) * w.RgbaWidth],
            w.RgbaWidth);
  }
}

void TWebHost::ShowBar(TWindow& w, bool shown) {
  if (!shown) {
    klop_window_bar(int(w.Id), nullptr, 0, 0);
    return;
  }
  const int width = kBarWidth * Scale_;
  const int height = wl::kCaptionHeight * Scale_;
  Strip_.assign(std::size_t(width) * std::size_t(height), 0);
  wl::TCaptionLook look;
  look.Title = w.Title;
  look.Icon = w.Icon.width > 0 ? &w.Icon : nullptr;
  look.Boxes = wl::TCaptionBoxes::Close;
  wl::DrawCaption(Strip_.data(), width, width, Scale_, look);
  std::vector<std::uint8_t> rgba(Strip_.size() * 4);
  for (int y = 0; y < height; ++y) {
    CopyRow(&rgba[std::size_t(y) * width * 4], &Strip_[std::size_t(y) * width], width);
  }
  klop_window_bar(int(w.Id), rgba.data(), width, height);
}

}  // namespace platform::web
