// A window's pixels for the compositor: two wl_shm buffers, one of which at a time is
// the one drawn in (lent to the platform through Host::WindowPixels, and the host's own
// caption rows). A commit attaches it with only the changed rectangles damaged; the next
// drawing goes to a buffer the compositor has released, brought up to date first by
// copying in only what changed since it was last shown. Nothing is ever drawn in a
// buffer the compositor holds. Each changed rectangle gets its pixels' unused top byte
// set (the platform's GDI reads window pixels without it).
#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/host/host.h"

namespace platform::wl {

// Damage in buffer pixels where the surface takes it (wl_surface 4), else all of it; a
// buffer scale only where the surface has one (3).
inline void DamageBuffer(wl_surface* surface, const HostRect& r) {
  if (wl_surface_get_version(surface) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(surface, r.x, r.y, r.width, r.height);
  } else {
    wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
  }
}
inline void SetBufferScale(wl_surface* surface, int scale) {
  if (wl_surface_get_version(surface) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION) {
    wl_surface_set_buffer_scale(surface, scale);
  }
}

class TBuffers {
 public:
  TBuffers() = default;
  TBuffers(const TBuffers&) = delete;
  TBuffers& operator=(const TBuffers&) = delete;
  // Moved whole: the memory stays where it is, so a view lent from it stays valid.
  TBuffers(TBuffers&& o) noexcept { *this = std::move(o); }
  TBuffers& operator=(TBuffers&& o) noexcept;
  ~TBuffers() { Release(); }

  // Two buffers of width x height pixels (XRGB8888, rows packed); false, empty, when
  // the memory cannot be had.
  bool Make(wl_shm* shm, int width, int height);
  void Release();

  bool Empty() const { return Width_ == 0; }
  int Width() const { return Width_; }
  int Height() const { return Height_; }

  // The buffer to draw in, `Width()` a row, holding the newest picture; nullptr while
  // the compositor holds both (a release comes after the next commit is read).
  std::uint32_t* Draw();
  // The newest picture, to be read only: the buffer drawn in, else the one attached
  // last (which the compositor may hold); nullptr before any drawing.
  const std::uint32_t* Newest() const {
    return Drawn_ >= 0 ? Memory(Drawn_) : Last_ >= 0 ? Memory(Last_) : nullptr;
  }
  // Whether `p` lies in the buffers' memory.
  bool Owns(const std::uint32_t* p) const {
    return Both_ != nullptr && p >= Both_ && p < Both_ + 2 * Stride_;
  }

  // The rectangle changed in the buffer drawn in and is to be shown with the next commit.
  void Changed(const HostRect& r);
  // Something changed that no commit has shown yet.
  bool HasChanges() const { return !Pending_.empty(); }
  // Shows what changed on `surface`. While `keep` (someone may still draw in the buffer
  // drawn in) the changes go out in the other buffer, copied over. False when the
  // compositor holds the buffer needed: the commit is to be made again after a release.
  bool Commit(wl_surface* surface, bool keep);

 private:
  struct TBuffer {
    wl_buffer* Buffer = nullptr;
    bool Busy = false;            // attached, not yet released by the compositor
    std::vector<HostRect> Stale;  // where it lacks the newest picture
  };
  std::uint32_t* Memory(int i) const { return Both_ + std::size_t(i) * Stride_; }
  void CopyStale(int into, int from);
  void Attach(wl_surface* surface, int i);

  int Fd_ = -1;
  std::uint32_t* Both_ = nullptr;  // the two buffers, as this process writes them
  std::size_t Bytes_ = 0;          // one buffer's mapping, whole pages
  std::size_t Stride_ = 0;         // from one buffer to the next, in pixels
  int Width_ = 0;
  int Height_ = 0;
  int Drawn_ = -1;  // the buffer drawn in, or none
  int Last_ = -1;   // the buffer attached last, or none
  TBuffer Buffers_[2];
  std::vector<HostRect> Pending_;  // changed since the last commit
};

}  // namespace platform::wl
