#include "platform/host/x11/x11_picture.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>
#include <xcb/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_pixels.h"

namespace platform::x11 {

namespace {
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::size_t kPutImageHeader = 24;
// Below this many bytes a present goes in PutImage requests: copying them costs less
// than the wake-up that shared memory's answer brings (a game's tick at scale 2 is
// about 170 kB).
constexpr std::size_t kSharedFromBytes = 256 * 1024;
}  // namespace

TPicture& TPicture::operator=(TPicture&& other) noexcept {
  if (this == &other) return *this;
  Release();
  C_ = other.C_;
  Pixels_ = other.Pixels_;
  Width_ = other.Width_;
  Height_ = other.Height_;
  Heap_ = std::move(other.Heap_);
  Shared_ = other.Shared_;
  SharedBytes_ = other.SharedBytes_;
  SharedByFd_ = other.SharedByFd_;
  Segment_ = other.Segment_;
  Lent_ = other.Lent_;
  Reading_ = other.Reading_;
  ReadUntil_ = other.ReadUntil_;
  if (Shared_ == nullptr) Pixels_ = Heap_.empty() ? nullptr : Heap_.data();
  other.Pixels_ = nullptr;
  other.Shared_ = nullptr;
  other.Segment_ = 0;
  other.Reading_ = false;
  other.Width_ = other.Height_ = 0;
  return *this;
}

void TPicture::Release() {
  if (Reading_) xcb_discard_reply(C_, ReadUntil_.sequence);
  if (Segment_ != 0) xcb_shm_detach(C_, Segment_);
  // The server keeps its own mapping until the detach is done.
  if (Shared_ != nullptr) {
    if (SharedByFd_) {
      munmap(Shared_, SharedBytes_);
    } else {
      shmdt(Shared_);
    }
  }
  Reading_ = false;
  Segment_ = 0;
  Shared_ = nullptr;
  SharedBytes_ = 0;
  Heap_ = {};
  Pixels_ = nullptr;
  Width_ = Height_ = 0;
  Lent_ = false;
}

TPresenter::TPresenter(TConnection& x) : X_(x) {
  xcb_connection_t* c = X_.C();
  Gc_ = xcb_generate_id(c);
  const std::uint32_t noExposures = 0;
  const std::uint8_t depth = X_.Format().Depth();
  if (depth == X_.Screen().root_depth) {
    xcb_create_gc(c, Gc_, X_.Root(), XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  } else {
    // A context draws on drawables of the depth it was made for.
    const xcb_pixmap_t model = xcb_generate_id(c);
    xcb_create_pixmap(c, depth, model, X_.Root(), 1, 1);
    xcb_create_gc(c, Gc_, model, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    xcb_free_pixmap(c, model);
  }
}

TPresenter::~TPresenter() {
  xcb_free_gc(X_.C(), Gc_);
}

bool TPresenter::Allocate(TPicture& p, int width, int height, bool shared) {
  p.Release();
  xcb_connection_t* c = X_.C();
  p.C_ = c;
  const std::size_t count = std::size_t(width) * std::size_t(height);
  const std::size_t bytes = count * 4;
  if (shared && X_.ShmByFd()) {
    const int fd = memfd_create("klop-picture", MFD_CLOEXEC);
    void* at = MAP_FAILED;
    if (fd >= 0 && ftruncate(fd, off_t(bytes)) == 0) {
      at = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    }
    if (at != MAP_FAILED) {
      p.Segment_ = xcb_generate_id(c);
      xcb_shm_attach_fd(c, p.Segment_, fd, 1);  // sends the descriptor and closes it
      p.Shared_ = at;
      p.SharedBytes_ = bytes;
      p.SharedByFd_ = true;
    } else if (fd >= 0) {
      close(fd);
    }
  } else if (shared && X_.ShmWorks()) {
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    void* at = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, 0);
    if (at != reinterpret_cast<void*>(-1)) {
      p.Segment_ = xcb_generate_id(c);
      xcb_shm_attach(c, p.Segment_, X_.ShmUnreachable() ? ~0u : std::uint32_t(id), 1);
      // Faulted in at once: one call instead of a fault per page.
      madvise(at, bytes, MADV_POPULATE_WRITE);
      p.Shared_ = at;
      p.SharedBytes_ = bytes;
    }
    // It goes when the server and we both let go, even if the process dies.
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  }
  if (p.Shared_ != nullptr) {
    p.Pixels_ = static_cast<std::uint32_t*>(p.Shared_);
  } else {
    if (shared) return false;
    p.Heap_.assign(count, kWhite);
    p.Pixels_ = p.Heap_.data();
  }
  p.Width_ = width;
  p.Height_ = height;
  return true;
}

std::uint32_t* TPresenter::Lend(TPicture& picture, int width, int height) {
  if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF || !X_.Format().Native() ||
      !(X_.ShmByFd() || X_.ShmWorks()) ||
      (!(picture.Lent() && picture.Width() == width && picture.Height() == height) &&
       !Allocate(picture, width, height, true))) {
    picture.Release();
    return nullptr;
  }
  // Asked again at the size it has (after each present): the same memory, picture kept.
  picture.Lent_ = true;
  return picture.Pixels_;
}

void TPresenter::Settle(TPicture& picture) {
  if (!picture.Reading_) return;
  picture.Reading_ = false;
  // Requests are done in order: the answer says the puts before it are done.
  std::free(xcb_get_input_focus_reply(X_.C(), picture.ReadUntil_, nullptr));
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
    Allocate(picture, width, height, false);
  }
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    HostRect r;
    if (ClipRect(rects[i], width, height, r))
      bytes += std::size_t(r.width) * std::size_t(r.height) * 4;
  }
  const bool shared = picture.Segment_ != 0 && bytes >= kSharedFromBytes;
  if (shared) Settle(picture);
  for (std::size_t i = 0; i < count; ++i) {
    HostRect r;
    if (!ClipRect(rects[i], width, height, r)) continue;
    if (!lent) {
      for (int row = r.y; row < r.y + r.height; ++row) {
        std::memcpy(picture.Row(row) + r.x, pixels + std::ptrdiff_t(row) * stride + r.x,
                    std::size_t(r.width) * 4);
      }
    }
    Put(window, picture, r, shared);
  }
  if (shared) {
    // Asked now, awaited only before the platform draws in these pixels again.
    picture.ReadUntil_ = xcb_get_input_focus(X_.C());
    picture.Reading_ = true;
  }
  xcb_flush(X_.C());
}

bool TPresenter::Show(xcb_window_t window, TPicture& picture, const HostRect& area) {
  if (picture.Empty()) return false;
  HostRect r;
  if (ClipRect(area, picture.Width(), picture.Height(), r)) Put(window, picture, r, false);
  return true;
}

void TPresenter::LoseSharedMemory(xcb_window_t window, TPicture& picture) {
  X_.LoseSharedMemory();
  if (picture.Segment_ == 0) return;
  // The memory stays ours and mapped (the platform may be drawing in it); only the
  // server's name for it is forgotten.
  picture.Segment_ = 0;
  Put(window, picture, HostRect{0, 0, picture.Width(), picture.Height()}, false);
}

void TPresenter::Put(xcb_window_t window, TPicture& p, const HostRect& r, bool shared) {
  xcb_connection_t* c = X_.C();
  const TPixelFormat& format = X_.Format();
  const std::uint8_t depth = format.Depth();
  if (shared && p.Segment_ != 0) {
    xcb_shm_put_image(c, window, Gc_, std::uint16_t(p.Width()), std::uint16_t(p.Height()),
                      std::uint16_t(r.x), std::uint16_t(r.y), std::uint16_t(r.width),
                      std::uint16_t(r.height), std::int16_t(r.x), std::int16_t(r.y), depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, p.Segment_, 0);
    return;
  }
  // As many whole rows per request as the server takes.
  const std::size_t rowBytes = format.RowBytes(r.width);
  const int perRequest = std::max(
      1, int((X_.MaxRequestBytes() - kPutImageHeader) / std::max<std::size_t>(rowBytes, 1)));
  for (int top = r.y; top < r.y + r.height; top += perRequest) {
    const int rows = std::min(perRequest, r.y + r.height - top);
    if (format.Native() && r.x == 0 && r.width == p.Width()) {
      // Whole rows lie packed in the picture already.
      xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, Gc_, std::uint16_t(r.width),
                    std::uint16_t(rows), 0, std::int16_t(top), 0, depth,
                    std::uint32_t(rowBytes * std::size_t(rows)),
                    reinterpret_cast<const std::uint8_t*>(p.Row(top)));
      continue;
    }
    // Grown only: a resize up would zero what is about to be copied over, every present.
    const std::size_t bytes = rowBytes * std::size_t(rows);
    if (Rows_.size() < bytes) Rows_.resize(bytes);
    for (int i = 0; i < rows; ++i) {
      std::uint8_t* to = Rows_.data() + std::size_t(i) * rowBytes;
      if (format.Native()) {
        std::memcpy(to, p.Row(top + i) + r.x, std::size_t(r.width) * 4);
      } else {
        format.Convert(p.Row(top + i) + r.x, r.width, to);
      }
    }
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, Gc_, std::uint16_t(r.width),
                  std::uint16_t(rows), std::int16_t(r.x), std::int16_t(top), 0, depth,
                  std::uint32_t(bytes), Rows_.data());
  }
}

}  // namespace platform::x11
