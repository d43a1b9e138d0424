// Pixel pipeline at scale N: the platform presents dirty rectangles of its surface;
// each is clipped, blown up into this wrapper's per-window buffer (one row widened,
// then copied N - 1 times below itself) and handed on as a rectangle N times larger.
// The buffer lives as long as the window and changes only with its size, so presenting
// allocates nothing in the steady state.
//
// Coordinates: a platform point p covers the device pixels p*N .. p*N + N - 1. Positions
// coming back are divided rounding down (a pointer anywhere in a block is on that
// pixel), sizes rounding up (the platform's surface covers the whole device window), and
// the work area inwards. A position or size the platform asks for again unchanged keeps
// the device value it came from, so that a window the desktop placed on an odd pixel is
// not nudged by a round trip; popup menus are placed from their owner's device position.
#include "platform/host/scaled_host.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/host/host_pixels.h"
#include "platform/host/scale.h"

namespace platform {
namespace {

// The inner host's cursor cache is keyed by id: scaled images get ids of their own,
// apart from the platform's (which count up from 1).
constexpr std::uint64_t kFirstScaledCursorId = std::uint64_t{1} << 63;
constexpr std::size_t kMaxCachedCursors = 64;

struct TScaledWindow {
  std::uint32_t* Pixels = nullptr;   // Width * Height device pixels: lent, or Own's
  std::vector<std::uint32_t> Own;
  int Width = 0;
  int Height = 0;
};

class TScaledHost final : public Host {
 public:
  TScaledHost(std::unique_ptr<Host> inner, int n) : Inner_(std::move(inner)), N_(n) {}

  HostWindow CreateWindow(const HostWindowSpec& asked) override {
    HostWindowSpec spec = asked;
    const HostWindow owner = asked.popup ? asked.owner : 0;
    const HostRect from = owner != 0 ? Inner_->Bounds(owner) : HostRect{};
    if (spec.x != kHostDefaultPosition) spec.x = Place(spec.x, from.x, owner != 0);
    if (spec.y != kHostDefaultPosition) spec.y = Place(spec.y, from.y, owner != 0);
    spec.width = Up(spec.width);
    spec.height = Up(spec.height);
    const HostWindow window = Inner_->CreateWindow(spec);
    if (window != 0 && owner != 0) PopupOwners_[window] = owner;
    return window;
  }

  void DestroyWindow(HostWindow window) override {
    Windows_.erase(window);
    PopupOwners_.erase(window);
    Inner_->DestroyWindow(window);
  }

  void SetTitle(HostWindow window, const std::string& title) override {
    Inner_->SetTitle(window, title);
  }

  void SetIcon(HostWindow window, const CursorShape& icon) override {
    Inner_->SetIcon(window, icon);
  }

  void SetBounds(HostWindow window, const HostRect& bounds) override {
    const HostRect now = Inner_->Bounds(window);
    HostRect b;
    if (auto popup = PopupOwners_.find(window); popup != PopupOwners_.end()) {
      const HostRect from = Inner_->Bounds(popup->second);
      b.x = Place(bounds.x, from.x, true);
      b.y = Place(bounds.y, from.y, true);
    } else {
      b.x = Down(now.x) == bounds.x ? now.x : Up(bounds.x);
      b.y = Down(now.y) == bounds.y ? now.y : Up(bounds.y);
    }
    b.width = DownUp(now.width) == bounds.width ? now.width : Up(bounds.width);
    b.height = DownUp(now.height) == bounds.height ? now.height : Up(bounds.height);
    Inner_->SetBounds(window, b);
  }

  HostRect Bounds(HostWindow window) const override {
    const HostRect r = Inner_->Bounds(window);
    return HostRect{Down(r.x), Down(r.y), DownUp(r.width), DownUp(r.height)};
  }

  // Rounded up: a frame is never taken for thinner than it is.
  HostInsets Decorations(HostWindow window) const override {
    const HostInsets in = Inner_->Decorations(window);
    return HostInsets{DownUp(in.left), DownUp(in.top), DownUp(in.right), DownUp(in.bottom)};
  }

  HostRect WorkArea() const override { return Within(Inner_->WorkArea()); }

  HostRect WorkAreaAt(int x, int y) const override {
    return Within(Inner_->WorkAreaAt(Up(x), Up(y)));
  }

  // The platform's pixels that lie wholly inside a rectangle of the desktop's.
  HostRect Within(const HostRect& a) const {
    const int left = DownUp(a.x);
    const int top = DownUp(a.y);
    const int right = Down(Sum(a.x, a.width));
    const int bottom = Down(Sum(a.y, a.height));
    return HostRect{left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
  }

  void Show(HostWindow window, HostShow how) override { Inner_->Show(window, how); }
  void Raise(HostWindow window) override { Inner_->Raise(window); }

  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) return;
    // In 64 bits: a surface too large to scale is not shown rather than overflowing.
    const std::int64_t w64 = std::int64_t(width) * N_;
    const std::int64_t h64 = std::int64_t(height) * N_;
    if (w64 > INT_MAX / 4 || h64 > INT_MAX / 4 || w64 * h64 > INT_MAX) return;
    TScaledWindow& w = Windows_[window];
    bool whole = false;
    // Lent pixels may still be read by the display server from the last present.
    if (w.Pixels != nullptr && w.Own.empty()) Inner_->BeforeDrawing(window);
    if (w.Width != int(w64) || w.Height != int(h64) || w.Own.empty()) {
      // Lent memory is asked for again at each present: the host may lend another buffer.
      const bool sized = w.Width == int(w64) && w.Height == int(h64);
      w.Width = int(w64);
      w.Height = int(h64);
      w.Pixels = Inner_->WindowPixels(window, w.Width, w.Height);
      if (w.Pixels != nullptr) {
        w.Own.clear();
      } else if (!sized || w.Own.empty()) {
        // Refused now: our own memory, all of it scaled, since the lent copy is gone.
        w.Own.assign(std::size_t(w64 * h64), 0);
        whole = sized;
      }
      if (w.Pixels == nullptr) w.Pixels = w.Own.data();
    }
    if (whole) {
      static const HostRect all{0, 0, INT_MAX / 4, INT_MAX / 4};
      rects = &all;
      count = 1;
    }
    Rects_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      HostRect r;
      if (!ClipRect(rects[i], width, height, r)) continue;
      const int x0 = r.x, y0 = r.y, x1 = r.x + r.width, y1 = r.y + r.height;
      for (int y = y0; y < y1; ++y) ScaleRow(w, pixels + std::ptrdiff_t(y) * stride, x0, x1, y);
      Rects_.push_back(HostRect{x0 * N_, y0 * N_, (x1 - x0) * N_, (y1 - y0) * N_});
    }
    Inner_->Present(window, w.Pixels, w.Width, w.Height, w.Width, Rects_.data(),
                    Rects_.size());
  }

  void SetCursor(const CursorShape* shape) override {
    Inner_->SetCursor(shape == nullptr ? nullptr : &Scaled(*shape));
  }

  void PointerPosition(int& x, int& y) const override {
    Inner_->PointerPosition(x, y);
    x = Down(x);
    y = Down(y);
  }

  // To the middle of the pixel's block: reading the position back answers the same pixel.
  void WarpPointer(int x, int y) override { Inner_->WarpPointer(Middle(x), Middle(y)); }

  void CapturePointer(HostWindow window, bool captured) override {
    Inner_->CapturePointer(window, captured);
  }
  void BeginMoveOrSize(HostWindow window, bool size) override {
    Inner_->BeginMoveOrSize(window, size);
  }

  HostTime Now() const override { return Inner_->Now(); }

  bool NextEvent(HostEvent& event) override {
    if (!Inner_->NextEvent(event)) return false;
    switch (event.kind) {
      case HostEventKind::PointerMove:
      case HostEventKind::PointerPress:
      case HostEventKind::PointerRelease:
      case HostEventKind::Moved:
        event.x = Down(event.x);
        event.y = Down(event.y);
        break;
      case HostEventKind::Resized:
        event.width = DownUp(event.width);
        event.height = DownUp(event.height);
        break;
      case HostEventKind::Exposed: {
        // Every platform pixel that the area touches.
        const int right = DownUp(Sum(event.x, event.width));
        const int bottom = DownUp(Sum(event.y, event.height));
        event.x = Down(event.x);
        event.y = Down(event.y);
        event.width = right - event.x;
        event.height = bottom - event.y;
        break;
      }
      default:
        break;
    }
    return true;
  }

  void Wait(HostTime deadline) override { Inner_->Wait(deadline); }

 private:
  // Device value of a platform coordinate, kept within int.
  int Up(int v) const {
    return int(std::clamp<std::int64_t>(std::int64_t(v) * N_, INT_MIN + 1, INT_MAX));
  }
  int Middle(int v) const {
    return int(std::clamp<std::int64_t>(std::int64_t(v) * N_ + N_ / 2, INT_MIN + 1, INT_MAX));
  }
  // Device position of platform position v: on the grid, or for a popup at the same
  // distance from its owner's device position `from` as the platform sees it, so that a
  // menu lands exactly under its bar item even when the desktop put the owner on an odd
  // device pixel.
  int Place(int v, int from, bool fromOwner) const {
    if (!fromOwner) return Up(v);
    return int(
        std::clamp<std::int64_t>(from + (std::int64_t(v) - Down(from)) * N_, INT_MIN + 1, INT_MAX));
  }
  // Platform value of a device coordinate, rounded down (towards minus infinity) or up.
  int Down(int v) const {
    const std::int64_t q = std::int64_t(v) / N_;
    return int(q * N_ > v ? q - 1 : q);
  }
  int DownUp(int v) const { return -Down(-std::max(v, INT_MIN + 1)); }
  static int Sum(int a, int b) {
    return int(std::clamp<std::int64_t>(std::int64_t(a) + b, INT_MIN + 1, INT_MAX));
  }

  // Source pixels x0..x1 of platform row y into the buffer's rows y*N .. y*N + N - 1.
  void ScaleRow(TScaledWindow& w, const std::uint32_t* src, int x0, int x1, int y) const {
    std::uint32_t* row = w.Pixels + std::size_t(y) * N_ * std::size_t(w.Width);
    std::uint32_t* out = row + std::size_t(x0) * N_;
    for (int x = x0; x < x1; ++x) out = std::fill_n(out, N_, src[x]);
    const std::size_t bytes = std::size_t(x1 - x0) * N_ * sizeof(std::uint32_t);
    for (int k = 1; k < N_; ++k) {
      std::memcpy(row + std::size_t(k) * w.Width + std::size_t(x0) * N_, row + std::size_t(x0) * N_,
                  bytes);
    }
  }

  // The shape N times larger, its hot spot on the hot pixel's block, built once per image.
  const CursorShape& Scaled(const CursorShape& shape) {
    if (auto it = Cursors_.find(shape.id); it != Cursors_.end()) return it->second;
    if (Cursors_.size() >= kMaxCachedCursors) Cursors_.clear();
    CursorShape big;
    big.systemArrow = shape.systemArrow;
    big.id = NextCursorId_++;
    // A malformed shape stays malformed (and refused by the inner host), only larger.
    const bool sound = shape.width > 0 && shape.height > 0 &&
                       shape.pixels.size() == std::size_t(shape.width) * shape.height &&
                       shape.width <= 4096 / N_ && shape.height <= 4096 / N_;
    if (sound) {
      big.width = shape.width * N_;
      big.height = shape.height * N_;
      big.hotX = shape.hotX * N_;
      big.hotY = shape.hotY * N_;
      big.pixels.resize(std::size_t(big.width) * big.height);
      for (int y = 0; y < big.height; ++y) {
        for (int x = 0; x < big.width; ++x) {
          big.pixels[std::size_t(y) * big.width + x] =
              shape.pixels[std::size_t(y / N_) * shape.width + std::size_t(x / N_)];
        }
      }
    }
    return Cursors_.emplace(shape.id, std::move(big)).first->second;
  }

  std::unique_ptr<Host> Inner_;
  const int N_;
  std::unordered_map<HostWindow, TScaledWindow> Windows_;
  std::unordered_map<HostWindow, HostWindow> PopupOwners_;  // popup menu -> its owner
  std::vector<HostRect> Rects_;
  std::unordered_map<std::uint64_t, CursorShape> Cursors_;
  std::uint64_t NextCursorId_ = kFirstScaledCursorId;
};

}  // namespace

std::unique_ptr<Host> MakeScaledHost(std::unique_ptr<Host> inner, int n) {
  n = std::clamp(n, kMinScale, kMaxScale);
  if (inner != nullptr) inner->UseScale(n);
  if (inner == nullptr || n == 1) return inner;
  return std::make_unique<TScaledHost>(std::move(inner), n);
}

}  // namespace platform
