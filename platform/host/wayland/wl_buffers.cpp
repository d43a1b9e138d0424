#include "platform/host/wayland/wl_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace platform::wl {
namespace {

constexpr std::size_t kMaxRects = 32;  // beyond, a list of rectangles becomes their union

HostRect Union(const HostRect& a, const HostRect& b) {
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.x + a.width, b.x + b.width);
  const int y1 = std::max(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0};
}

void Add(std::vector<HostRect>& list, const HostRect& r) {
  if (list.size() < kMaxRects) {
    list.push_back(r);
    return;
  }
  HostRect all = r;
  for (const HostRect& o : list) all = Union(all, o);
  list.assign(1, all);
}

// The compositor is done reading a buffer: its Busy flag is the listener's data.
const wl_buffer_listener kBufferListener = {
    [](void* data, wl_buffer*) { *static_cast<bool*>(data) = false; },
};

}  // namespace

bool TBuffers::Make(wl_shm* shm, int width, int height) {
  Release();
  if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) return false;
  // Each buffer starts on a page of its own, as a mapping of it must.
  const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
  const std::size_t bytes = (std::size_t(width) * std::size_t(height) * 4 + page - 1) / page * page;
  if (2 * bytes > std::size_t(INT32_MAX)) return false;
  Fd_ = memfd_create("klop-window", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (Fd_ < 0) return false;
  if (ftruncate(Fd_, off_t(2 * bytes)) != 0) {
    Release();
    return false;
  }
  void* view = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, Fd_, 0);
  void* other = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, Fd_, off_t(bytes));
  if (other == MAP_FAILED || view == MAP_FAILED) {
    if (other != MAP_FAILED) munmap(other, bytes);
    if (view != MAP_FAILED) munmap(view, bytes);
    Release();
    return false;
  }
  View_ = static_cast<std::uint32_t*>(view);
  Other_ = static_cast<std::uint32_t*>(other);
  Bytes_ = bytes;
  Width_ = width;
  Height_ = height;
  Current_ = 0;
  wl_shm_pool* pool = wl_shm_create_pool(shm, Fd_, std::int32_t(2 * bytes));
  for (int i = 0; i < 2; ++i) {
    TBuffer& b = Buffers_[i];
    b.Buffer = wl_shm_pool_create_buffer(pool, std::int32_t(std::size_t(i) * bytes), width, height,
                                         width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(b.Buffer, &kBufferListener, &b.Busy);
    // Fresh memory is zero in both; the view is whatever the platform draws first.
    b.Stale.clear();
  }
  wl_shm_pool_destroy(pool);
  Pending_.clear();
  return true;
}

void TBuffers::Release() {
  for (TBuffer& b : Buffers_) {
    // The compositor keeps showing what it holds: the memory stays its own until then.
    if (b.Buffer != nullptr) wl_buffer_destroy(b.Buffer);
    b = TBuffer{};
  }
  if (View_ != nullptr) munmap(View_, Bytes_);
  if (Other_ != nullptr) munmap(Other_, Bytes_);
  if (Fd_ >= 0) close(Fd_);
  Fd_ = -1;
  View_ = Other_ = nullptr;
  Bytes_ = 0;
  Width_ = Height_ = 0;
  Pending_.clear();
}

void TBuffers::AddStale(TBuffer& b, const HostRect& r) { Add(b.Stale, r); }

void TBuffers::Changed(const HostRect& in) {
  const int x0 = std::clamp(in.x, 0, Width_), y0 = std::clamp(in.y, 0, Height_);
  const int x1 = std::clamp(in.x + std::max(in.width, 0), 0, Width_);
  const int y1 = std::clamp(in.y + std::max(in.height, 0), 0, Height_);
  if (x1 <= x0 || y1 <= y0) return;
  const HostRect r{x0, y0, x1 - x0, y1 - y0};
  Add(Pending_, r);
  AddStale(Buffers_[1 - Current_], r);
}

void TBuffers::CopyStale() {
  TBuffer& other = Buffers_[1 - Current_];
  for (const HostRect& r : other.Stale) {
    for (int y = r.y; y < r.y + r.height; ++y) {
      const std::size_t at = std::size_t(y) * std::size_t(Width_) + std::size_t(r.x);
      std::copy_n(View_ + at, r.width, Other_ + at);
    }
  }
  other.Stale.clear();
}

void TBuffers::MoveView() {
  // Both mappings are replaced in place: the platform's pointer stays valid.
  const int to = 1 - Current_;
  void* view = mmap(View_, Bytes_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, Fd_,
                    off_t(std::size_t(to) * Bytes_));
  void* other = mmap(Other_, Bytes_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, Fd_,
                     off_t(std::size_t(Current_) * Bytes_));
  if (view == MAP_FAILED || other == MAP_FAILED) {
    // Out of mappings: keep drawing in the buffer shown, as a single-buffered window.
    if (view != MAP_FAILED) {
      mmap(View_, Bytes_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, Fd_,
           off_t(std::size_t(Current_) * Bytes_));
    }
    return;
  }
  Current_ = to;
}

void TBuffers::Commit(wl_surface* surface, bool fromPresent) {
  if (Empty()) return;
  const int other = 1 - Current_;
  int shown = Current_;
  if (!fromPresent && !Buffers_[other].Busy) {
    // Show a copy, keeping the view's buffer out of the compositor's hands.
    CopyStale();
    shown = other;
  }
  TBuffer& b = Buffers_[shown];
  wl_surface_attach(surface, b.Buffer, 0, 0);
  for (const HostRect& r : Pending_) wl_surface_damage_buffer(surface, r.x, r.y, r.width, r.height);
  Pending_.clear();
  wl_surface_commit(surface);
  b.Busy = true;
  if (shown == Current_ && !Buffers_[other].Busy) {
    CopyStale();
    // What the platform draws next lands in the other buffer; the one shown lacks it.
    Buffers_[Current_].Stale.clear();
    MoveView();
  }
}

}  // namespace platform::wl
