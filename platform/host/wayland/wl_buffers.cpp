#include "platform/host/wayland/wl_buffers.h"

#include <fcntl.h>
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
  // The pages are had now: memory pressure fails this allocation rather than a later
  // write into the mapping with SIGBUS.
  void* both = MAP_FAILED;
  if (fallocate(Fd_, 0, 0, off_t(2 * bytes)) == 0) {
    both = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_SHARED, Fd_, 0);
  }
  if (both == MAP_FAILED) {
    close(Fd_);
    Fd_ = -1;
    return false;
  }
  Both_ = static_cast<std::uint32_t*>(both);
  Bytes_ = bytes;
  Stride_ = bytes / 4;
  Width_ = width;
  Height_ = height;
  Drawn_ = Last_ = -1;
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

TBuffers& TBuffers::operator=(TBuffers&& o) noexcept {
  if (this == &o) return *this;
  Release();
  std::swap(Fd_, o.Fd_);
  std::swap(Both_, o.Both_);
  std::swap(Bytes_, o.Bytes_);
  std::swap(Stride_, o.Stride_);
  std::swap(Width_, o.Width_);
  std::swap(Height_, o.Height_);
  std::swap(Drawn_, o.Drawn_);
  std::swap(Last_, o.Last_);
  std::swap(Pending_, o.Pending_);
  for (int i = 0; i < 2; ++i) {
    std::swap(Buffers_[i], o.Buffers_[i]);
    // The release listener writes the Busy flag it was given: this one's now.
    TBuffer& b = Buffers_[i];
    if (b.Buffer != nullptr) wl_buffer_set_user_data(b.Buffer, &b.Busy);
  }
  return *this;
}

void TBuffers::Release() {
  for (TBuffer& b : Buffers_) {
    // The compositor keeps showing what it holds: its own mapping of the memory stays.
    if (b.Buffer != nullptr) wl_buffer_destroy(b.Buffer);
    b = TBuffer{};
  }
  if (Both_ != nullptr) munmap(Both_, 2 * Bytes_);
  if (Fd_ >= 0) close(Fd_);
  Fd_ = -1;
  Both_ = nullptr;
  Bytes_ = Stride_ = 0;
  Width_ = Height_ = 0;
  Drawn_ = Last_ = -1;
  Pending_.clear();
}

std::uint32_t* TBuffers::Draw() {
  if (Empty()) return nullptr;
  if (Drawn_ >= 0) return Memory(Drawn_);
  // The one shown last when released (it lacks nothing), else the other when free.
  int i = -1;
  if (Last_ >= 0 && !Buffers_[Last_].Busy) {
    i = Last_;
  } else {
    for (int j = 0; j < 2 && i < 0; ++j) {
      if (!Buffers_[j].Busy) i = j;
    }
  }
  if (i < 0) return nullptr;
  if (Last_ >= 0 && i != Last_) {
    CopyStale(i, Last_);
  } else {
    Buffers_[i].Stale.clear();  // nothing shown yet: the first drawing fills it
  }
  Drawn_ = i;
  return Memory(i);
}

void TBuffers::CopyStale(int into, int from) {
  std::uint32_t* to = Memory(into);
  const std::uint32_t* source = Memory(from);
  for (const HostRect& r : Buffers_[into].Stale) {
    for (int y = r.y; y < r.y + r.height; ++y) {
      const std::size_t at = std::size_t(y) * std::size_t(Width_) + std::size_t(r.x);
      std::copy_n(source + at, r.width, to + at);
    }
  }
  Buffers_[into].Stale.clear();
}

void TBuffers::Changed(const HostRect& in) {
  const int x0 = std::clamp(in.x, 0, Width_), y0 = std::clamp(in.y, 0, Height_);
  const int x1 = std::clamp(in.x + std::max(in.width, 0), 0, Width_);
  const int y1 = std::clamp(in.y + std::max(in.height, 0), 0, Height_);
  if (x1 <= x0 || y1 <= y0) return;
  const HostRect r{x0, y0, x1 - x0, y1 - y0};
  if (Drawn_ >= 0) {
    // The unused top byte set: weston's pixman renderer copies an XRGB surface's words
    // as they are, and its screenshots and read-backs take that byte for alpha.
    std::uint32_t* into = Memory(Drawn_);
    for (int y = y0; y < y1; ++y) {
      std::uint32_t* row = into + std::size_t(y) * std::size_t(Width_);
      for (int x = x0; x < x1; ++x) row[x] |= kOpaque;
    }
  }
  Add(Pending_, r);
  for (int i = 0; i < 2; ++i) {
    if (i != Drawn_) Add(Buffers_[i].Stale, r);
  }
}

void TBuffers::Attach(wl_surface* surface, int i) {
  wl_surface_attach(surface, Buffers_[i].Buffer, 0, 0);
  for (const HostRect& r : Pending_) DamageBuffer(surface, r);
  Pending_.clear();
  wl_surface_commit(surface);
  Buffers_[i].Busy = true;
  Last_ = i;
}

bool TBuffers::Commit(wl_surface* surface, bool keep) {
  if (Empty() || Pending_.empty()) return true;
  if (Drawn_ < 0) {
    Pending_.clear();  // changes are only ever made in the buffer drawn in
    return true;
  }
  if (!keep) {
    Attach(surface, Drawn_);
    Drawn_ = -1;
    return true;
  }
  const int other = 1 - Drawn_;
  if (Buffers_[other].Busy) return false;
  CopyStale(other, Drawn_);
  Attach(surface, other);
  return true;
}

}  // namespace platform::wl
