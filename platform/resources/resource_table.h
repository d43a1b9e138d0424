// A module's resources: a table of named entries, each holding the bytes of one
// resource in the platform's own resource formats. tools/rc generates the program's
// table at build time; tests build tables of their own, malformed ones included.
//
// Formats (all integers little-endian):
//
// Bitmap: a BITMAPINFOHEADER of 40 bytes (biSize 40, biWidth > 0, biHeight > 0 for
//   bottom-up rows, biPlanes 1, biBitCount 4, biCompression 0, biSizeImage the pixel
//   bytes or 0, two resolution fields, biClrUsed 0 or 16, biClrImportant), then 16
//   RGBQUADs (blue, green, red, 0), then the rows bottom row first, each padded to a
//   multiple of 4 bytes, the high nibble of a byte being the left pixel.
//
// Cursor: WORD hot-spot x, WORD hot-spot y, then a BITMAPINFOHEADER with biHeight
//   twice the cursor's height and biBitCount 1, 2 RGBQUADs (black, white), the XOR
//   mask rows, then the AND mask rows, both bottom-up and padded to 4 bytes, the most
//   significant bit the left pixel. AND 1 + XOR 0 is transparent; AND 0 shows the XOR
//   colour; AND 1 + XOR 1 would invert the screen, which this platform shows as black.
//
// Icon: a BITMAPINFOHEADER with biHeight twice the icon's height and biBitCount 4,
//   16 RGBQUADs, the colour rows (4 bits a pixel), then the AND mask rows (1 bit a
//   pixel, 1 = transparent), both bottom-up and padded to 4 bytes.
//
// Menu: the standard menu template: WORD version 0, WORD header size 0, then items.
//   An item is WORD flags (MF_POPUP, MF_GRAYED, MF_CHECKED, MF_SEPARATOR, ...; MF_END
//   0x80 marks the last item of its level), WORD command id unless MF_POPUP, and the
//   text as a zero-terminated UTF-16 string. A popup's items follow it directly.
//
// Dialog: the standard dialog template: DWORD style, DWORD extended style, WORD
//   control count, SHORT x, y, cx, cy (dialog units); menu, class: each a WORD 0 for
//   none, 0xFFFF followed by a WORD ordinal, or a zero-terminated UTF-16 string; the
//   caption as a UTF-16 string; with DS_SETFONT a WORD point size and the typeface as
//   a UTF-16 string. Then each control, starting on a 4-byte boundary: DWORD style,
//   DWORD extended style, SHORT x, y, cx, cy, WORD id (-1 is 0xFFFF), the class
//   (0xFFFF and an atom: 0x0080 button, 0x0081 edit, 0x0082 static, 0x0084 scroll
//   bar; or a string), the text (a string, or 0xFFFF and an ordinal), and WORD count
//   of creation bytes (0) followed by those bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform {

// Kinds, numbered as the platform numbers its resource types.
enum class ResourceKind : std::uint16_t {
  Cursor = 1,
  Bitmap = 2,
  Icon = 3,
  Menu = 4,
  Dialog = 5,
};

struct ResourceEntry {
  ResourceKind kind;
  const char* name;  // stored in upper case; lookups ignore case
  const std::uint8_t* data;
  std::size_t size;
};

struct ResourceTable {
  const ResourceEntry* entries;
  std::size_t count;
};

// Makes a module out of a table (which must outlive it) and answers its instance
// handle; the same table always gives the same handle.
HINSTANCE RegisterModule(const ResourceTable& table);

// The entry of `kind` named `name` (ignoring letter case) in the module, or nullptr.
const ResourceEntry* FindModuleResource(HINSTANCE module, ResourceKind kind, LPCSTR name);

}  // namespace platform
