// The desktop's arrow read from its Xcursor theme by itself: one image of the size
// nearest the one asked for, from the theme's cursors/ or a theme it inherits (where
// loading the whole theme would put every cursor of it in shared memory for one arrow).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::wl {

struct TXcursorImage {
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
  std::vector<std::uint32_t> Pixels;  // premultiplied ARGB, rows top to bottom
};

// The first image of the nominal size nearest `size` in the Xcursor file at `path`;
// false for a file that is missing, not an Xcursor file, or cut short.
bool ReadXcursorFile(const std::string& path, int size, TXcursorImage& image);

// Cursor `name` of `theme` (XCURSOR_THEME's, or "default" when empty) at `size`, found
// along XCURSOR_PATH (or the usual icon directories) and the themes each inherits.
bool LoadXcursor(const std::string& theme, const std::string& name, int size,
                 TXcursorImage& image);

}  // namespace platform::wl
