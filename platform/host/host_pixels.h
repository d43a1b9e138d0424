// Pixel helpers that the hosts and the drawing layer share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/host/host.h"

namespace platform {

// 0x00BBGGRR (a COLORREF) and 0x00RRGGBB (a surface pixel) into each other.
constexpr std::uint32_t SwapRB(std::uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// `in` cut to a width x height surface, in 64 bits (the platform's rectangles may come
// from anywhere: x + width may not fit an int); false when nothing is left.
inline bool ClipRect(const HostRect& in, int width, int height, HostRect& out) {
  const std::int64_t l = std::max<std::int64_t>(in.x, 0);
  const std::int64_t t = std::max<std::int64_t>(in.y, 0);
  const std::int64_t r = std::min<std::int64_t>(std::int64_t(in.x) + in.width, width);
  const std::int64_t b = std::min<std::int64_t>(std::int64_t(in.y) + in.height, height);
  if (l >= r || t >= b) return false;
  out = HostRect{int(l), int(t), int(r - l), int(b - t)};
  return true;
}

}  // namespace platform
