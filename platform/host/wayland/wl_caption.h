// The caption the host draws itself where the compositor draws no decorations: the
// platform's own look (icon, title on the caption colour, minimise, maximise and close
// boxes) in a strip above the window's surface, and around a resizable window a sizing
// frame, drawn at the window's scale.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/host.h"

namespace platform::wl {

// The strip's height in the platform's pixels, its bottom row a dark line.
constexpr int kCaptionHeight = 19;

// The sizing frame's thickness, and how far along each edge from a corner the corner's
// part reaches (where the frame's notches are drawn), in the platform's pixels.
constexpr int kFrame = 4;
constexpr int kFrameCorner = kCaptionHeight + kFrame;

enum class TCaptionPart { None, Icon, Title, Minimize, Maximize, Close };

// The boxes at a caption's right end: a dialog's close box alone, a fixed-size frame's
// minimise and close boxes, a resizable frame's all three; where the compositor cannot
// minimise, no minimise box.
enum class TCaptionBoxes { Close, MinimizeClose, MaximizeClose, All };

// Which part of a caption `width` platform pixels wide is at x, y (platform pixels,
// the strip's top-left the origin).
TCaptionPart CaptionPartAt(int width, TCaptionBoxes boxes, int x, int y);

// The edges a press at x, y on a sizing frame `width` x `height` (its outer size, the
// frame's top-left the origin) moves: a mask of 1 top, 2 bottom, 4 left, 8 right (as
// xdg_toplevel's resize edges), 0 inside the frame or outside it. All in one unit,
// `frame` thick with corners `corner` long.
int FrameEdgesAt(int width, int height, int frame, int corner, int x, int y);

struct TCaptionLook {
  std::string Title;  // UTF-8
  const CursorShape* Icon = nullptr;
  bool Active = false;
  TCaptionBoxes Boxes = TCaptionBoxes::All;
  bool Maximized = false;  // the maximise box shows restore
  TCaptionPart Pressed = TCaptionPart::None;  // drawn pushed in
};

// Draws the strip into rows 0 .. kCaptionHeight * scale - 1 of `pixels` (0x00RRGGBB,
// `stride` pixels a row), `width` device pixels wide, each platform pixel a
// scale x scale block, in the platform's look (look.h) and system font.
void DrawCaption(std::uint32_t* pixels, int stride, int width, int scale,
                 const TCaptionLook& look);

// Draws the sizing frame's ring, `thickness` device pixels, into `pixels` (`width` x
// `height` device pixels, packed rows): dark lines outside and inside, the border's grey
// between, notches marking the corners, each line `scale` wide. What the ring encloses
// is left as it is.
void DrawFrame(std::uint32_t* pixels, int width, int height, int thickness, int scale);

}  // namespace platform::wl
