#include "platform/gdi/surface.h"

#include <algorithm>

namespace platform {

namespace {

// Past this many separate rectangles one bounding box is cheaper to present.
constexpr std::size_t kMaxDirtyRects = 16;

bool Overlaps(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

RECT Union(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace

TSurface::TSurface(int width, int height)
    : Width_(std::max(width, 0)),
      Height_(std::max(height, 0)),
      Pixels_(static_cast<std::size_t>(Width_) * static_cast<std::size_t>(Height_), 0xFFFFFF) {}

void TSurface::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width_ && height == Height_) return;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                    0xFFFFFF);
  const int w = std::min(width, Width_);
  const int h = std::min(height, Height_);
  for (int y = 0; y < h; ++y) {
    std::copy_n(Pixels_.begin() + static_cast<std::ptrdiff_t>(y) * Width_, w,
                pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  Pixels_ = std::move(pixels);
  Width_ = width;
  Height_ = height;
  Dirty_.clear();
  MarkDirty({0, 0, Width_, Height_});
}

void TSurface::MarkDirty(const RECT& r) {
  RECT c{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, Width_),
         std::min<LONG>(r.bottom, Height_)};
  if (c.left >= c.right || c.top >= c.bottom) return;
  // Fold touching or overlapping rectangles together so repeated small draws stay one entry.
  for (auto it = Dirty_.begin(); it != Dirty_.end();) {
    if (Overlaps(*it, c)) {
      c = Union(*it, c);
      it = Dirty_.erase(it);
    } else {
      ++it;
    }
  }
  Dirty_.push_back(c);
  if (Dirty_.size() > kMaxDirtyRects) {
    RECT all = Dirty_.front();
    for (const RECT& d : Dirty_) all = Union(all, d);
    Dirty_.assign(1, all);
  }
}

std::vector<RECT> TSurface::TakeDirty() {
  std::vector<RECT> out;
  out.swap(Dirty_);
  return out;
}

}  // namespace platform
