// The caption the host draws itself where the compositor draws no decorations: the
// platform's own look (icon, title on the caption colour, minimise and close boxes) in
// a strip above the window's surface, drawn at the window's scale.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/host.h"

namespace platform::wl {

// The strip's height in the platform's pixels, its bottom row a dark line.
constexpr int kCaptionHeight = 19;

enum class TCaptionPart { None, Icon, Title, Minimize, Close };

// Which part of a caption `width` platform pixels wide is at x, y (platform pixels,
// the strip's top-left the origin). Dialogs have no minimise box.
TCaptionPart CaptionPartAt(int width, bool minimizeBox, int x, int y);

struct TCaptionLook {
  std::string Title;  // UTF-8
  const CursorShape* Icon = nullptr;
  bool Active = false;
  bool MinimizeBox = true;
  TCaptionPart Pressed = TCaptionPart::None;  // drawn pushed in
};

// Draws the strip into rows 0 .. kCaptionHeight * scale - 1 of `pixels` (0x00RRGGBB,
// `stride` pixels a row), `width` device pixels wide, each platform pixel a
// scale x scale block, in the platform's look (look.h) and system font.
void DrawCaption(std::uint32_t* pixels, int stride, int width, int scale,
                 const TCaptionLook& look);

}  // namespace platform::wl
