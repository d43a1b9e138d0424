#include "platform/host/x11/x11_cursor.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform::x11 {

namespace {

constexpr int kMaxCursorSide = 256;
constexpr std::size_t kMaxCachedCursors = 64;
constexpr std::uint16_t kLeftPtrGlyph = 68;  // the cursor font's "left_ptr"

bool ShapeIsSound(const CursorShape& s) {
  return s.width > 0 && s.height > 0 && s.width <= kMaxCursorSide && s.height <= kMaxCursorSide &&
         s.pixels.size() == std::size_t(s.width) * std::size_t(s.height);
}

// RENDER cursors are premultiplied: a transparent pixel must carry no colour.
std::uint32_t Premultiplied(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255 << shift; };
  return (a << 24) | channel(16) | channel(8) | channel(0);
}

}  // namespace

TCursors::TCursors(TConnection& x) : X_(x) {}

TCursors::~TCursors() {
  xcb_connection_t* c = X_.C();
  for (auto& [id, cursor] : Cache_) xcb_free_cursor(c, cursor);
  if (Arrow_ != 0) xcb_free_cursor(c, Arrow_);
  if (Blank_ != 0) xcb_free_cursor(c, Blank_);
}

xcb_cursor_t TCursors::For(const CursorShape& shape, xcb_cursor_t current) {
  if (shape.systemArrow) return Arrow();
  if (auto it = Cache_.find(shape.id); it != Cache_.end()) return it->second;
  if (Cache_.size() >= kMaxCachedCursors) {
    // Keeps the cache bounded should a program make cursors without end.
    for (auto it = Cache_.begin(); it != Cache_.end();) {
      if (it->second == current) {
        ++it;
      } else {
        xcb_free_cursor(X_.C(), it->second);
        it = Cache_.erase(it);
      }
    }
  }
  xcb_cursor_t cursor = Build(shape);
  if (cursor == 0) return Arrow();
  Cache_.emplace(shape.id, cursor);
  return cursor;
}

xcb_cursor_t TCursors::Arrow() {
  if (Arrow_ != 0) return Arrow_;
  xcb_connection_t* c = X_.C();
  xcb_font_t font = xcb_generate_id(c);
  xcb_open_font(c, font, 6, "cursor");
  Arrow_ = xcb_generate_id(c);
  xcb_create_glyph_cursor(c, Arrow_, font, font, kLeftPtrGlyph, kLeftPtrGlyph + 1, 0, 0, 0, 0xFFFF,
                          0xFFFF, 0xFFFF);
  xcb_close_font(c, font);
  return Arrow_;
}

xcb_cursor_t TCursors::Blank() {
  if (Blank_ != 0) return Blank_;
  xcb_connection_t* c = X_.C();
  xcb_pixmap_t bits = xcb_generate_id(c);
  xcb_create_pixmap(c, 1, bits, X_.Root(), 1, 1);
  xcb_gcontext_t gc = xcb_generate_id(c);
  const std::uint32_t zero = 0;
  xcb_create_gc(c, gc, bits, XCB_GC_FOREGROUND, &zero);
  const xcb_rectangle_t one{0, 0, 1, 1};
  xcb_poly_fill_rectangle(c, bits, gc, 1, &one);
  Blank_ = xcb_generate_id(c);
  xcb_create_cursor(c, Blank_, bits, bits, 0, 0, 0, 0, 0, 0, 0, 0);
  xcb_free_gc(c, gc);
  xcb_free_pixmap(c, bits);
  return Blank_;
}

xcb_render_pictformat_t TCursors::ArgbFormat() {
  if (FormatsRead_ || !X_.RenderOffered()) return Argb_;
  FormatsRead_ = true;
  std::unique_ptr<xcb_render_query_pict_formats_reply_t, decltype(&std::free)> r(
      X_.TakePictFormats(), &std::free);
  if (!r) return Argb_;
  for (auto it = xcb_render_query_pict_formats_formats_iterator(r.get()); it.rem > 0;
       xcb_render_pictforminfo_next(&it)) {
    const xcb_render_pictforminfo_t& f = *it.data;
    const xcb_render_directformat_t& d = f.direct;
    if (f.type == XCB_RENDER_PICT_TYPE_DIRECT && f.depth == 32 && d.alpha_shift == 24 &&
        d.alpha_mask == 0xFF && d.red_shift == 16 && d.red_mask == 0xFF && d.green_shift == 8 &&
        d.green_mask == 0xFF && d.blue_shift == 0 && d.blue_mask == 0xFF) {
      Argb_ = f.id;
      break;
    }
  }
  return Argb_;
}

xcb_cursor_t TCursors::Build(const CursorShape& shape) {
  if (!ShapeIsSound(shape)) return 0;
  const xcb_render_pictformat_t format = ArgbFormat();
  if (format == 0) return 0;
  // One request carries the whole image; the server would drop a longer one with us.
  if (shape.pixels.size() * 4 + 64 > X_.MaxRequestBytes()) return 0;
  xcb_connection_t* c = X_.C();
  std::vector<std::uint32_t> argb(shape.pixels.size());
  std::transform(shape.pixels.begin(), shape.pixels.end(), argb.begin(), Premultiplied);
  const auto w = std::uint16_t(shape.width);
  const auto h = std::uint16_t(shape.height);
  xcb_pixmap_t pixmap = xcb_generate_id(c);
  xcb_create_pixmap(c, 32, pixmap, X_.Root(), w, h);
  xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, pixmap, 0, nullptr);
  xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, w, h, 0, 0, 0, 32,
                std::uint32_t(argb.size() * 4), reinterpret_cast<const std::uint8_t*>(argb.data()));
  xcb_render_picture_t picture = xcb_generate_id(c);
  xcb_render_create_picture(c, picture, pixmap, format, 0, nullptr);
  xcb_cursor_t cursor = xcb_generate_id(c);
  xcb_render_create_cursor(c, cursor, picture, std::uint16_t(std::clamp(shape.hotX, 0, w - 1)),
                           std::uint16_t(std::clamp(shape.hotY, 0, h - 1)));
  xcb_render_free_picture(c, picture);
  xcb_free_gc(c, gc);
  xcb_free_pixmap(c, pixmap);
  return cursor;
}

}  // namespace platform::x11
