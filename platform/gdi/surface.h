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
  // For drawing. After a present of lent pixels the host is first waited for
  // (Host::BeforeDrawing) and asked for them again: it may lend another buffer, holding
  // the same picture, while its display server reads the one presented.
  std::uint32_t* Data();
  const std::uint32_t* Data() const { return Pixels(); }

  void MarkDirty(const RECT& r);  // clipped to the surface; empty rectangles are ignored
  bool HasDirty() const { return !Dirty_.empty(); }
  // The rectangles to present now (the caller presents them at once, from the const
  // Data()); the list is left empty.
  void TakeDirty(std::vector<RECT>& into);

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
  bool Presented_ = false;                   // lent pixels handed to the host since drawn
  std::vector<RECT> Dirty_;
};

// A device context drawing on `surface`: its logical (0,0) lies at `origin` (surface
// coordinates) and every pixel it writes is clipped to the union of `clip` (surface
// coordinates; an empty list draws nothing). Drawing marks what it changes dirty.
// Answers nullptr when the platform refuses (out of handles).
HDC CreateSurfaceDC(TSurface& surface, POINT origin, const std::vector<RECT>& clip);

// Frees a context made by CreateSurfaceDC; what was selected into it is not deleted.
// False when `dc` is not such a context.
bool ReleaseSurfaceDC(HDC dc);

}  // namespace platform
