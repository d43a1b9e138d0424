// The pointer's shapes on Wayland: colour cursors from the platform's ARGB images as
// shm buffers (built once per image and kept), the desktop's arrow from its cursor
// theme (XCURSOR_THEME, XCURSOR_SIZE), shown on one cursor surface through
// wl_pointer.set_cursor with the serial of the pointer's entry.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <unordered_map>

#include "platform/host/host.h"

struct wl_cursor_theme;

namespace platform::wl {

class TCursors {
 public:
  TCursors(wl_compositor* compositor, wl_shm* shm, int scale);
  TCursors(const TCursors&) = delete;
  TCursors& operator=(const TCursors&) = delete;
  ~TCursors();

  // The shape to show from now on; nullptr hides the pointer.
  void Set(const CursorShape* shape);
  // Shows the current shape for `pointer`, which entered one of our surfaces with `serial`.
  void Apply(wl_pointer* pointer, std::uint32_t serial);

 private:
  struct TImage {
    wl_buffer* Buffer = nullptr;
    int Width = 0, Height = 0, HotX = 0, HotY = 0;
    int Scale = 1;  // the buffer's scale: 1 when the image does not divide by ours
    bool Owned = true;  // ours to destroy (the theme's are the theme's)
  };
  TImage* Arrow();
  TImage* Build(const CursorShape& shape);
  void Destroy(TImage& image);

  wl_compositor* Compositor_;
  wl_shm* Shm_;
  int Scale_;
  wl_surface* Surface_ = nullptr;
  wl_cursor_theme* Theme_ = nullptr;
  bool ThemeTried_ = false;
  TImage ArrowImage_;
  std::unordered_map<std::uint64_t, TImage> Cache_;
  TImage* Current_ = nullptr;  // nullptr: hidden
  bool Hidden_ = false;
  wl_pointer* Pointer_ = nullptr;
  std::uint32_t Serial_ = 0;
};

}  // namespace platform::wl
