// The web host's cursor: CSS cursors the page makes once per image from the ARGB
// picture and its hot spot; the standard arrow where the platform asks for it.
#include "platform/host/web/web_host_internal.h"

namespace platform::web {

void TWebHost::SetCursor(const CursorShape* shape) {
  if (shape == nullptr) {
    klop_page_cursor(-1, nullptr, 0, 0, 0, 0);
    return;
  }
  if (shape->systemArrow || shape->width <= 0 || shape->height <= 0 ||
      shape->pixels.size() < std::size_t(shape->width) * std::size_t(shape->height)) {
    klop_page_cursor(0, nullptr, 0, 0, 0, 0);
    return;
  }
  // The page keeps each image it was given; only a new one is converted and sent.
  const double id = double(shape->id);
  if (CursorsSent_.count(shape->id) != 0) {
    klop_page_cursor(id, nullptr, shape->width, shape->height, shape->hotX, shape->hotY);
    return;
  }
  std::vector<std::uint8_t> rgba(shape->pixels.size() * 4);
  for (std::size_t i = 0; i < shape->pixels.size(); ++i) {
    const std::uint32_t p = shape->pixels[i];
    rgba[i * 4] = std::uint8_t(p >> 16);
    rgba[i * 4 + 1] = std::uint8_t(p >> 8);
    rgba[i * 4 + 2] = std::uint8_t(p);
    rgba[i * 4 + 3] = std::uint8_t(p >> 24);
  }
  CursorsSent_.insert(shape->id);
  klop_page_cursor(id, rgba.data(), shape->width, shape->height, shape->hotX, shape->hotY);
}

}  // namespace platform::web
