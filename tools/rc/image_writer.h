// Turns read XPM pictures into the platform's stored image formats: 4-bit bottom-up
// bitmaps with the 16-colour table, monochrome cursors with their masks and hot spot,
// and 16-colour icons with their masks. Each checks what its kind allows.
#pragma once

#include <string>

#include "tools/rc/byte_writer.h"
#include "tools/rc/xpm_reader.h"

namespace klop::rc {

struct TBitmapOptions {
  bool SwapGreys = false;  // colour table entries 7 and 8 exchanged
};

// Cursors and icons are 32 x 32.
constexpr int kShapeSide = 32;

// `file` names the XPM, for errors (which point at the offending colour or values line).
TBytes EncodeBitmap(const TXpmImage& image, const TBitmapOptions& options, const std::string& file);
TBytes EncodeCursor(const TXpmImage& image, const std::string& file);
TBytes EncodeIcon(const TXpmImage& image, const std::string& file);

}  // namespace klop::rc
