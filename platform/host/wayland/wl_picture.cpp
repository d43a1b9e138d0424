// The Wayland host's pictures: a window's shared-memory buffers, lent to the platform
// to draw in or filled from its pixels, committed with what changed; and our caption
// drawn above them where the compositor draws none.
#include "platform/host/wayland/wl_host_internal.h"

#include <algorithm>

#include "platform/host/host_pixels.h"

namespace platform::wl {

void TWaylandHost::Present(HostWindow window, const std::uint32_t* pixels, int width, int height,
                           int stride, const HostRect* rects, std::size_t count) {
  TWindow* w = Find(window);
  if (w == nullptr || width <= 0 || height <= 0 || pixels == nullptr) return;
  TBuffers& b = w->Pixels;
  const bool ours = b.Owns(pixels);
  const int z = w->Zoom;
  // Our own buffers at another size: they would go with a new allocation under the copy.
  if (ours && (Whole(width) * z != b.Width() || (Whole(height) + w->Top) * z != b.Height())) {
    return;
  }
  if (!Allocate(*w, width, height)) return;
  std::uint32_t* view = Drawable(*w);
  if (view == nullptr) return;
  const std::size_t row = std::size_t(b.Width());
  view += std::size_t(w->Top) * std::size_t(z) * row;
  for (std::size_t i = 0; i < count; ++i) {
    HostRect r;
    if (!ClipRect(rects[i], width, height, r)) continue;
    const int x0 = r.x, y0 = r.y, x1 = r.x + r.width, y1 = r.y + r.height;
    if (pixels != view && z == 1) {
      // Not the lent pixels (or lent before a present, and since shown): copied in.
      for (int y = y0; y < y1; ++y) {
        std::copy_n(pixels + std::size_t(y) * std::size_t(stride) + std::size_t(x0), x1 - x0,
                    view + std::size_t(y) * row + std::size_t(x0));
      }
    } else if (z > 1) {
      // Each of the platform's pixels z x z in the buffer.
      for (int y = y0; y < y1; ++y) {
        const std::uint32_t* from = pixels + std::size_t(y) * std::size_t(stride);
        std::uint32_t* to = view + std::size_t(y) * std::size_t(z) * row;
        for (int x = x0; x < x1; ++x) std::fill_n(to + std::size_t(x) * z, z, from[x]);
        for (int k = 1; k < z; ++k) {
          std::copy_n(to + std::size_t(x0) * z, (x1 - x0) * z, to + k * row + std::size_t(x0) * z);
        }
      }
    }
    b.Changed({x0 * z, (y0 + w->Top) * z, (x1 - x0) * z, (y1 - y0) * z});
  }
  // The platform asks again before it draws: this buffer may now go to the compositor.
  w->PlatformDraws = false;
  ShowChanges(*w);
}

std::uint32_t* TWaylandHost::WindowPixels(HostWindow window, int width, int height) {
  TWindow* w = Find(window);
  if (w == nullptr) return nullptr;
  // Rows are whole logical pixels wide: memory of another stride than the platform's
  // width would shear its picture, which then comes by Present's copy.
  // Nor where each of its pixels is more than one of the buffer's (Zoom).
  if (Whole(width) != width || w->Zoom != 1) return nullptr;
  w->Before.Release();
  if (!Allocate(*w, width, height)) return nullptr;
  std::uint32_t* p = Drawable(*w);
  if (p == nullptr) return nullptr;
  w->PlatformDraws = true;
  return p + std::size_t(w->Top) * std::size_t(w->Pixels.Width());
}

namespace {

// The compositor asks for the next picture: its frame callback is over.
const wl_callback_listener kFrameDone = {
    [](void* data, wl_callback* done, std::uint32_t) {
      auto* w = static_cast<TWindow*>(data);
      wl_callback_destroy(done);
      w->FrameCallback = nullptr;
    },
};

}  // namespace

void TWaylandHost::ShowChanges(TWindow& w, bool now) {
  if (!w.Configured || w.Surface == nullptr || !w.Pixels.HasChanges()) return;
  // No faster than the compositor shows them (never, while it shows the window nowhere);
  // the changes gather meanwhile. A configure's answer does not wait.
  if (w.FrameCallback != nullptr && !now) {
    w.Waiting = true;
    return;
  }
  wl_callback* frame = wl_surface_frame(w.Surface);
  w.Waiting = !w.Pixels.Commit(w.Surface, w.PlatformDraws);
  if (w.Waiting) {
    wl_callback_destroy(frame);  // the compositor keeps it for the next commit
    return;
  }
  if (w.FrameCallback != nullptr) wl_callback_destroy(w.FrameCallback);
  w.FrameCallback = frame;
  wl_callback_add_listener(frame, &kFrameDone, &w);
  wl_display_flush(D_);
}

bool TWaylandHost::Allocate(TWindow& w, int width, int height) {
  width = Whole(width);
  height = Whole(height);
  TBuffers& b = w.Pixels;
  const int z = w.Zoom;
  if (!b.Empty() && b.Width() == width * z && b.Height() == (height + w.Top) * z) return true;
  if (!b.Make(C_->Shm(), width * z, (height + w.Top) * z)) return false;
  // With the buffer it is for: the next commit attaches it.
  if (w.Surface != nullptr) SetBufferScale(w.Surface, Buffer_ * z);
  w.Bounds.width = width;
  w.Bounds.height = height;
  // Shown with the platform's picture, which comes next: alone it would show over an
  // empty window for a frame.
  RedrawCaption(w, false);
  PlaceFrame(w);
  return true;
}

// The compositor gave the window a new size: the buffer committed with the ack must
// have it, so what the platform last gave is shown at once, the rest white as the
// platform's new pixels start. The old buffer stays lent until the platform asks anew.
void TWaylandHost::Regrow(TWindow& w, int width, int height) {
  if (w.Pixels.Empty()) return;
  TBuffers old = std::move(w.Pixels);
  if (!w.Pixels.Make(C_->Shm(), Whole(width) * w.Zoom, (Whole(height) + w.Top) * w.Zoom)) {
    w.Pixels = std::move(old);
    return;
  }
  // Fresh buffers: neither is held, so one is there to draw in.
  std::uint32_t* into = w.Pixels.Draw();
  const std::uint32_t* from = old.Newest();
  const int top = w.Top * w.Zoom;
  const int keepW = std::min(old.Width(), w.Pixels.Width());
  const int keepH = std::min(old.Height(), w.Pixels.Height()) - top;
  for (int y = 0; y < w.Pixels.Height() - top; ++y) {
    std::uint32_t* row = into + std::size_t(y + top) * std::size_t(w.Pixels.Width());
    const int kept = from != nullptr && y < keepH ? keepW : 0;
    if (kept > 0) {
      std::copy_n(from + std::size_t(y + top) * std::size_t(old.Width()), kept, row);
    }
    std::fill(row + kept, row + w.Pixels.Width(), 0xFFFFFFu);
  }
  w.Pixels.Changed({0, 0, w.Pixels.Width(), w.Pixels.Height()});
  // The buffer lent to the platform is in the first ones replaced; these new ones are
  // not lent until it asks.
  if (w.Before.Empty()) w.Before = std::move(old);
  w.PlatformDraws = false;
  RedrawCaption(w);
  PlaceFrame(w);
}

std::uint32_t* TWaylandHost::Drawable(TWindow& w) {
  // Called by the platform only, never from a listener: dispatching here is safe.
  // The caller sized the buffers: a configure read meanwhile leaves them so (Configure).
  Lending_ = true;
  std::uint32_t* p = nullptr;
  while ((p = w.Pixels.Draw()) == nullptr && !w.Pixels.Empty()) {
    ReadBlocking(nullptr, [&w] { return w.Pixels.Draw() != nullptr; });
  }
  Lending_ = false;
  return p;
}

void TWaylandHost::RedrawCaption(TWindow& w, bool show) {
  if (w.Top == 0 || w.Pixels.Empty()) return;
  // Also from listeners: no waiting here; drawn once the compositor releases a buffer.
  std::uint32_t* into = w.Pixels.Draw();
  w.CaptionPending = into == nullptr;
  if (into == nullptr) return;
  TCaptionLook look;
  look.Title = w.Title;
  look.Icon = w.Icon.width > 0 ? &w.Icon : nullptr;
  look.Active = w.Active;
  look.Boxes = CaptionBoxesOf(w);
  look.Maximized = w.Maximized;
  look.Pressed = CaptionHeld_ == w.Id ? CaptionPart_ : TCaptionPart::None;
  DrawCaption(into, w.Pixels.Width(), w.Pixels.Width(), Scale_ * w.Zoom, look);
  w.Pixels.Changed({0, 0, w.Pixels.Width(), w.Top * w.Zoom});
  if (show) ShowChanges(w);
}

}  // namespace platform::wl
