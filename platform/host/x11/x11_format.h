// The visual the host's windows are made with and the way our 0x00RRGGBB pixels become
// the server's: as they are on a 24-bit TrueColor visual in 32-bit pixels of our byte
// order (the usual screen), else converted a row at a time into the visual's masks,
// pixel size and the server's byte order (15- and 16-bit screens, 30-bit ones, a server
// of the other byte order).
#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <string>

namespace platform::x11 {

class TPixelFormat {
 public:
  // Picks the screen's default visual when it takes our pixels as they are, else another
  // 24-bit TrueColor visual that does, else the TrueColor visual with the most bits
  // (the default first among equals) with conversion. False, with the reason, when the
  // screen has no TrueColor visual at all.
  bool Choose(const xcb_setup_t& setup, const xcb_screen_t& screen, std::string& error);
  // A format of the given masks and layout, for any visual.
  void Set(xcb_visualid_t visual, std::uint8_t depth, std::uint32_t red, std::uint32_t green,
           std::uint32_t blue, int bitsPerPixel, int scanlinePad, bool serverMsbFirst);

  xcb_visualid_t Visual() const { return Visual_; }
  std::uint8_t Depth() const { return Depth_; }
  // Our pixels go to the server unchanged (and shared memory can be lent).
  bool Native() const { return Native_; }
  // The visual is not the root window's: windows need a colormap of their own.
  bool OwnColormap() const { return OwnColormap_; }
  int BytesPerPixel() const { return BitsPerPixel_ / 8; }
  // Bytes of one row of `width` pixels in a ZPixmap image, padding included.
  std::size_t RowBytes(int width) const;
  // `count` pixels into the server's format at `to`.
  void Convert(const std::uint32_t* from, int count, std::uint8_t* to) const;

 private:
  xcb_visualid_t Visual_ = 0;
  std::uint8_t Depth_ = 24;
  int BitsPerPixel_ = 32;
  int ScanlinePad_ = 32;
  bool MsbFirst_ = false;
  bool Native_ = true;
  bool OwnColormap_ = false;
  // Each channel's 8-bit value, scaled and shifted into its mask.
  std::array<std::uint32_t, 256> Red_{}, Green_{}, Blue_{};
};

}  // namespace platform::x11
