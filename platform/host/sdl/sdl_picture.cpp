// The SDL host's pixels: each presented rectangle is kept in the window's shadow and
// converted into SDL's software window surface; only those rectangles are pushed to the
// display.
#include "platform/host/sdl/sdl_host_internal.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/host/host_pixels.h"

namespace platform::sdl {

void TSdlHost::Present(HostWindow window, const std::uint32_t* pixels, int width, int height,
                       int stride, const HostRect* rects, std::size_t count) {
  TSdlWindow* w = Find(window);
  if (w == nullptr || pixels == nullptr || width <= 0 || height <= 0 || stride < width) return;
  if (w->ShadowWidth != width || w->ShadowHeight != height) {
    // A new size: the platform presents all of it, so the old shadow is not kept.
    w->Shadow.assign(std::size_t(width) * std::size_t(height), 0x00FFFFFFu);
    w->ShadowWidth = width;
    w->ShadowHeight = height;
    w->SurfaceStale = true;
  }
  Clipped_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    HostRect c;
    if (!ClipRect(rects[i], width, height, c)) continue;
    const SDL_Rect r{c.x, c.y, c.width, c.height};
    for (int row = r.y; row < r.y + r.h; ++row) {
      std::memcpy(&w->Shadow[std::size_t(row) * std::size_t(width) + std::size_t(r.x)],
                  pixels + std::ptrdiff_t(row) * stride + r.x, std::size_t(r.w) * 4);
    }
    Clipped_.push_back(r);
  }
  if (w->SurfaceStale) {
    PresentAll(*w);
    return;
  }
  SDL_Surface* surface = SDL_GetWindowSurface(w->Window);
  if (surface == nullptr) return;
  std::size_t shown = 0;
  for (const SDL_Rect& r : Clipped_) {
    SDL_Rect s;
    if (!SDL_IntersectRect(&r, &surface->clip_rect, &s)) continue;
    CopyToSurface(*w, surface, s);
    Clipped_[shown++] = s;
  }
  if (shown > 0) SDL_UpdateWindowSurfaceRects(w->Window, Clipped_.data(), int(shown));
}

// `r` lies inside both the shadow and the surface.
void TSdlHost::CopyToSurface(const TSdlWindow& w, SDL_Surface* surface, const SDL_Rect& r) {
  bool locked = SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) == 0;
  if (SDL_MUSTLOCK(surface) && !locked) return;
  const std::uint32_t* src =
      w.Shadow.data() + std::size_t(r.y) * std::size_t(w.ShadowWidth) + std::size_t(r.x);
  auto* dst = static_cast<std::uint8_t*>(surface->pixels) + std::ptrdiff_t(r.y) * surface->pitch +
              std::ptrdiff_t(r.x) * surface->format->BytesPerPixel;
  SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, src, w.ShadowWidth * 4,
                    surface->format->format, dst, surface->pitch);
  if (locked) SDL_UnlockSurface(surface);
}

// Shows all of the shadow again, into a window surface that may be new.
void TSdlHost::PresentAll(TSdlWindow& w) {
  SDL_Surface* surface = SDL_GetWindowSurface(w.Window);
  if (surface == nullptr) return;
  w.SurfaceStale = false;
  if (w.ShadowWidth == 0) return;  // never presented: nothing to show yet
  SDL_Rect all{0, 0, std::min(w.ShadowWidth, surface->w), std::min(w.ShadowHeight, surface->h)};
  if (all.w > 0 && all.h > 0) CopyToSurface(w, surface, all);
  SDL_UpdateWindowSurface(w.Window);
}

}  // namespace platform::sdl
