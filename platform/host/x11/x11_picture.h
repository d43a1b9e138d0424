// Each window's last presented pixels, kept by the host so that exposes are answered
// without the platform, and sent to the server a rectangle at a time: in PutImage
// requests (converted to the screen's format where it differs from ours), or, for large
// areas of pixels lent to the platform, through shared memory (MIT-SHM).
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/x11/x11_connection.h"

namespace platform::x11 {

class TPresenter;

// A window's kept copy, 0x00RRGGBB like the platform's own surfaces, rows packed.
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
  void* Shared_ = nullptr;           // the shared memory as mapped here
  std::size_t SharedBytes_ = 0;
  bool SharedByFd_ = false;    // mapped from a file (else a System V segment)
  std::uint32_t Segment_ = 0;  // the server's name for it, 0 for none (or lost)
  bool Lent_ = false;
  // The server may still read the shared memory until this request is answered.
  bool Reading_ = false;
  xcb_get_input_focus_cookie_t ReadUntil_{};
};

class TPresenter {
 public:
  explicit TPresenter(TConnection& x);
  TPresenter(const TPresenter&) = delete;
  TPresenter& operator=(const TPresenter&) = delete;
  ~TPresenter();

  // Makes the picture the platform's own pixels, in shared memory, so that presenting
  // needs no copy; nullptr (and the picture emptied) when shared memory does not work
  // or the screen needs our pixels converted.
  std::uint32_t* Lend(TPicture& picture, int width, int height);
  // Copies the given rectangles of the platform's pixels into the window's kept copy
  // (made anew, white, when the size changed) and shows them; pixels lent by Lend are
  // shown as they are.
  void Present(xcb_window_t window, TPicture& picture, const std::uint32_t* pixels, int width,
               int height, int stride, const HostRect* rects, std::size_t count);
  // Returns once the server no longer reads the picture's lent pixels.
  void Settle(TPicture& picture);
  // Shows part of the kept copy again (an expose); false when nothing is kept there.
  // Flush after the last of a burst.
  bool Show(xcb_window_t window, TPicture& picture, const HostRect& area);
  // The server refused shared memory (an error about it came back): from now on every
  // picture goes by PutImage; `window`'s is shown again whole from its own pixels.
  void LoseSharedMemory(xcb_window_t window, TPicture& picture);

 private:
  // Memory for the picture: shared when `shared`, else white heap memory.
  bool Allocate(TPicture& picture, int width, int height, bool shared);
  void Put(xcb_window_t window, TPicture& picture, const HostRect& r, bool shared);

  TConnection& X_;
  xcb_gcontext_t Gc_ = 0;
  std::vector<std::uint8_t> Rows_;  // a rectangle's rows in the server's format
};

}  // namespace platform::x11
