#include "platform/host/x11/x11_format.h"

#include <bit>
#include <cstring>

namespace platform::x11 {

namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;

const char* ClassName(std::uint8_t c) {
  switch (c) {
    case XCB_VISUAL_CLASS_STATIC_GRAY:
      return "StaticGray";
    case XCB_VISUAL_CLASS_GRAY_SCALE:
      return "GrayScale";
    case XCB_VISUAL_CLASS_STATIC_COLOR:
      return "StaticColor";
    case XCB_VISUAL_CLASS_PSEUDO_COLOR:
      return "PseudoColor";
    case XCB_VISUAL_CLASS_TRUE_COLOR:
      return "TrueColor";
    case XCB_VISUAL_CLASS_DIRECT_COLOR:
      return "DirectColor";
    default:
      return "unknown";
  }
}

// A channel's 8-bit values in a mask: scaled to its width, rounded, and shifted.
void FillChannel(std::array<std::uint32_t, 256>& table, std::uint32_t mask) {
  const int shift = mask == 0 ? 0 : std::countr_zero(mask);
  const std::uint64_t top = mask >> shift;
  for (std::uint32_t v = 0; v < 256; ++v) {
    table[v] = std::uint32_t((std::uint64_t(v) * top + 127) / 255) << shift & mask;
  }
}

}  // namespace

void TPixelFormat::Set(xcb_visualid_t visual, std::uint8_t depth, std::uint32_t red,
                       std::uint32_t green, std::uint32_t blue, int bitsPerPixel, int scanlinePad,
                       bool serverMsbFirst) {
  Visual_ = visual;
  Depth_ = depth;
  BitsPerPixel_ = bitsPerPixel;
  ScanlinePad_ = scanlinePad > 0 ? scanlinePad : 32;
  MsbFirst_ = serverMsbFirst;
  Native_ = red == kRed && green == kGreen && blue == kBlue && bitsPerPixel == 32 &&
            serverMsbFirst == (std::endian::native == std::endian::big);
  FillChannel(Red_, red);
  FillChannel(Green_, green);
  FillChannel(Blue_, blue);
}

bool TPixelFormat::Choose(const xcb_setup_t& setup, const xcb_screen_t& screen,
                          std::string& error) {
  auto layout = [&](std::uint8_t depth, int& bpp, int& pad) {
    bpp = 0;
    for (auto f = xcb_setup_pixmap_formats_iterator(&setup); f.rem > 0; xcb_format_next(&f)) {
      if (f.data->depth == depth) {
        bpp = f.data->bits_per_pixel;
        pad = f.data->scanline_pad;
      }
    }
    return bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  };
  const bool msbFirst = setup.image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
  const xcb_visualtype_t* best = nullptr;  // the best to convert to
  std::uint8_t bestDepth = 0;
  int bestBits = -1;
  std::string rootClass = "none";
  std::uint8_t rootDepth = screen.root_depth;
  for (auto d = xcb_screen_allowed_depths_iterator(&screen); d.rem > 0; xcb_depth_next(&d)) {
    const std::uint8_t depth = d.data->depth;
    for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
      const xcb_visualtype_t& t = *v.data;
      const bool root = t.visual_id == screen.root_visual;
      if (root) rootClass = ClassName(t._class);
      int bpp = 0;
      int pad = 32;
      // Depth 32 beside another root depth is a compositor's ARGB: our alpha would be 0.
      if (t._class != XCB_VISUAL_CLASS_TRUE_COLOR || (depth == 32 && !root) ||
          !layout(depth, bpp, pad)) {
        continue;
      }
      const bool exact = t.red_mask == kRed && t.green_mask == kGreen && t.blue_mask == kBlue &&
                         bpp == 32 && msbFirst == (std::endian::native == std::endian::big);
      if (exact && (root || depth == 24)) {
        // Exact: the default, or failing that the first 24-bit one.
        if (root || !Native_ || Visual_ == 0) {
          Set(t.visual_id, depth, t.red_mask, t.green_mask, t.blue_mask, bpp, pad, msbFirst);
          OwnColormap_ = !root;
          if (root) return true;
        }
        continue;
      }
      const int bits = std::popcount(t.red_mask | t.green_mask | t.blue_mask);
      if (bits > bestBits || (bits == bestBits && root)) {
        best = &t;
        bestDepth = depth;
        bestBits = bits;
      }
    }
  }
  if (Visual_ != 0 && Native_) return true;
  if (best == nullptr) {
    error = "the X screen has no TrueColor visual (its default is " + rootClass + ", depth " +
            std::to_string(rootDepth) + ")";
    return false;
  }
  int bpp = 0;
  int pad = 32;
  layout(bestDepth, bpp, pad);
  Set(best->visual_id, bestDepth, best->red_mask, best->green_mask, best->blue_mask, bpp, pad,
      msbFirst);
  OwnColormap_ = best->visual_id != screen.root_visual;
  return true;
}

std::size_t TPixelFormat::RowBytes(int width) const {
  const std::size_t bits = std::size_t(width) * std::size_t(BitsPerPixel_);
  const std::size_t pad = std::size_t(ScanlinePad_);
  return (bits + pad - 1) / pad * pad / 8;
}

void TPixelFormat::Convert(const std::uint32_t* from, int count, std::uint8_t* to) const {
  for (int i = 0; i < count; ++i) {
    const std::uint32_t p = from[i];
    const std::uint32_t v = Red_[(p >> 16) & 0xFF] | Green_[(p >> 8) & 0xFF] | Blue_[p & 0xFF];
    switch (BitsPerPixel_) {
      case 32:
        if (MsbFirst_) {
          *to++ = std::uint8_t(v >> 24), *to++ = std::uint8_t(v >> 16);
          *to++ = std::uint8_t(v >> 8), *to++ = std::uint8_t(v);
        } else {
          *to++ = std::uint8_t(v), *to++ = std::uint8_t(v >> 8);
          *to++ = std::uint8_t(v >> 16), *to++ = std::uint8_t(v >> 24);
        }
        break;
      case 24:
        if (MsbFirst_) {
          *to++ = std::uint8_t(v >> 16), *to++ = std::uint8_t(v >> 8), *to++ = std::uint8_t(v);
        } else {
          *to++ = std::uint8_t(v), *to++ = std::uint8_t(v >> 8), *to++ = std::uint8_t(v >> 16);
        }
        break;
      case 16:
        if (MsbFirst_) {
          *to++ = std::uint8_t(v >> 8), *to++ = std::uint8_t(v);
        } else {
          *to++ = std::uint8_t(v), *to++ = std::uint8_t(v >> 8);
        }
        break;
      default:
        *to++ = std::uint8_t(v);
        break;
    }
  }
}

}  // namespace platform::x11
