#include "platform/host/x11/x11_picture.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform::x11 {

namespace {
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::size_t kPutImageHeader = 24;
}  // namespace

bool ClipRect(const HostRect& in, int width, int height, HostRect& out) {
  std::int64_t l = std::max<std::int64_t>(in.x, 0);
  std::int64_t t = std::max<std::int64_t>(in.y, 0);
  std::int64_t r = std::min<std::int64_t>(std::int64_t(in.x) + in.width, width);
  std::int64_t b = std::min<std::int64_t>(std::int64_t(in.y) + in.height, height);
  if (l >= r || t >= b) return false;
  out = HostRect{int(l), int(t), int(r - l), int(b - t)};
  return true;
}

TPicture& TPicture::operator=(TPicture&& other) noexcept {
  if (this == &other) return *this;
  Release();
  C_ = other.C_;
  Pixels_ = other.Pixels_;
  Width_ = other.Width_;
  Height_ = other.Height_;
  Heap_ = std::move(other.Heap_);
  Shared_ = other.Shared_;
  Segment_ = other.Segment_;
  Lent_ = other.Lent_;
  if (Shared_ == nullptr) Pixels_ = Heap_.empty() ? nullptr : Heap_.data();
  other.Pixels_ = nullptr;
  other.Shared_ = nullptr;
  other.Segment_ = 0;
  other.Width_ = other.Height_ = 0;
  return *this;
}

void TPicture::Release() {
  if (Segment_ != 0) {
    xcb_shm_detach(C_, Segment_);
    shmdt(Shared_);
  }
  Segment_ = 0;
  Shared_ = nullptr;
  Heap_ = {};
  Pixels_ = nullptr;
  Width_ = Height_ = 0;
  Lent_ = false;
}

TPresenter::TPresenter(TConnection& x) : X_(x) {
  Gc_ = xcb_generate_id(X_.C());
  const std::uint32_t noExposures = 0;
  xcb_create_gc(X_.C(), Gc_, X_.Root(), XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
}

TPresenter::~TPresenter() {
  xcb_free_gc(X_.C(), Gc_);
}

bool TPresenter::Allocate(TPicture& p, int width, int height, bool shared) {
  p.Release();
  xcb_connection_t* c = X_.C();
  p.C_ = c;
  const std::size_t count = std::size_t(width) * std::size_t(height);
  if (shared && X_.ShmWorks()) {
    const int id = shmget(IPC_PRIVATE, count * 4, IPC_CREAT | 0600);
    void* at = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, 0);
    if (at != reinterpret_cast<void*>(-1)) {
      p.Segment_ = xcb_generate_id(c);
      xcb_shm_attach(c, p.Segment_, std::uint32_t(id), 1);
      // Faulted in at once: one call instead of a fault per page.
      madvise(at, count * 4, MADV_POPULATE_WRITE);
      p.Shared_ = at;
      p.Pixels_ = static_cast<std::uint32_t*>(at);
    }
    // It goes when the server and we both let go, even if the process dies.
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  }
  if (p.Pixels_ == nullptr) {
    if (shared) return false;
    p.Heap_.assign(count, kWhite);
    p.Pixels_ = p.Heap_.data();
  }
  p.Width_ = width;
  p.Height_ = height;
  return true;
}

std::uint32_t* TPresenter::Lend(TPicture& picture, int width, int height) {
  if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF ||
      (!(picture.Lent() && picture.Width() == width && picture.Height() == height) &&
       !Allocate(picture, width, height, true))) {
    return nullptr;
  }
  // Asked again at the size it has (after each present): the same memory, picture kept.
  picture.Lent_ = true;
  return picture.Pixels_;
}

void TPresenter::Present(xcb_window_t window, TPicture& picture, const std::uint32_t* pixels,
                         int width, int height, int stride, const HostRect* rects,
                         std::size_t count) {
  if (pixels == nullptr || width <= 0 || height <= 0 || stride < width || width > 0x7FFF ||
      height > 0x7FFF) {
    return;
  }
  const bool lent = picture.Lent() && pixels == picture.Pixels_ && stride == width &&
                    width == picture.Width() && height == picture.Height();
  // A new size: the platform presents all of it, so the old copy is not kept.
  if (!lent && (picture.Lent() || picture.Width() != width || picture.Height() != height)) {
    if (Allocate(picture, width, height, true)) {
      std::fill_n(picture.Pixels_, std::size_t(width) * std::size_t(height), kWhite);
    } else {
      Allocate(picture, width, height, false);
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    HostRect r;
    if (!ClipRect(rects[i], width, height, r)) continue;
    if (!lent) {
      for (int row = r.y; row < r.y + r.height; ++row) {
        std::memcpy(picture.Row(row) + r.x, pixels + std::ptrdiff_t(row) * stride + r.x,
                    std::size_t(r.width) * 4);
      }
    }
    Put(window, picture, r);
  }
  Send(picture);
}

void TPresenter::Send(const TPicture& picture) {
  if (!picture.Lent()) {
    xcb_flush(X_.C());
    return;
  }
  // The platform draws in lent pixels next: the server must have read them first.
  // Requests are done in order, so one answer says the puts before it are done.
  std::free(xcb_get_input_focus_reply(X_.C(), xcb_get_input_focus(X_.C()), nullptr));
}

bool TPresenter::Show(xcb_window_t window, TPicture& picture, const HostRect& area) {
  if (picture.Empty()) return false;
  HostRect r;
  if (ClipRect(area, picture.Width(), picture.Height(), r)) Put(window, picture, r);
  return true;
}

void TPresenter::Put(xcb_window_t window, TPicture& p, const HostRect& r) {
  xcb_connection_t* c = X_.C();
  const std::uint8_t depth = X_.Screen().root_depth;
  if (p.Segment_ != 0) {
    xcb_shm_put_image(c, window, Gc_, std::uint16_t(p.Width()), std::uint16_t(p.Height()),
                      std::uint16_t(r.x), std::uint16_t(r.y), std::uint16_t(r.width),
                      std::uint16_t(r.height), std::int16_t(r.x), std::int16_t(r.y), depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, p.Segment_, 0);
    return;
  }
  // As many whole rows per request as the server takes.
  const std::size_t rowBytes = std::size_t(r.width) * 4;
  const int perRequest = std::max(
      1, int((X_.MaxRequestBytes() - kPutImageHeader) / std::max<std::size_t>(rowBytes, 1)));
  for (int top = r.y; top < r.y + r.height; top += perRequest) {
    const int rows = std::min(perRequest, r.y + r.height - top);
    Rows_.resize(std::size_t(r.width) * std::size_t(rows));
    for (int i = 0; i < rows; ++i) {
      std::memcpy(Rows_.data() + std::size_t(i) * std::size_t(r.width), p.Row(top + i) + r.x,
                  rowBytes);
    }
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, Gc_, std::uint16_t(r.width),
                  std::uint16_t(rows), std::int16_t(r.x), std::int16_t(top), 0, depth,
                  std::uint32_t(Rows_.size() * 4),
                  reinterpret_cast<const std::uint8_t*>(Rows_.data()));
  }
}

}  // namespace platform::x11
