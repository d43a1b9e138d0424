#include "platform/host/wayland/wl_cursor.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/host/wayland/wl_buffers.h"
#include "platform/host/wayland/wl_xcursor.h"

namespace platform::wl {
namespace {

constexpr std::size_t kMaxCached = 64;

int ThemeSize() {
  const char* size = std::getenv("XCURSOR_SIZE");
  const int n = size != nullptr ? std::atoi(size) : 0;
  return n > 0 && n <= 256 ? n : 24;
}

}  // namespace

TCursors::TCursors(wl_compositor* compositor, wl_shm* shm, int scale)
    : Compositor_(compositor), Shm_(shm), Scale_(std::max(scale, 1)) {}

TCursors::~TCursors() {
  for (auto& [id, image] : Cache_) Destroy(image);
  Destroy(ArrowImage_);
  for (TImage& image : Edges_) Destroy(image);
  if (Surface_ != nullptr) wl_surface_destroy(Surface_);
}

void TCursors::Destroy(TImage& image) {
  if (image.Buffer != nullptr) wl_buffer_destroy(image.Buffer);
  image.Buffer = nullptr;
}

TCursors::TImage* TCursors::Arrow() {
  if (!ArrowTried_) {
    ArrowTried_ = true;
    const char* theme = std::getenv("XCURSOR_THEME");
    TXcursorImage arrow;
    for (const char* name : {"left_ptr", "default", "arrow"}) {
      if (LoadXcursor(theme != nullptr ? theme : "", name, ThemeSize() * Scale_, arrow)) {
        ArrowImage_ = Upload(arrow.Pixels.data(), arrow.Width, arrow.Height, arrow.HotX,
                             arrow.HotY);
        break;
      }
    }
  }
  return ArrowImage_.Buffer != nullptr ? &ArrowImage_ : nullptr;
}

TCursors::TImage* TCursors::Theme(int which) {
  if (which <= 0 || which > 10) return Arrow();
  // Each edge's names in the themes' older and newer spellings.
  static const char* const kNames[11][2] = {
      {}, {"top_side", "n-resize"}, {"bottom_side", "s-resize"}, {},
      {"left_side", "w-resize"}, {"top_left_corner", "nw-resize"},
      {"bottom_left_corner", "sw-resize"}, {},
      {"right_side", "e-resize"}, {"top_right_corner", "ne-resize"},
      {"bottom_right_corner", "se-resize"}};
  if (kNames[which][0] == nullptr) return Arrow();
  if (!EdgesTried_[which]) {
    EdgesTried_[which] = true;
    const char* theme = std::getenv("XCURSOR_THEME");
    TXcursorImage image;
    for (const char* name : kNames[which]) {
      if (LoadXcursor(theme != nullptr ? theme : "", name, ThemeSize() * Scale_, image)) {
        Edges_[which] = Upload(image.Pixels.data(), image.Width, image.Height, image.HotX,
                               image.HotY);
        break;
      }
    }
  }
  return Edges_[which].Buffer != nullptr ? &Edges_[which] : Arrow();
}

void TCursors::Override(int which) {
  if (which == Override_) return;
  Override_ = which;
  Show();
}

TCursors::TImage TCursors::Upload(const std::uint32_t* premultiplied, int width, int height,
                                  int hotX, int hotY) {
  TImage image;
  const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
  const int fd = memfd_create("klop-cursor", MFD_CLOEXEC);
  if (fd < 0) return image;
  void* map = MAP_FAILED;
  if (fallocate(fd, 0, 0, off_t(bytes)) == 0) {
    map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (map == MAP_FAILED) {
    close(fd);
    return image;
  }
  std::memcpy(map, premultiplied, bytes);
  munmap(map, bytes);
  wl_shm_pool* pool = wl_shm_create_pool(Shm_, fd, std::int32_t(bytes));
  close(fd);
  image.Buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4,
                                           WL_SHM_FORMAT_ARGB8888);
  wl_shm_pool_destroy(pool);
  image.Width = width;
  image.Height = height;
  image.HotX = std::clamp(hotX, 0, width - 1);
  image.HotY = std::clamp(hotY, 0, height - 1);
  image.Scale = width % Scale_ == 0 && height % Scale_ == 0 ? Scale_ : 1;
  return image;
}

TCursors::TImage* TCursors::Build(const CursorShape& shape) {
  if (auto it = Cache_.find(shape.id); shape.id != 0 && it != Cache_.end()) return &it->second;
  if (shape.width <= 0 || shape.height <= 0 || shape.width > 512 || shape.height > 512 ||
      shape.pixels.size() < std::size_t(shape.width) * std::size_t(shape.height)) {
    return nullptr;
  }
  // The compositor takes premultiplied alpha.
  Scratch_.resize(std::size_t(shape.width) * std::size_t(shape.height));
  for (std::size_t i = 0; i < Scratch_.size(); ++i) {
    const std::uint32_t p = shape.pixels[i];
    const std::uint32_t a = p >> 24;
    auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    Scratch_[i] =
        (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
  }
  TImage image = Upload(Scratch_.data(), shape.width, shape.height, shape.hotX, shape.hotY);
  if (image.Buffer == nullptr) return nullptr;
  if (shape.id == 0) {
    // Not to be met again: kept under no key, it replaces the last such image.
    Destroy(Cache_[0]);
    return &(Cache_[0] = image);
  }
  if (Cache_.size() >= kMaxCached) {
    for (auto it = Cache_.begin(); it != Cache_.end(); ++it) {
      if (&it->second != Current_) {
        Destroy(it->second);
        Cache_.erase(it);
        break;
      }
    }
  }
  return &(Cache_[shape.id] = image);
}

void TCursors::Set(const CursorShape* shape) {
  TImage* image = nullptr;
  if (shape != nullptr) {
    image = shape->systemArrow ? Arrow() : nullptr;
    if (image == nullptr) image = Build(*shape);
    if (image == nullptr) image = Arrow();
  }
  const bool hidden = shape == nullptr;
  if (image == Current_ && hidden == Hidden_) return;
  Current_ = image;
  Hidden_ = hidden;
  if (Override_ == kPlatform) Show();
}

void TCursors::Show() {
  if (Pointer_ != nullptr) Apply(Pointer_, Serial_);
}

void TCursors::Apply(wl_pointer* pointer, std::uint32_t serial) {
  Pointer_ = pointer;
  Serial_ = serial;
  if (pointer == nullptr) return;
  TImage* shown = Override_ == kPlatform ? Current_ : Theme(Override_);
  if (shown == nullptr && Override_ != kPlatform) shown = Current_;
  if (shown == nullptr) {
    // Hidden, or no image at all: no cursor surface rather than the compositor's last one.
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    return;
  }
  if (Surface_ == nullptr) Surface_ = wl_compositor_create_surface(Compositor_);
  const TImage& i = *shown;
  SetBufferScale(Surface_, i.Scale);
  wl_surface_attach(Surface_, i.Buffer, 0, 0);
  DamageBuffer(Surface_, {0, 0, i.Width, i.Height});
  wl_surface_commit(Surface_);
  wl_pointer_set_cursor(pointer, serial, Surface_, i.HotX / i.Scale, i.HotY / i.Scale);
}

}  // namespace platform::wl
