// A top-level window's pixels and the device contexts that draw on them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/host/host.h"
#include "platform/types.h"

namespace platform {

// 0x00RRGGBB pixels, rows top to bottom, stride = Width(). Remembers the rectangles
// changed since they were last taken, so that only those are presented.
class TSurface {
 public:
  // With a host, the pixels live in memory it lends for `window` when it has some.
  TSurface(int width, int height, Host* host = nullptr, HostWindow window = 0);

  // Keeps the pixels that still fit; new pixels are white. Marks the whole surface.
  void Resize(int width, int height);

  int Width() const { return Width_; }
  int Height() const { return Height_; }
  std::uint32_t* Data() { return Pixels(); }
  const std::uint32_t* Data() const { return Pixels(); }

  // The pixels were presented: lent memory is asked for again before the next drawing
  // (a host may lend another buffer, holding the same picture, while it shows this one).
  void Presented() { Reask_ = Lent_; }

  void MarkDirty(const RECT& r);  // clipped to the surface; empty rectangles are ignored
  bool HasDirty() const { return !Dirty_.empty(); }
  std::vector<RECT> TakeDirty();

 private:
  // The pixels are made when first asked for: a window is often created at one size
  // and moved to another before anything is drawn.
  std::uint32_t* Pixels() const;
  // White pixels at the current size, in lent memory when the host has some.
  std::uint32_t* Make() const;

  Host* Host_;
  HostWindow Window_;
  int Width_ = 0;
  int Height_ = 0;
  mutable std::uint32_t* Pixels_ = nullptr;  // nullptr until made
  mutable std::vector<std::uint32_t> Own_;   // the pixels when not lent
  mutable bool Lent_ = false;                // the pixels are the host's
  mutable bool Reask_ = false;               // lent memory to be asked for again
  mutable std::vector<RECT> Dirty_;
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
