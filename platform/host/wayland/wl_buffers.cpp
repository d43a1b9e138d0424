#include "platform/host/wayland/wl_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace platform::wl {
namespace {

constexpr std::size_t kMaxRects = 32;  // beyond, a list of rectangles becomes their union
constexpr std::uint32_t kOpaque = 0xFF000000;

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
  const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
  const std::size_t pixels = std::size_t(width) * std::size_t(height);
  const std::size_t bytes = (pixels * 4 + page - 1) / page * page;
  if (2 * bytes > std::size_t(INT32_MAX)) return false;
  Fd_ = memfd_create("klop-window", MFD_CLOEXEC);
  if (Fd_ < 0) return false;
  void* both = MAP_FAILED;
  void* view = MAP_FAILED;
  if (ftruncate(Fd_, off_t(2 * bytes)) == 0) {
    both = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_SHARED, Fd_, 0);
    view = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  }
  if (both == MAP_FAILED || view == MAP_FAILED) {
    if (both != MAP_FAILED) munmap(both, 2 * bytes);
    if (view != MAP_FAILED) munmap(view, bytes);
    close(Fd_);
    Fd_ = -1;
    return false;
  }
  Both_ = static_cast<std::uint32_t*>(both);
  View_ = static_cast<std::uint32_t*>(view);
  Bytes_ = bytes;
  Stride_ = bytes / 4;
  Width_ = width;
  Height_ = height;
  Last_ = 1;
  wl_shm_pool* pool = wl_shm_create_pool(shm, Fd_, std::int32_t(2 * bytes));
  for (int i = 0; i < 2; ++i) {
    TBuffer& b = Buffers_[i];
    b.Buffer = wl_shm_pool_create_buffer(pool, std::int32_t(std::size_t(i) * bytes), width, height,
                                         width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(b.Buffer, &kBufferListener, &b.Busy);
    b.Stale.assign(1, HostRect{0, 0, width, height});
  }
  wl_shm_pool_destroy(pool);
  Pending_.clear();
  return true;
}

void TBuffers::Release() {
  for (TBuffer& b : Buffers_) {
    // The compositor keeps showing what it holds: its own mapping of the memory stays.
    if (b.Buffer != nullptr) wl_buffer_destroy(b.Buffer);
    b = TBuffer{};
  }
  if (View_ != nullptr) munmap(View_, Bytes_);
  if (Both_ != nullptr) munmap(Both_, 2 * Bytes_);
  if (Fd_ >= 0) close(Fd_);
  Fd_ = -1;
  View_ = Both_ = nullptr;
  Bytes_ = Stride_ = 0;
  Width_ = Height_ = 0;
  Pending_.clear();
}

void TBuffers::Changed(const HostRect& in) {
  const int x0 = std::clamp(in.x, 0, Width_), y0 = std::clamp(in.y, 0, Height_);
  const int x1 = std::clamp(in.x + std::max(in.width, 0), 0, Width_);
  const int y1 = std::clamp(in.y + std::max(in.height, 0), 0, Height_);
  if (x1 <= x0 || y1 <= y0) return;
  const HostRect r{x0, y0, x1 - x0, y1 - y0};
  Add(Pending_, r);
  for (TBuffer& b : Buffers_) Add(b.Stale, r);
}

bool TBuffers::Commit(wl_surface* surface) {
  if (Empty() || Pending_.empty()) return true;
  // The one not shown last, when free: the other may still be on the screen.
  int to = 1 - Last_;
  if (Buffers_[to].Busy) to = Last_;
  TBuffer& b = Buffers_[to];
  if (b.Busy) return false;
  std::uint32_t* into = Memory(to);
  for (const HostRect& r : b.Stale) {
    for (int y = r.y; y < r.y + r.height; ++y) {
      const std::size_t at = std::size_t(y) * std::size_t(Width_) + std::size_t(r.x);
      const std::uint32_t* from = View_ + at;
      std::uint32_t* row = into + at;
      for (int x = 0; x < r.width; ++x) row[x] = from[x] | kOpaque;
    }
  }
  b.Stale.clear();
  wl_surface_attach(surface, b.Buffer, 0, 0);
  for (const HostRect& r : Pending_) wl_surface_damage_buffer(surface, r.x, r.y, r.width, r.height);
  Pending_.clear();
  wl_surface_commit(surface);
  b.Busy = true;
  Last_ = to;
  return true;
}

}  // namespace platform::wl
