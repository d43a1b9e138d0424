// A top-level window's pixels and the device contexts that draw on them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace platform {

// 0x00RRGGBB pixels, rows top to bottom, stride = Width(). Remembers the rectangles
// changed since they were last taken, so that only those are presented.
class TSurface {
 public:
  TSurface(int width, int height);

  // Keeps the pixels that still fit; new pixels are white. Marks the whole surface.
  void Resize(int width, int height);

  int Width() const { return Width_; }
  int Height() const { return Height_; }
  std::uint32_t* Data() { return Pixels_.data(); }
  const std::uint32_t* Data() const { return Pixels_.data(); }

  void MarkDirty(const RECT& r);  // clipped to the surface; empty rectangles are ignored
  bool HasDirty() const { return !Dirty_.empty(); }
  std::vector<RECT> TakeDirty();

 private:
  int Width_ = 0;
  int Height_ = 0;
  std::vector<std::uint32_t> Pixels_;
  std::vector<RECT> Dirty_;
};

// A device context drawing on `surface`: its logical (0,0) lies at `origin` (surface
// coordinates) and every pixel it writes is clipped to the union of `clip` (surface
// coordinates; an empty list draws nothing). Drawing marks what it changes dirty.
// Answers nullptr when the platform refuses (out of handles).
HDC CreateSurfaceDC(TSurface& surface, POINT origin, std::vector<RECT> clip);

// Frees a context made by CreateSurfaceDC; what was selected into it is not deleted.
// False when `dc` is not such a context.
bool ReleaseSurfaceDC(HDC dc);

}  // namespace platform
