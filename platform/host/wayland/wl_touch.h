// Touch as the pointer's left button: the first point down stands for the button, at its
// place, until it lifts or the compositor cancels it; further points are ignored while
// it is down. A point that lands on our caption or frame acts on them instead.
#pragma once

#include <cstdint>

namespace platform::wl {

struct TTouchPoint {
  enum class Kind { Ignored, Client, Caption, Frame };
  Kind kind = Kind::Ignored;
  int x = 0;  // device pixels: the client area's (Client), else the surface's
  int y = 0;
};

class TTouchButton {
 public:
  // Point `id` went down at (x, y), the compositor's surface-local logical coordinates,
  // on a window with `top` device rows of caption above its client area, drawn `scale`
  // device pixels to a logical one, or on its frame.
  TTouchPoint Down(std::int32_t id, bool onFrame, double x, double y, int scale, int top);
  // The held point moved: where, in the client area (Ignored for any other point, and
  // while the held one is on the caption or frame, which the compositor moves).
  TTouchPoint Motion(std::int32_t id, double x, double y);
  // The held point lifted: where it was last.
  TTouchPoint Up(std::int32_t id);
  // The compositor took the touch sequence: what the held point was doing, now ended.
  TTouchPoint Cancel();
  bool Held() const { return Held_; }
  void Forget() { Held_ = false; }

 private:
  TTouchPoint At(double x, double y) const;

  bool Held_ = false;
  std::int32_t Id_ = 0;
  TTouchPoint::Kind Kind_ = TTouchPoint::Kind::Ignored;
  int Scale_ = 1;
  int Top_ = 0;
  TTouchPoint Last_;
};

}  // namespace platform::wl
