// Each window's last presented pixels, kept by the host so that exposes are answered
// without the platform, and sent to the server a rectangle at a time: through shared
// memory (MIT-SHM) when the server is on this machine, else in PutImage requests.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/x11/x11_connection.h"

namespace platform::x11 {

class TPresenter;

// A window's kept copy, 0x00RRGGBB like the platform's own surfaces and the server's
// 24-bit visual, rows packed.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  TPicture(TPicture&& other) noexcept { *this = std::move(other); }
  TPicture& operator=(TPicture&& other) noexcept;
  ~TPicture() { Release(); }

  int Width() const { return Width_; }
  int Height() const { return Height_; }
  bool Empty() const { return Width_ == 0; }
  std::uint32_t* Row(int y) { return Pixels_ + std::size_t(y) * std::size_t(Width_); }
  // Whether these are the platform's own pixels, lent to it (see TPresenter::Lend).
  bool Lent() const { return Lent_; }

 private:
  friend class TPresenter;
  void Release();

  xcb_connection_t* C_ = nullptr;
  std::uint32_t* Pixels_ = nullptr;
  int Width_ = 0;
  int Height_ = 0;
  std::vector<std::uint32_t> Heap_;  // the pixels when not in shared memory
  void* Shared_ = nullptr;           // the shared segment as mapped here
  std::uint32_t Segment_ = 0;        // its server-side id, 0 for none
  bool Lent_ = false;
};

class TPresenter {
 public:
  explicit TPresenter(TConnection& x);
  TPresenter(const TPresenter&) = delete;
  TPresenter& operator=(const TPresenter&) = delete;
  ~TPresenter();

  // Makes the picture the platform's own pixels, in shared memory, so that presenting
  // needs no copy; nullptr (and the picture emptied) when shared memory does not work.
  std::uint32_t* Lend(TPicture& picture, int width, int height);
  // Copies the given rectangles of the platform's pixels into the window's kept copy
  // (made anew, white, when the size changed) and shows them; pixels lent by Lend are
  // shown as they are, and the server is done reading them when this returns.
  void Present(xcb_window_t window, TPicture& picture, const std::uint32_t* pixels, int width,
               int height, int stride, const HostRect* rects, std::size_t count);
  // Shows part of the kept copy again (an expose); false when nothing is kept there.
  // Send after the last of a burst.
  bool Show(xcb_window_t window, TPicture& picture, const HostRect& area);
  // Sends what was put; for lent pixels, returns once the server has read them.
  void Send(const TPicture& picture);

 private:
  // Memory for the picture: shared when `shared` (false when shared memory does not
  // work), else white heap memory.
  bool Allocate(TPicture& picture, int width, int height, bool shared);
  void Put(xcb_window_t window, TPicture& picture, const HostRect& r);

  TConnection& X_;
  xcb_gcontext_t Gc_ = 0;
  std::vector<std::uint32_t> Rows_;  // a rectangle's rows, packed for PutImage
};

// The rectangle cut to a width x height picture (in 64 bits: rectangles may come
// from anywhere); false when nothing is left.
bool ClipRect(const HostRect& in, int width, int height, HostRect& out);

}  // namespace platform::x11
