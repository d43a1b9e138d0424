#include "platform/host/wayland/wl_window.h"

#include <algorithm>

namespace platform::wl {

namespace {

// Rounds towards minus infinity, as a device pixel anywhere in a block is on that block.
int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

TPopupPlacement PlacePopup(int popupX, int popupY, int parentOriginX, int parentOriginY,
                           int parentWidth, int parentHeight, int scale) {
  scale = std::max(scale, 1);
  const int x = FloorDiv(popupX - parentOriginX, scale);
  const int y = FloorDiv(popupY - parentOriginY, scale);
  const int w = std::max(parentWidth / scale, 1);
  const int h = std::max(parentHeight / scale, 1);
  // The anchor must lie inside the parent; what lies beyond goes into the offset.
  TPopupPlacement p;
  p.AnchorX = std::clamp(x, 0, w - 1);
  p.AnchorY = std::clamp(y, 0, h - 1);
  p.OffsetX = x - p.AnchorX;
  p.OffsetY = y - p.AnchorY;
  return p;
}

}  // namespace platform::wl
