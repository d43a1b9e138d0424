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

TSurface::TSurface(int width, int height, Host* host, HostWindow window)
    : Host_(host), Window_(window), Width_(std::max(width, 0)), Height_(std::max(height, 0)) {
  // The host has shown none of it: drawing marks only what it changes, and white drawn
  // on the new white pixels changes nothing.
  MarkDirty({0, 0, Width_, Height_});
}

std::uint32_t* TSurface::Make() const {
  const std::size_t count = static_cast<std::size_t>(Width_) * static_cast<std::size_t>(Height_);
  std::uint32_t* lent =
      Host_ != nullptr && count > 0 ? Host_->WindowPixels(Window_, Width_, Height_) : nullptr;
  Lent_ = lent != nullptr;
  if (lent == nullptr) {
    Own_.assign(count, 0xFFFFFF);
    return Own_.data();
  }
  Own_ = {};
  std::fill_n(lent, count, 0xFFFFFFu);
  return lent;
}

std::uint32_t* TSurface::Pixels() const {
  if (Pixels_ == nullptr) Pixels_ = Make();
  return Pixels_;
}

void TSurface::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width_ && height == Height_) return;
  const int oldWidth = Width_;
  const int w = std::min(width, Width_);
  const int h = std::min(height, Height_);
  Width_ = width;
  Height_ = height;
  if (Pixels_ != nullptr) {
    // Copied out first: lent memory goes when the new size is lent.
    const std::vector<std::uint32_t> old(
        Pixels_, Pixels_ + static_cast<std::size_t>(oldWidth) * static_cast<std::size_t>(h));
    Pixels_ = Make();
    for (int y = 0; y < h; ++y) {
      std::copy_n(old.begin() + static_cast<std::ptrdiff_t>(y) * oldWidth, w,
                  Pixels_ + static_cast<std::ptrdiff_t>(y) * width);
    }
  }
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

void TSurface::TakeDirty(std::vector<RECT>& into) {
  into.swap(Dirty_);
  Dirty_.clear();
  Presented_ = Lent_;
}

std::uint32_t* TSurface::Data() {
  if (Presented_) {
    Presented_ = false;
    // Still lent: a resize since may have left the surface its own pixels.
    if (Lent_ && Host_ != nullptr && Pixels_ != nullptr) {
      Host_->BeforeDrawing(Window_);
      Pixels_ = Host_->WindowPixels(Window_, Width_, Height_);
      if (Pixels_ == nullptr) {
        // Refused now: what was lent is gone, so all of it is drawn again.
        Pixels_ = Make();
        Dirty_.assign(1, RECT{0, 0, Width_, Height_});
      }
    }
  }
  return Pixels();
}

}  // namespace platform
