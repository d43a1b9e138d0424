// A window's pixels in two wl_shm buffers. The platform draws straight into one of
// them through a view (a mapping of its own) that stays at the same address while the
// buffer behind it changes: once the compositor holds the buffer just committed, the
// view is mapped onto the other one, after the rectangles it lacks were copied forward,
// so the platform never draws in a buffer the compositor may be reading.
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

  // Two buffers of width x height pixels (XRGB8888, rows packed); false, empty, when
  // the memory cannot be had.
  bool Make(wl_shm* shm, int width, int height);
  void Release();

  bool Empty() const { return Width_ == 0; }
  int Width() const { return Width_; }
  int Height() const { return Height_; }
  // The view: the pixels the platform draws in, `Width()` a row.
  std::uint32_t* Pixels() const { return View_; }

  // The rectangle changed in the view and is to be shown with the next commit.
  void Changed(const HostRect& r);
  bool HasChanges() const { return !Pending_.empty(); }

  // Attaches the buffer to show, damages what changed since the last commit and
  // commits. `fromPresent`: the platform has handed over everything it drew, so the
  // view may move to the other buffer; otherwise the view's content is copied to the
  // other buffer when that one is free, and that is shown, so the view stays free.
  void Commit(wl_surface* surface, bool fromPresent);

 private:
  struct TBuffer {
    wl_buffer* Buffer = nullptr;
    bool Busy = false;                // attached, not yet released by the compositor
    std::vector<HostRect> Stale;      // where it lacks the view's content
  };
  // Brings the other buffer up to the view's content.
  void CopyStale();
  // Swaps the buffers behind the view and the other mapping.
  void MoveView();
  void AddStale(TBuffer& b, const HostRect& r);

  int Fd_ = -1;
  std::uint32_t* View_ = nullptr;   // the view onto buffer Current_
  std::uint32_t* Other_ = nullptr;  // the other buffer, as the host writes it
  std::size_t Bytes_ = 0;          // one buffer's
  int Width_ = 0;
  int Height_ = 0;
  int Current_ = 0;
  TBuffer Buffers_[2];
  std::vector<HostRect> Pending_;  // changed since the last commit
};

}  // namespace platform::wl
