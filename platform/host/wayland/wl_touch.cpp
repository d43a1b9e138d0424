#include "platform/host/wayland/wl_touch.h"

#include <algorithm>
#include <cmath>

namespace platform::wl {

TTouchPoint TTouchButton::At(double x, double y) const {
  TTouchPoint p;
  p.kind = Kind_;
  p.x = int(std::floor(x * Scale_));
  p.y = int(std::floor(y * Scale_));
  if (Kind_ == TTouchPoint::Kind::Client) p.y -= Top_;
  return p;
}

TTouchPoint TTouchButton::Down(std::int32_t id, bool onFrame, double x, double y, int scale,
                               int top) {
  if (Held_) return {};
  Held_ = true;
  Id_ = id;
  Scale_ = std::max(scale, 1);
  Top_ = top;
  Kind_ = onFrame ? TTouchPoint::Kind::Frame
          : std::floor(y * Scale_) < top ? TTouchPoint::Kind::Caption
                                         : TTouchPoint::Kind::Client;
  Last_ = At(x, y);
  return Last_;
}

TTouchPoint TTouchButton::Motion(std::int32_t id, double x, double y) {
  if (!Held_ || id != Id_ || Kind_ != TTouchPoint::Kind::Client) return {};
  Last_ = At(x, y);
  return Last_;
}

TTouchPoint TTouchButton::Up(std::int32_t id) {
  if (!Held_ || id != Id_) return {};
  Held_ = false;
  return Last_;
}

TTouchPoint TTouchButton::Cancel() {
  if (!Held_) return {};
  Held_ = false;
  return Last_;
}

}  // namespace platform::wl
