// The pointer's shapes on Wayland: colour cursors from the platform's ARGB images as
// shm buffers (built once per image and kept), the desktop's arrow from its cursor
// theme (XCURSOR_THEME, XCURSOR_SIZE; that one image read alone, when first shown),
// shown on one cursor surface through
// wl_pointer.set_cursor with the serial of the pointer's entry.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/host/host.h"

namespace platform::wl {

class TCursors {
 public:
  TCursors(wl_compositor* compositor, wl_shm* shm, int scale);
  TCursors(const TCursors&) = delete;
  TCursors& operator=(const TCursors&) = delete;
  ~TCursors();

  // The shape to show from now on; nullptr hides the pointer.
  void Set(const CursorShape* shape);
  // Over our own caption and frame the theme's shapes stand in for the platform's:
  // kThemeArrow, or an edge mask (1 top, 2 bottom, 4 left, 8 right) for its resize
  // arrow; kPlatform gives the platform's shape back.
  static constexpr int kPlatform = -1;
  static constexpr int kThemeArrow = 0;
  void Override(int which);
  // Shows the current shape for `pointer`, which entered one of our surfaces with `serial`.
  void Apply(wl_pointer* pointer, std::uint32_t serial);

 private:
  struct TImage {
    wl_buffer* Buffer = nullptr;
    int Width = 0, Height = 0, HotX = 0, HotY = 0;
    int Scale = 1;  // the buffer's scale: 1 when the image does not divide by ours
  };
  TImage* Arrow();
  TImage* Theme(int which);
  void Show();
  TImage* Build(const CursorShape& shape);
  TImage Upload(const std::uint32_t* premultiplied, int width, int height, int hotX, int hotY);
  void Destroy(TImage& image);

  wl_compositor* Compositor_;
  wl_shm* Shm_;
  int Scale_;
  wl_surface* Surface_ = nullptr;
  bool ArrowTried_ = false;
  TImage ArrowImage_;
  std::unordered_map<std::uint64_t, TImage> Cache_;
  std::vector<std::uint32_t> Scratch_;  // an image being premultiplied
  TImage Edges_[11];        // the resize arrows, by edge mask
  bool EdgesTried_[11] = {};
  int Override_ = kPlatform;
  TImage* Current_ = nullptr;  // the platform's; nullptr: hidden
  bool Hidden_ = false;
  wl_pointer* Pointer_ = nullptr;
  std::uint32_t Serial_ = 0;
};

}  // namespace platform::wl
