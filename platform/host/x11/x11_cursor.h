// The pointer's shapes as X cursors: colour ones from ARGB images through RENDER,
// built once per image and kept; the desktop's arrow from the cursor font; a blank one.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <unordered_map>

#include "platform/host/host.h"
#include "platform/host/x11/x11_connection.h"

namespace platform::x11 {

class TCursors {
 public:
  explicit TCursors(TConnection& x);
  TCursors(const TCursors&) = delete;
  TCursors& operator=(const TCursors&) = delete;
  ~TCursors();

  // The cursor for `shape`; the arrow when it asks for it or cannot be built.
  // `current` is never dropped from the cache.
  xcb_cursor_t For(const CursorShape& shape, xcb_cursor_t current);
  xcb_cursor_t Blank();

 private:
  xcb_cursor_t Arrow();
  xcb_cursor_t Build(const CursorShape& shape);
  xcb_render_pictformat_t ArgbFormat();

  TConnection& X_;
  bool FormatsRead_ = false;
  xcb_render_pictformat_t Argb_ = 0;
  xcb_cursor_t Arrow_ = 0;
  xcb_cursor_t Blank_ = 0;
  std::unordered_map<std::uint64_t, xcb_cursor_t> Cache_;
};

}  // namespace platform::x11
