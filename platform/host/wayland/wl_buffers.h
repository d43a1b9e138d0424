// A window's pixels for the compositor: the view the platform draws in (lent through
// Host::WindowPixels, host memory the compositor never reads) and two wl_shm buffers.
// A commit copies into a buffer the compositor does not hold the rectangles it lacks,
// with the unused top byte of each pixel set (weston's renderer takes it for alpha),
// then attaches it and damages only what changed. While the compositor holds both, the
// commit waits for a release.
#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/host/host.h"

namespace platform::wl {

class TBuffers {
 public:
  TBuffers() = default;
  TBuffers(const TBuffers&) = delete;
  TBuffers& operator=(const TBuffers&) = delete;
  ~TBuffers() { Release(); }

  // The view and two buffers of width x height pixels (XRGB8888, rows packed); false,
  // empty, when the memory cannot be had.
  bool Make(wl_shm* shm, int width, int height);
  void Release();

  bool Empty() const { return Width_ == 0; }
  int Width() const { return Width_; }
  int Height() const { return Height_; }
  // The view: the pixels the platform draws in, `Width()` a row.
  std::uint32_t* Pixels() const { return View_; }

  // The rectangle changed in the view and is to be shown with the next commit.
  void Changed(const HostRect& r);
  // Something changed that no commit has shown yet.
  bool HasChanges() const { return !Pending_.empty(); }
  // Shows what changed on `surface`; false when the compositor holds both buffers, and
  // the commit is to be made again once it releases one.
  bool Commit(wl_surface* surface);

 private:
  struct TBuffer {
    wl_buffer* Buffer = nullptr;
    bool Busy = false;            // attached, not yet released by the compositor
    std::vector<HostRect> Stale;  // where it lacks the view's content
  };
  std::uint32_t* Memory(int i) const { return Both_ + std::size_t(i) * Stride_; }

  int Fd_ = -1;
  std::uint32_t* View_ = nullptr;  // private to this process
  std::uint32_t* Both_ = nullptr;  // the two buffers, as this process writes them
  std::size_t Bytes_ = 0;          // one buffer's mapping, whole pages
  std::size_t Stride_ = 0;         // from one buffer to the next, in pixels
  int Width_ = 0;
  int Height_ = 0;
  int Last_ = 1;  // the buffer attached last
  TBuffer Buffers_[2];
  std::vector<HostRect> Pending_;  // changed since the last commit
};

}  // namespace platform::wl
