// The SDL host's cursors: the system arrow, and colour cursors made once per shape and
// kept in a bounded cache.
#include "platform/host/sdl/sdl_host_internal.h"

#include <algorithm>
#include <vector>

namespace platform::sdl {

void TSdlHost::SetCursor(const CursorShape* shape) {
  if (shape == nullptr) {
    if (CursorShown_) SDL_ShowCursor(SDL_DISABLE);
    CursorShown_ = false;
    return;
  }
  SDL_Cursor* cursor = shape->systemArrow ? Arrow() : ColorCursor(*shape);
  if (cursor == nullptr) cursor = Arrow();
  if (cursor != nullptr && cursor != Current_) {
    SDL_SetCursor(cursor);
    Current_ = cursor;
  }
  if (!CursorShown_) SDL_ShowCursor(SDL_ENABLE);
  CursorShown_ = true;
}

bool TSdlHost::ShapeIsSound(const CursorShape& s) {
  return s.width > 0 && s.height > 0 && s.width <= kMaxCursorSide && s.height <= kMaxCursorSide &&
         s.pixels.size() == std::size_t(s.width) * std::size_t(s.height);
}

SDL_Cursor* TSdlHost::Arrow() {
  if (Arrow_ == nullptr) Arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  return Arrow_;
}

SDL_Cursor* TSdlHost::ColorCursor(const CursorShape& shape) {
  if (auto it = Cursors_.find(shape.id); it != Cursors_.end()) return it->second;
  if (!ShapeIsSound(shape)) return nullptr;
  if (Cursors_.size() >= kMaxCachedCursors) DropCachedCursors();
  // Transparent pixels carry no colour: the X server blends cursors as
  // premultiplied, so a coloured pixel with alpha 0 would still show.
  std::vector<std::uint32_t> argb(shape.pixels);
  for (std::uint32_t& p : argb) {
    if ((p >> 24) == 0) p = 0;
  }
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      argb.data(), shape.width, shape.height, 32, shape.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return nullptr;
  int hotX = std::clamp(shape.hotX, 0, shape.width - 1);
  int hotY = std::clamp(shape.hotY, 0, shape.height - 1);
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
  SDL_FreeSurface(surface);
  if (cursor != nullptr) Cursors_.emplace(shape.id, cursor);
  return cursor;
}

// Keeps the cache bounded should a program make cursors without end.
void TSdlHost::DropCachedCursors() {
  for (auto it = Cursors_.begin(); it != Cursors_.end();) {
    if (it->second == Current_) {
      ++it;
    } else {
      SDL_FreeCursor(it->second);
      it = Cursors_.erase(it);
    }
  }
}

}  // namespace platform::sdl
